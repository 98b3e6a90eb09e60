#include "ui/search/SearchPopoverViewController.h"

#include "catalog/ProductCatalog.h"
#include "catalog/StoreSearch.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/Presenter.h"
#include "platform/StringFormat.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "ui/search/SearchResultsModel.h"
#include "ui/widgets/Popover.h"
#include "ui/widgets/ZQSpinningProgressIndicator.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The kind boxes in the order of their option bits.
const QString *const kindKeys[] = {&StoreSearch::OSXSearchSelectedKey,
    &StoreSearch::IOSSearchSelectedKey, &StoreSearch::eBookSearchSelectedKey,
    &StoreSearch::PodcastSearchSelectedKey};

} // namespace

SearchPopoverViewController::SearchPopoverViewController(
    UserDefaults &defaults, Presenter &presenter, QObject *parent)
    : QObject(parent),
      defaults_(defaults),
      presenter_(presenter),
      search_(new StoreSearch(this)),
      model_(new SearchResultsModel(this))
{
    buildView();
}

SearchPopoverViewController::~SearchPopoverViewController()
{
    search_->cancelAllRequests();
    delete popover_.data();
    delete view_.data();
}

void SearchPopoverViewController::buildView()
{
    view_ = new QWidget;
    view_->setObjectName(QStringLiteral("SearchView"));
    view_->setAccessibleName(localized("SearchPopoverViewController", "Store Search"));

    searchField_ = new QLineEdit(view_);
    searchField_->setPlaceholderText(
        localized("SearchPopoverViewController", "Name, id or store address"));
    searchField_->setAccessibleName(localized("SearchPopoverViewController", "Search the Store"));
    searchField_->setClearButtonEnabled(true);
    searchButton_ = new QPushButton(localized("SearchPopoverViewController", "Search"), view_);
    searchButton_->setAccessibleName(searchButton_->text());
    searchButton_->setAutoDefault(false);

    const char *const kindTitles[] = {QT_TRANSLATE_NOOP("SearchPopoverViewController", "Mac Apps"),
        QT_TRANSLATE_NOOP("SearchPopoverViewController", "iPhone & iPad Apps"),
        QT_TRANSLATE_NOOP("SearchPopoverViewController", "Books"),
        QT_TRANSLATE_NOOP("SearchPopoverViewController", "Podcasts")};
    auto *kinds = new QHBoxLayout;
    for (int box = 0; box < 4; ++box) {
        const QString title = localized("SearchPopoverViewController", kindTitles[box]);
        // An "&" in a title is no mnemonic.
        auto *check = new QCheckBox(QString(title).replace(u'&', QStringLiteral("&&")), view_);
        check->setAccessibleName(title);
        check->setChecked(defaults_.integerForKey(*kindKeys[box]) == 1);
        connect(check, &QCheckBox::clicked, this,
            &SearchPopoverViewController::entityCheckboxClickedAction);
        kinds->addWidget(check);
        kindBoxes_ << check;
    }
    kinds->addStretch();

    table_ = new QTableView(view_);
    table_->setObjectName(QStringLiteral("SearchResultsTable"));
    table_->setAccessibleName(localized("SearchPopoverViewController", "Search Results"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    QHeaderView *header = table_->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionResizeMode(SearchResultsModel::ProductColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(SearchResultsModel::AuthorColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(SearchResultsModel::KindColumn, QHeaderView::ResizeToContents);
    header->resizeSection(SearchResultsModel::AuthorColumn, 160);
    header->setSortIndicator(SearchResultsModel::ProductColumn, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    table_->setMinimumSize(520, 260);

    progressIndicator_ = new ZQSpinningProgressIndicator(view_);
    progressIndicator_->setAccessibleName(localized("SearchPopoverViewController", "Searching"));
    progressIndicator_->setDisplayedWhenStopped(false);
    progressIndicator_->setUsesThreadedAnimation(false);
    progressIndicator_->setColor(QColor(0x1e, 0x6f, 0xd9));
    progressIndicator_->setFixedSize(16, 16);
    statusLabel_ = new QLabel(view_);
    statusLabel_->setAccessibleName(localized("SearchPopoverViewController", "Search Status"));
    statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusLabel_->setWordWrap(true);
    closeButton_ = new QPushButton(localized("SearchPopoverViewController", "Close"), view_);
    closeButton_->setAccessibleName(closeButton_->text());
    closeButton_->setAutoDefault(false);
    addButton_ = new QPushButton(localized("SearchPopoverViewController", "Add"), view_);
    addButton_->setAccessibleName(
        localized("SearchPopoverViewController", "Add Selected Products"));
    addButton_->setAutoDefault(false);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(searchField_, 1);
    searchRow->addWidget(searchButton_);
    auto *bottomRow = new QHBoxLayout;
    bottomRow->addWidget(progressIndicator_);
    bottomRow->addWidget(statusLabel_, 1);
    bottomRow->addWidget(closeButton_);
    bottomRow->addWidget(addButton_);
    auto *layout = new QVBoxLayout(view_);
    layout->addLayout(searchRow);
    layout->addLayout(kinds);
    layout->addWidget(table_, 1);
    layout->addLayout(bottomRow);
    view_->setFocusProxy(searchField_);
    QWidget::setTabOrder(searchField_, searchButton_);

    connect(
        searchField_, &QLineEdit::textChanged, this, &SearchPopoverViewController::updateButtons);
    connect(
        searchField_, &QLineEdit::returnPressed, this, &SearchPopoverViewController::searchAction);
    connect(searchButton_, &QPushButton::clicked, this, &SearchPopoverViewController::searchAction);
    connect(addButton_, &QPushButton::clicked, this, &SearchPopoverViewController::addAction);
    connect(closeButton_, &QPushButton::clicked, this,
        &SearchPopoverViewController::closePopoverAction);
    connect(table_, &QTableView::doubleClicked, this,
        [this](const QModelIndex &index) { doubleClickAction(index.row()); });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &SearchPopoverViewController::updateButtons);
    connect(
        model_, &QAbstractItemModel::modelReset, this, &SearchPopoverViewController::updateButtons);
    searchField_->installEventFilter(this);
    table_->installEventFilter(this);
    updateButtons();
}

void SearchPopoverViewController::showPopoverForView(QWidget *anchor)
{
    if (popover_ && popover_->isShown())
        return;
    // A popover that closed a moment ago may still wait for deletion; the
    // new one takes the view from it.
    popover_ = new Popover(
        Popover::Behavior::ApplicationDefined, view_, anchor ? anchor->window() : nullptr);
    connect(popover_, &Popover::aboutToClose, this, &SearchPopoverViewController::popoverWillClose);
    connect(popover_, &Popover::closed, this, &SearchPopoverViewController::popoverDidClose);
    for (int box = 0; box < kindBoxes_.size(); ++box)
        kindBoxes_[box]->setChecked(defaults_.integerForKey(*kindKeys[box]) == 1);
    table_->clearSelection();
    updateButtons();
    addButton_->setEnabled(false);
    popover_->showRelativeToWidget(anchor, Popover::Edge::Below);
    searchField_->setFocus(Qt::PopupFocusReason);
    searchField_->selectAll();
}

void SearchPopoverViewController::searchAction()
{
    QPointer<SearchPopoverViewController> guard(this);
    const StoreSearch::Started started =
        search_->searchAction(searchField_->text(), StoreSearch::selectedSearchOptions(defaults_),
            [guard](const Downloader::ProductRecords &results, const Error &error) {
                if (!guard)
                    return;
                if (!error.isCancellation())
                    guard->searchDidFinish(results, error);
                guard->updateActivity();
            });
    if (started == StoreSearch::Started::Nothing)
        return;
    model_->setResults({});
    addButton_->setEnabled(false);
    statusLabel_->setText(localized("SearchPopoverViewController", "Searching…"));
    progressIndicator_->startAnimation();
}

void SearchPopoverViewController::searchDidFinish(
    const Downloader::ProductRecords &results, const Error &error)
{
    if (error) {
        // Said in the popover too, so it stays readable after the alert.
        statusLabel_->setText(error.localizedDescription());
        presenter_.presentError(error);
        return;
    }
    if (results.isEmpty()) {
        statusLabel_->setText(localized("SearchPopoverViewController", "No results."));
        return;
    }
    statusLabel_->clear();
    model_->setResults(results);
}

void SearchPopoverViewController::updateActivity()
{
    // The queue lets go of a request only after its completion has run.
    QTimer::singleShot(0, this, [this] {
        if (search_->isSearching())
            return;
        progressIndicator_->stopAnimation();
        if (statusLabel_->text() == localized("SearchPopoverViewController", "Searching…"))
            statusLabel_->clear();
    });
}

void SearchPopoverViewController::addAction()
{
    QList<int> rows;
    for (const QModelIndex &index : table_->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    Downloader::ProductRecords chosen;
    for (const int row : std::as_const(rows))
        chosen << model_->resultAt(row);
    closePopoverAction();
    if (chosen.isEmpty())
        return;
    NotificationCenter::defaultCenter().post(kAddProductsForResultsNotification, this,
        {{QStringLiteral("results"), ProductCatalog::resultsToVariant(chosen)}});
}

void SearchPopoverViewController::doubleClickAction(int clickedRow)
{
    int row = clickedRow;
    if (row < 0) {
        const QModelIndexList selected = table_->selectionModel()->selectedRows();
        row = selected.isEmpty() ? -1 : selected.first().row();
    }
    const QString address = model_->resultAt(row).value(QStringLiteral("trackViewUrl")).toString();
    if (address.isEmpty())
        return;
    UrlOpener::open(QUrl(address), UrlOpener::Origin::Network);
}

void SearchPopoverViewController::closePopoverAction()
{
    if (popover_)
        popover_->performClose();
}

void SearchPopoverViewController::entityCheckboxClickedAction()
{
    for (int box = 0; box < kindBoxes_.size(); ++box)
        defaults_.setInteger(kindBoxes_[box]->isChecked() ? 1 : 0, *kindKeys[box]);
    search_->entityCheckboxClickedAction();
}

void SearchPopoverViewController::popoverWillClose()
{
    // An answer already on its way ends as cancelled and fills nothing.
    search_->cancelAllRequests();
    progressIndicator_->stopAnimation();
    if (statusLabel_->text() == localized("SearchPopoverViewController", "Searching…"))
        statusLabel_->clear();
}

void SearchPopoverViewController::popoverDidClose()
{
    auto *closed = qobject_cast<Popover *>(sender());
    if (!closed)
        return;
    // Deleted later: it is still inside its own close event.
    closed->deleteLater();
    if (popover_ == closed)
        popover_ = nullptr;
}

void SearchPopoverViewController::updateButtons()
{
    searchButton_->setEnabled(!searchField_->text().isEmpty());
    addButton_->setEnabled(table_->selectionModel()->hasSelection());
}

bool SearchPopoverViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (watched == searchField_ && key == Qt::Key_Down && model_->rowCount() > 0) {
        table_->setFocus(Qt::TabFocusReason);
        if (!table_->selectionModel()->hasSelection())
            table_->selectRow(0);
        return true;
    }
    if (watched == table_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        addAction();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
