#include "ui/ratings/RatingsViewController.h"

#include "model/Product.h"
#include "model/Rating.h"
#include "platform/PreferenceKeys.h"
#include "platform/StringFormat.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "ui/charts/RatingsHistoryChart.h"
#include "ui/ratings/RatingsListModel.h"
#include "ui/sidebar/BaseNodeTreeAccessor.h"
#include "ui/sidebar/TreeController.h"
#include "ui/widgets/SortDescriptorArchive.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

const QString RatingsViewController::autosaveName = QStringLiteral("RatingsTableView");

RatingsViewController::RatingsViewController(UserDefaults *defaults, QObject *parent)
    : QObject(parent),
      defaults_(defaults),
      model_(new RatingsListModel(this)),
      view_(new QWidget),
      table_(new QTableView),
      chart_(new RatingsHistoryChart)
{
    auto *splitter = new QSplitter(Qt::Vertical);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(table_);
    splitter->addWidget(chart_);
    // The table needs a few rows; the chart takes the larger share.
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    auto *layout = new QVBoxLayout(view_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    view_->setObjectName(QStringLiteral("RatingsView"));
    view_->setAccessibleName(localized("RatingsViewController", "Ratings"));

    table_->setObjectName(autosaveName);
    table_->setAccessibleName(localized("RatingsViewController", "Ratings by Country"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setHighlightSections(false);
    // The figures keep their width; the country name takes the rest.
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(
        RatingsListModel::CountryColumn, QHeaderView::Stretch);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);

    setSortDescriptorsForTableview();
    // Header clicks sort through the model, which reports the new order.
    table_->setSortingEnabled(true);
    connect(model_, &RatingsListModel::sortDescriptorsChanged, this,
        &RatingsViewController::sortDescriptorsDidChange);

    table_->viewport()->installEventFilter(this);
    table_->installEventFilter(this);
}

RatingsViewController::~RatingsViewController()
{
    delete view_.data();
}

QString RatingsViewController::sortKey()
{
    return Preference::sortDescriptorsKey(autosaveName);
}

UserDefaults &RatingsViewController::defaults() const
{
    return defaults_ ? *defaults_ : UserDefaults::standard();
}

void RatingsViewController::setTreeController(TreeController *controller)
{
    if (treeController_)
        disconnect(treeController_, nullptr, this, nullptr);
    treeController_ = controller;
    if (!controller)
        return;
    const auto follow = [this] {
        const QList<TreeObject> selected = treeController_->selectedObjects();
        const std::shared_ptr<BaseNode> node =
            selected.isEmpty() ? nullptr : BaseNodeTreeAccessor::node(selected.first());
        setProduct(std::dynamic_pointer_cast<Product>(node));
    };
    connect(controller, &TreeController::selectionChanged, this, follow);
    follow();
}

void RatingsViewController::setProduct(const std::shared_ptr<Product> &product)
{
    const std::shared_ptr<Product> shown = product && product->canHaveRatings() ? product : nullptr;
    model_->setProduct(shown);
    chart_->setProduct(shown);
}

void RatingsViewController::doubleClickAction(int clickedRow)
{
    int row = clickedRow;
    if (row < 0 && table_->selectionModel()) {
        const QModelIndexList selected = table_->selectionModel()->selectedRows();
        row = selected.isEmpty() ? -1 : selected.first().row();
    }
    const std::shared_ptr<Rating> rating = model_->ratingAt(row);
    if (!rating)
        return;
    const std::shared_ptr<Product> product = rating->product();
    if (!product)
        return;
    const QUrl url = product->urlForCountryCode(rating->countryCode());
    // The page address comes from the store's answer.
    if (url.isValid())
        UrlOpener::open(url, UrlOpener::Origin::Network);
}

void RatingsViewController::setSortDescriptorsForTableview()
{
    QList<SortDescriptor> descriptors;
    if (defaults().hasStoredValue(sortKey()))
        descriptors = SortDescriptorArchive::unarchive(defaults().stringArrayForKey(sortKey()));
    if (descriptors.isEmpty())
        descriptors = {{RatingsListModel::sortKeyForColumn(RatingsListModel::CountryColumn), true}};
    model_->setSortDescriptors(descriptors);
    showSortIndicator();
}

void RatingsViewController::setNextKeyViewForView(QWidget *view)
{
    if (view)
        QWidget::setTabOrder(view, table_);
    QWidget::setTabOrder(table_, chart_->countryMenu());
}

void RatingsViewController::sortDescriptorsDidChange(const QList<SortDescriptor> &descriptors)
{
    defaults().setObject(QVariant(SortDescriptorArchive::archive(descriptors)), sortKey());
}

void RatingsViewController::showSortIndicator()
{
    const QList<SortDescriptor> descriptors = model_->sortDescriptors();
    const int column =
        descriptors.isEmpty() ? -1 : RatingsListModel::columnForSortKey(descriptors.first().key);
    QHeaderView *header = table_->horizontalHeader();
    const QSignalBlocker blocker(header);
    if (column < 0)
        header->setSortIndicator(-1, Qt::AscendingOrder);
    else
        header->setSortIndicator(
            column, descriptors.first().ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

bool RatingsViewController::eventFilter(QObject *watched, QEvent *event)
{
    // The event type first: while the table is torn down, its viewport is
    // already gone and only such events as ChildRemoved arrive.
    if (event->type() == QEvent::MouseButtonDblClick && watched == table_->viewport()) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        doubleClickAction(table_->indexAt(mouse->position().toPoint()).row());
    } else if (event->type() == QEvent::KeyPress && watched == table_) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            doubleClickAction(table_->currentIndex().row());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
