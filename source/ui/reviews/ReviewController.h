#pragma once

#include "platform/Clock.h"
#include "ui/widgets/XFSearchField.h"
#include "ui/window/ActionResponder.h"

#include <QWidget>

#include <functional>
#include <memory>

class ManagedObjectContext;
class Product;
class QComboBox;
class QLabel;
class QPropertyAnimation;
class QMenu;
class QTableView;
class QTextEdit;
class QToolButton;
class Review;
class ReviewListModel;
class ReviewsPerWeekChart;
class QSplitter;
class ReplyPane;

// The review list: the selected product's reviews in a sortable table, the
// selected review's text, the search field, the version and country menus,
// a notice of reviews that may be missing, the translate toggle, the
// review's smiley, and below them the reviews per week under the same
// version and country choices. Selecting a review marks it read after a short pause,
// unless the table's context menu is open or another row was selected
// meanwhile.
class ReviewController : public QWidget, public ActionResponder, public XFSearchFieldDelegate {
    Q_OBJECT

public:
    using ProductSource = std::function<std::shared_ptr<Product>()>;

    static inline const QString AutosaveName = QStringLiteral("ReviewTable");
    static inline const QString ContextMenuTitle = QStringLiteral("ReviewContextMenu");
    static constexpr double SmileySeconds = 5.0;

    // `selectedProduct` answers the sidebar's first selected product (null
    // for none or a group); it is read on every selection change.
    ReviewController(
        ManagedObjectContext &context, ProductSource selectedProduct, QWidget *parent = nullptr);
    ~ReviewController() override;

    // The key the table's sort is kept under.
    static QString sortDefaultsKey();
    // The platform's key-repeat delay stands in for the pause before a
    // selected review is marked read; it is clamped to 0.25 … 1.0 seconds.
    static double clampedMarkReadDelay(double keyRepeatDelay);
    void setKeyRepeatDelay(double seconds) { keyRepeatDelay_ = seconds; }
    double markReadDelay() const { return clampedMarkReadDelay(keyRepeatDelay_); }

    // --- What the window and the update engine call ---------------------------
    void mainOutlineViewSelectionDidChange();
    void setNextKeyViewForView(QWidget *view);

    // --- Actions ----------------------------------------------------------------
    void buildVersionsMenu();
    void buildCountriesMenu();
    void selectedVersionForReviewRatingsChangedAction(int item);
    void selectedCountryForReviewRatingsChangedAction(int item);
    void updateReviewRatingsFilterPredicate(const std::shared_ptr<Product> &product);
    void searchAction();
    void selectSearchAction();
    // Keeps only the reviews without a reply, or all again.
    void unansweredAction(bool unansweredOnly);
    // The delayed request for a row: marks it read if it is still selected.
    void markReadAction(int row);
    void toggleReadAction(const std::shared_ptr<Review> &review);
    void markAllReadAction(bool read);
    void translateAction();
    // Opens the clicked row's review (else the selected one) in the browser.
    void doubleClickAction(int clickedRow = -1);
    void copyAction();
    void hideSmiley();

    // The table's context menu for a row (-1: none), shown at `globalPos`.
    void openContextMenu(int row, const QPoint &globalPos);
    void menuNeedsUpdate();
    void menuWillOpen();
    void menuDidClose();
    bool tableContextMenuIsOpen() const { return tableContextMenuIsOpen_; }

    // --- ActionResponder: "markAllReadAction", "markAllUnreadAction", "copy",
    // "performFindPanelAction", "openInBrowserAction"
    bool respondsToAction(const QString &action) const override;
    void performAction(const QString &action, const QVariant &sender) override;
    bool validateAction(const QString &action, QAction *item) override;

    // --- Parts, for the window's layout and tests --------------------------------
    ReviewListModel *model() const { return model_; }
    QTableView *tableView() const { return tableView_; }
    QTextEdit *reviewTextView() const { return reviewTextView_; }
    XFSearchField *searchField() const { return searchField_; }
    QComboBox *versionPopUpButton() const { return versionPopUpButton_; }
    QComboBox *countriesPopUpButton() const { return countriesPopUpButton_; }
    QLabel *gapNotice() const { return gapNotice_; }
    QLabel *smileyTextField() const { return smileyTextField_; }
    QToolButton *translateButton() const { return translateButton_; }
    QMenu *contextMenu() const { return contextMenu_; }
    ReviewsPerWeekChart *weekChart() const { return weekChart_; }
    QSplitter *splitter() const { return splitter_; }
    std::shared_ptr<Review> selectedReview() const;
    ReplyPane *replyPane() const { return replyPane_; }
    QToolButton *unansweredButton() const { return unansweredButton_; }
    int selectedRow() const;

    // The notice's text for a product and the country shown ("***": all).
    static QString gapNoticeText(const Product &product, const QString &countryCode);

Q_SIGNALS:
    // After a review's `read` changed (for badges elsewhere).
    void readStateChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildViews();
    void setSortDescriptorsForTableview();
    void tableViewSortDescriptorsDidChange(int column, Qt::SortOrder order);
    void tableViewSelectionDidChange();
    void showSelectedReview();
    void updateGapNotice();
    void saveAction();

    ManagedObjectContext &context_;
    ReplyPane *replyPane_ = nullptr;
    QToolButton *unansweredButton_ = nullptr;
    ProductSource selectedProduct_;
    ReviewListModel *model_ = nullptr;
    QTableView *tableView_ = nullptr;
    QTextEdit *reviewTextView_ = nullptr;
    XFSearchField *searchField_ = nullptr;
    QComboBox *versionPopUpButton_ = nullptr;
    QComboBox *countriesPopUpButton_ = nullptr;
    QLabel *gapNotice_ = nullptr;
    QLabel *smileyTextField_ = nullptr;
    QPropertyAnimation *smileyFade_ = nullptr;
    QToolButton *translateButton_ = nullptr;
    QMenu *contextMenu_ = nullptr;
    ReviewsPerWeekChart *weekChart_ = nullptr;
    QSplitter *splitter_ = nullptr;
    QFont reviewTextFont_;
    double keyRepeatDelay_ = 0.5;
    bool tableContextMenuIsOpen_ = false;
    int clickedRow_ = -1;
    Clock::TimerId pendingMarkRead_ = 0;
    Clock::TimerId pendingHideSmiley_ = 0;
};
