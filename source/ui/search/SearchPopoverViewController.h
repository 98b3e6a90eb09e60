#pragma once

#include "net/Downloader.h"
#include "platform/Error.h"
#include "ui/widgets/Popover.h"

#include <QObject>
#include <QPointer>

class Presenter;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QWidget;
class SearchResultsModel;
class StoreSearch;
class UserDefaults;
class ZQSpinningProgressIndicator;

// The popover in which the user finds products in the store and picks the
// ones to track: a search field, the kinds to search, and the results. The
// chosen results go to the sidebar by "kAddProductsForResultsNotification".
// One instance lives as long as the window; each showing makes a new popover
// around the same view, so results and the search text stay from one
// showing to the next. Main thread only.
class SearchPopoverViewController : public QObject {
    Q_OBJECT

public:
    SearchPopoverViewController(
        UserDefaults &defaults, Presenter &presenter, QObject *parent = nullptr);
    ~SearchPopoverViewController() override;

    // Shows the popover below `anchor` (above when there is no room); does
    // nothing while it is shown.
    void showPopoverForView(QWidget *anchor);

    void searchAction();
    // Posts the selected results and closes; with none selected, only closes.
    void addAction();
    // Opens the store page of the row clicked, else of the selected row.
    void doubleClickAction(int clickedRow = -1);
    void closePopoverAction();
    // Stores the kind boxes and lets the same text be searched again.
    void entityCheckboxClickedAction();

    Popover *popover() const { return popover_; }
    QWidget *view() const { return view_; }
    QLineEdit *searchField() const { return searchField_; }
    // Mac apps, iOS apps, books, podcasts.
    QList<QCheckBox *> kindBoxes() const { return kindBoxes_; }
    QPushButton *searchButton() const { return searchButton_; }
    QPushButton *addButton() const { return addButton_; }
    QPushButton *closeButton() const { return closeButton_; }
    QTableView *tableView() const { return table_; }
    SearchResultsModel *model() const { return model_; }
    QLabel *statusLabel() const { return statusLabel_; }
    ZQSpinningProgressIndicator *progressIndicator() const { return progressIndicator_; }
    StoreSearch &storeSearch() const { return *search_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildView();
    void searchDidFinish(const Downloader::ProductRecords &results, const Error &error);
    void updateActivity();
    void popoverWillClose();
    void popoverDidClose();
    void updateButtons();

    UserDefaults &defaults_;
    Presenter &presenter_;
    StoreSearch *search_;
    SearchResultsModel *model_;
    QPointer<Popover> popover_;
    QPointer<QWidget> view_;
    QLineEdit *searchField_ = nullptr;
    QList<QCheckBox *> kindBoxes_;
    QPushButton *searchButton_ = nullptr;
    QPushButton *addButton_ = nullptr;
    QPushButton *closeButton_ = nullptr;
    QTableView *table_ = nullptr;
    QLabel *statusLabel_ = nullptr;
    ZQSpinningProgressIndicator *progressIndicator_ = nullptr;
};
