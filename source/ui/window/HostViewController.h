#pragma once

#include "ui/window/ActionResponder.h"
#include "update/UpdateHost.h"

#include <QObject>
#include <QPointer>

#include <functional>

class Presenter;
class QLabel;
class QPropertyAnimation;
class QStackedWidget;
class QWidget;
class TreeController;
class UpdateController;
class UserDefaults;
class ZQSpinningProgressIndicator;

// The content area beside the sidebar: the review list and the ratings
// list as two pages of which one shows, the progress strip under them, and
// the window's side of updating (progress, errors, the rate-limit alert).
// It takes the update actions, the view switch, and whatever the page shown
// takes, and validates their menu items.
class HostViewController : public QObject, public UpdateHost, public ActionResponder {
    Q_OBJECT

public:
    enum Page { ReviewsPage = 0, RatingsPage = 1 };
    static constexpr int progressViewHeight = 24;
    static constexpr int progressAnimationMilliseconds = 200;

    explicit HostViewController(UserDefaults *defaults = nullptr, QObject *parent = nullptr);
    ~HostViewController() override;

    // The widget to place; whoever places it may take ownership.
    QWidget *view() const { return view_; }

    // The pages; each responder may be null. Call viewDidLoad afterwards.
    void setReviewController(QWidget *view, ActionResponder *responder);
    void setRatingsViewController(QWidget *view, ActionResponder *responder);
    // Shows the page of "SelectedMainView".
    void viewDidLoad();

    void setUpdateController(UpdateController *controller);
    // The sidebar's selection: what is updated, whether ratings can show.
    void setTreeController(TreeController *controller);
    // Alerts and errors; the shared presenter when none is set.
    void setPresenter(Presenter *presenter) { presenter_ = presenter; }
    // Where validation learns whether Ctrl is held (tests replace it).
    void setKeyboardModifiersSource(std::function<Qt::KeyboardModifiers()> source);

    // Page switch: a QAction gives its data (0 or 1), a number itself, a
    // tab bar or similar its "currentIndex", anything else 0.
    void changeViewControllerAction(const QVariant &sender = {});
    int currentIndex() const { return currentIndex_; }
    QWidget *currentView() const;

    QWidget *progressView() const { return progressView_; }
    ZQSpinningProgressIndicator *progressIndicator() const { return progressIndicator_; }
    QLabel *progressTextField() const { return progressTextField_; }

    // UpdateHost
    void updateProgress(const QString &text) override;
    void showProgressView() override;
    void hideProgressView() override;
    void mainOutlineViewSelectionDidChange() override;
    std::shared_ptr<Product> selectedProduct() const override;
    void presentError(const Error &error) override;
    void showRateLimitAlert(const QString &message, const QString &information,
        std::function<void(bool)> completion) override;

    // ActionResponder
    bool respondsToAction(const QString &action) const override;
    void performAction(const QString &action, const QVariant &sender) override;
    bool validateAction(const QString &action, QAction *item) override;

Q_SIGNALS:
    // New reviews arrived for the selection: the review list rebuilds its
    // menus and filter.
    void reviewsNeedRefresh();

private:
    void setPage(int index, QWidget *view, ActionResponder *responder);
    void showPage(int index);
    void selectionDidChange();
    bool isOwnAction(const QString &action) const;
    ActionResponder *currentResponder() const;
    bool validateUpdateAll(QAction *item) const;
    Presenter &presenter() const;
    UserDefaults &defaults() const;

    UserDefaults *defaults_;
    QPointer<QWidget> view_;
    QStackedWidget *stack_;
    QWidget *progressView_;
    ZQSpinningProgressIndicator *progressIndicator_;
    QLabel *progressTextField_;
    QPropertyAnimation *progressAnimation_;
    QPointer<QWidget> pages_[2];
    ActionResponder *responders_[2] = {nullptr, nullptr};
    int currentIndex_ = -1;
    QPointer<UpdateController> updateController_;
    QPointer<TreeController> treeController_;
    Presenter *presenter_ = nullptr;
    std::function<Qt::KeyboardModifiers()> modifiers_;
};
