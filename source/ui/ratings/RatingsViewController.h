#pragma once

#include "platform/store/FetchRequest.h"

#include <QObject>
#include <QPointer>

#include <memory>

class Product;
class QTableView;
class QWidget;
class RatingsHistoryChart;
class RatingsListModel;
class TreeController;
class UserDefaults;

// The ratings list: a table of the selected app's rating summaries, one row
// per country, above the chart of its ratings history. Double-click or Enter opens the app's store
// page for that country. The order the user picks by clicking a header is kept in the preferences
// under "<autosave name>-SortDescriptors".
class RatingsViewController : public QObject {
    Q_OBJECT

public:
    static const QString autosaveName;

    explicit RatingsViewController(UserDefaults *defaults = nullptr, QObject *parent = nullptr);
    ~RatingsViewController() override;

    // The widget to place; whoever places it may take ownership.
    QWidget *view() const { return view_; }
    QTableView *tableView() const { return table_; }
    RatingsListModel *model() const { return model_; }
    RatingsHistoryChart *historyChart() const { return chart_; }

    // Follows the first selected object of the sidebar when it is a product.
    void setTreeController(TreeController *controller);
    void setProduct(const std::shared_ptr<Product> &product);

    // Opens the store page of the row clicked, else of the selected row.
    void doubleClickAction(int clickedRow = -1);
    // The stored order, else by country.
    void setSortDescriptorsForTableview();
    void setNextKeyViewForView(QWidget *view);

    static QString sortKey();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sortDescriptorsDidChange(const QList<SortDescriptor> &descriptors);
    void showSortIndicator();
    UserDefaults &defaults() const;

    UserDefaults *defaults_;
    RatingsListModel *model_;
    QPointer<QWidget> view_;
    QTableView *table_;
    RatingsHistoryChart *chart_;
    QPointer<TreeController> treeController_;
};
