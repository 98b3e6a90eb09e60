#include "ui/reviews/ReviewController.h"

#include "catalog/ReviewFilter.h"
#include "model/App.h"
#include "model/Country.h"
#include "model/Product.h"
#include "model/Review.h"
#include "model/ReviewGap.h"
#include "net/URLError.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/PreferenceKeys.h"
#include "platform/Presenter.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"
#include "ui/charts/ReviewsPerWeekChart.h"
#include "ui/reviews/EarlierVersionsText.h"
#include "ui/reviews/ReplyPane.h"
#include "ui/reviews/ReviewListModel.h"
#include "ui/widgets/RankingIndicatorDelegate.h"
#include "ui/widgets/SortDescriptorArchive.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QCollator>
#include <QComboBox>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

ReviewController::ReviewController(
    ManagedObjectContext &context, ProductSource selectedProduct, QWidget *parent)
    : QWidget(parent), context_(context), selectedProduct_(std::move(selectedProduct))
{
    model_ = new ReviewListModel(context_, this);
    buildViews();
    setSortDescriptorsForTableview();
    NotificationCenter::defaultCenter().addObserver(kMainOutlineViewSelectionDidChange, this,
        [this](const Notification &) { mainOutlineViewSelectionDidChange(); });
}

ReviewController::~ReviewController()
{
    Clock::shared().withdraw(pendingMarkRead_);
    Clock::shared().withdraw(pendingHideSmiley_);
}

void ReviewController::buildViews()
{
    setAccessibleName(tr("Reviews"));

    versionPopUpButton_ = new QComboBox(this);
    versionPopUpButton_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    versionPopUpButton_->setAccessibleName(tr("Version filter"));
    connect(versionPopUpButton_, &QComboBox::activated, this,
        &ReviewController::selectedVersionForReviewRatingsChangedAction);
    countriesPopUpButton_ = new QComboBox(this);
    countriesPopUpButton_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    countriesPopUpButton_->setAccessibleName(tr("Country filter"));
    connect(countriesPopUpButton_, &QComboBox::activated, this,
        &ReviewController::selectedCountryForReviewRatingsChangedAction);

    searchField_ = new XFSearchField(this);
    searchField_->setAccessibleName(tr("Search reviews"));
    searchField_->setPlaceholderText(tr("Search"));
    searchField_->setExpandedWidth(150);
    searchField_->setDelegate(this);
    searchField_->installEventFilter(this);
    connect(searchField_, &QLineEdit::textChanged, this, &ReviewController::searchAction);
    connect(searchField_, &QLineEdit::editingFinished, this, [this] {
        if (!searchField_->isCollapsed() && searchField_->text().isEmpty())
            searchField_->setIsCollapsed(true);
    });

    // Shown for products with reviews from App Store Connect, the only ones
    // that can be answered.
    unansweredButton_ = new QToolButton(this);
    unansweredButton_->setText(tr("Unanswered"));
    unansweredButton_->setAccessibleName(tr("Only unanswered reviews"));
    unansweredButton_->setCheckable(true);
    unansweredButton_->hide();
    connect(unansweredButton_, &QToolButton::toggled, this, &ReviewController::unansweredAction);

    auto *bar = new QHBoxLayout;
    bar->addWidget(versionPopUpButton_);
    bar->addWidget(countriesPopUpButton_);
    bar->addWidget(unansweredButton_);
    bar->addStretch();
    bar->addWidget(searchField_);

    gapNotice_ = new QLabel(this);
    gapNotice_->setAccessibleName(tr("Missing reviews"));
    gapNotice_->setWordWrap(true);
    gapNotice_->setForegroundRole(QPalette::BrightText);
    gapNotice_->setBackgroundRole(QPalette::Highlight);
    gapNotice_->setAutoFillBackground(true);
    gapNotice_->setMargin(4);
    gapNotice_->hide();

    tableView_ = new QTableView(this);
    tableView_->setAccessibleName(tr("Review list"));
    tableView_->setModel(model_);
    tableView_->setItemDelegateForColumn(
        ReviewListModel::Stars, new RankingIndicatorDelegate(tableView_));
    tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView_->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView_->setShowGrid(false);
    tableView_->setAlternatingRowColors(true);
    tableView_->setWordWrap(false);
    tableView_->setContextMenuPolicy(Qt::CustomContextMenu);
    tableView_->verticalHeader()->hide();
    // Fixed heights keep the view from measuring 50,000 rows.
    tableView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableView_->verticalHeader()->setDefaultSectionSize(tableView_->fontMetrics().height() + 6);
    QHeaderView *header = tableView_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    // The title takes what the other columns leave, so that nothing
    // scrolls sideways in a window of the usual width.
    header->setMinimumSectionSize(20);
    header->resizeSection(ReviewListModel::Unread, 24);
    header->resizeSection(ReviewListModel::Date, 150);
    // Five stars as tall as the text, and the delegate's margins.
    header->resizeSection(ReviewListModel::Stars, 5 * tableView_->fontMetrics().height() + 12);
    header->resizeSection(ReviewListModel::Reviewer, 120);
    header->resizeSection(ReviewListModel::Version, 64);
    header->resizeSection(ReviewListModel::Country, 120);
    header->resizeSection(ReviewListModel::Votes, 56);
    header->setSectionResizeMode(ReviewListModel::Title, QHeaderView::Stretch);
    connect(tableView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &ReviewController::tableViewSelectionDidChange);
    connect(tableView_, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex &index) { doubleClickAction(index.row()); });
    connect(tableView_, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        // Enter opens the review; a double click arrives through doubleClicked.
        if (QApplication::mouseButtons() == Qt::NoButton)
            doubleClickAction(index.row());
    });
    connect(tableView_, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        openContextMenu(tableView_->indexAt(pos).row(), tableView_->viewport()->mapToGlobal(pos));
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        showSelectedReview();
        updateGapNotice();
    });

    contextMenu_ = new QMenu(ContextMenuTitle, this);
    contextMenu_->setAccessibleName(tr("Review actions"));
    connect(contextMenu_, &QMenu::aboutToShow, this, &ReviewController::menuWillOpen);
    connect(contextMenu_, &QMenu::aboutToHide, this, &ReviewController::menuDidClose);

    reviewTextFont_ = QApplication::font("QLabel");
    reviewTextFont_.setPointSizeF(13.0);
    reviewTextView_ = new QTextEdit(this);
    reviewTextView_->setAccessibleName(tr("Review text"));
    reviewTextView_->setReadOnly(true);
    reviewTextView_->setFont(reviewTextFont_);
    reviewTextView_->document()->setDefaultFont(reviewTextFont_);
    reviewTextView_->setTextInteractionFlags(Qt::TextBrowserInteraction);

    smileyTextField_ = new QLabel(this);
    smileyTextField_->setAccessibleName(tr("Mood"));
    QFont smileyFont = smileyTextField_->font();
    smileyFont.setPointSizeF(20.0);
    smileyTextField_->setFont(smileyFont);
    smileyTextField_->hide();
    // The smiley fades out rather than vanishing.
    auto *smileyOpacity = new QGraphicsOpacityEffect(smileyTextField_);
    smileyTextField_->setGraphicsEffect(smileyOpacity);
    smileyFade_ = new QPropertyAnimation(smileyOpacity, "opacity", this);
    smileyFade_->setDuration(250);
    smileyFade_->setStartValue(1.0);
    smileyFade_->setEndValue(0.0);
    connect(smileyFade_, &QPropertyAnimation::finished, smileyTextField_, &QWidget::hide);

    translateButton_ = new QToolButton(this);
    translateButton_->setText(tr("Translate"));
    translateButton_->setAccessibleName(tr("Translate review"));
    translateButton_->setCheckable(true);
    translateButton_->setEnabled(false);
    connect(translateButton_, &QToolButton::clicked, this, &ReviewController::translateAction);

    replyPane_ = new ReplyPane(context_, this);
    connect(replyPane_, &ReplyPane::replied, this, [this] { showSelectedReview(); });

    auto *foot = new QHBoxLayout;
    foot->addWidget(smileyTextField_);
    foot->addStretch();
    foot->addWidget(replyPane_->replyButton());
    foot->addWidget(replyPane_->deleteButton());
    foot->addWidget(translateButton_);

    auto *reading = new QWidget(this);
    auto *readingLayout = new QVBoxLayout(reading);
    readingLayout->setContentsMargins(0, 0, 0, 0);
    readingLayout->addWidget(reviewTextView_, 1);
    readingLayout->addLayout(foot);

    weekChart_ = new ReviewsPerWeekChart(this);
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(tableView_);
    splitter_->addWidget(reading);
    splitter_->addWidget(weekChart_);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 2);
    splitter_->setStretchFactor(2, 0);
    // The chart starts low, a summary under the reading; dragging the
    // handle gives it more.
    weekChart_->setMinimumHeight(8 * fontMetrics().height());
    splitter_->setSizes({300, 150, 16 * fontMetrics().height()});

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(gapNotice_);
    layout->addWidget(splitter_, 1);

    setTabOrder(versionPopUpButton_, countriesPopUpButton_);
    setTabOrder(countriesPopUpButton_, unansweredButton_);
    setTabOrder(unansweredButton_, searchField_);
    setTabOrder(searchField_, tableView_);
    setTabOrder(tableView_, reviewTextView_);
    setTabOrder(reviewTextView_, replyPane_->replyButton());
    setTabOrder(replyPane_->replyButton(), replyPane_->deleteButton());
    setTabOrder(replyPane_->deleteButton(), translateButton_);
    setTabOrder(translateButton_, weekChart_->saveButton());
    setTabOrder(weekChart_->saveButton(), weekChart_->chartView());
}

QString ReviewController::sortDefaultsKey()
{
    return Preference::sortDescriptorsKey(AutosaveName);
}

double ReviewController::clampedMarkReadDelay(double keyRepeatDelay)
{
    return std::clamp(keyRepeatDelay, 0.25, 1.0);
}

// --- Selection and menus ------------------------------------------------------

void ReviewController::mainOutlineViewSelectionDidChange()
{
    buildVersionsMenu();
    buildCountriesMenu();
    updateReviewRatingsFilterPredicate(nullptr);
    bool answerable = false;
    if (const auto product = selectedProduct_()) {
        FetchRequest connected(QStringLiteral("Review"));
        connected.predicate = Predicate::format(
            QStringLiteral("product == %@ AND connectIdentifier != nil"), product->objectID());
        connected.fetchLimit = 1;
        answerable = context_.countForFetchRequest(connected) > 0;
    }
    unansweredButton_->setVisible(answerable);
    if (!answerable && unansweredButton_->isChecked())
        unansweredButton_->setChecked(false);
}

void ReviewController::unansweredAction(bool unansweredOnly)
{
    model_->setUnansweredOnly(unansweredOnly);
}

void ReviewController::setNextKeyViewForView(QWidget *view)
{
    if (view)
        QWidget::setTabOrder(view, tableView_);
}

void ReviewController::buildVersionsMenu()
{
    QSignalBlocker blocker(versionPopUpButton_);
    versionPopUpButton_->clear();
    versionPopUpButton_->addItem(tr("All Versions"), Product::allValues);
    versionPopUpButton_->setCurrentIndex(0);
    const std::shared_ptr<Product> product = selectedProduct_ ? selectedProduct_() : nullptr;
    if (!std::dynamic_pointer_cast<App>(product))
        return;
    versionPopUpButton_->insertSeparator(1);
    for (const QString &version : model_->filter().versionsForProduct(*product)) {
        versionPopUpButton_->addItem(QStringLiteral("Version: %1").arg(version), version);
        if (version == product->selectedVersion())
            versionPopUpButton_->setCurrentIndex(versionPopUpButton_->count() - 1);
    }
}

void ReviewController::buildCountriesMenu()
{
    QSignalBlocker blocker(countriesPopUpButton_);
    countriesPopUpButton_->clear();
    countriesPopUpButton_->addItem(tr("All Countries"), Product::allValues);
    countriesPopUpButton_->setCurrentIndex(0);
    const std::shared_ptr<Product> product = selectedProduct_ ? selectedProduct_() : nullptr;
    if (!product)
        return;
    countriesPopUpButton_->insertSeparator(1);
    QList<std::pair<QString, QString>> countries;
    for (const QString &code : model_->filter().countryCodesForProduct(*product))
        countries.append({Country::localizedName(code), code});
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(countries.begin(), countries.end(), [&collator](const auto &a, const auto &b) {
        return collator.compare(a.first, b.first) < 0;
    });
    for (const auto &[name, code] : countries) {
        countriesPopUpButton_->addItem(name, code);
        if (code == product->selectedCountryCode())
            countriesPopUpButton_->setCurrentIndex(countriesPopUpButton_->count() - 1);
    }
}

void ReviewController::selectedVersionForReviewRatingsChangedAction(int item)
{
    const std::shared_ptr<Product> product = selectedProduct_ ? selectedProduct_() : nullptr;
    const QString version = versionPopUpButton_->itemData(item).toString();
    if (model_->filter().selectVersion(product, version)) {
        updateReviewRatingsFilterPredicate(product);
        saveAction();
    }
}

void ReviewController::selectedCountryForReviewRatingsChangedAction(int item)
{
    const std::shared_ptr<Product> product = selectedProduct_ ? selectedProduct_() : nullptr;
    const QString code = countriesPopUpButton_->itemData(item).toString();
    if (model_->filter().selectCountryCode(product, code)) {
        updateReviewRatingsFilterPredicate(product);
        saveAction();
    }
}

void ReviewController::updateReviewRatingsFilterPredicate(const std::shared_ptr<Product> &product)
{
    std::shared_ptr<Product> shown = product;
    if (!shown && selectedProduct_)
        shown = selectedProduct_();
    model_->filter().searchAction(searchField_->text());
    model_->setProduct(shown);
    weekChart_->setProduct(shown);
}

void ReviewController::searchAction()
{
    model_->setSearchText(searchField_->text());
}

void ReviewController::selectSearchAction()
{
    if (searchField_->isCollapsed())
        searchField_->setIsCollapsed(false);
    searchField_->setFocus(Qt::ShortcutFocusReason);
}

bool ReviewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == searchField_ && event->type() == QEvent::FocusIn && searchField_->isCollapsed())
        searchField_->setIsCollapsed(false);
    return QWidget::eventFilter(watched, event);
}

// --- Selection -----------------------------------------------------------------

int ReviewController::selectedRow() const
{
    const QModelIndexList rows = tableView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

std::shared_ptr<Review> ReviewController::selectedReview() const
{
    return model_->reviewAt(selectedRow());
}

void ReviewController::tableViewSelectionDidChange()
{
    showSelectedReview();
    const int row = selectedRow();
    if (row < 0)
        return;
    if (!tableContextMenuIsOpen_) {
        // Earlier requests stay: each checks its row when it fires.
        pendingMarkRead_ = Clock::shared().callAfter(
            seconds(markReadDelay()), [this, row] { markReadAction(row); }, this);
    }
    if (const auto review = model_->reviewAt(row)) {
        smileyFade_->stop();
        static_cast<QGraphicsOpacityEffect *>(smileyTextField_->graphicsEffect())->setOpacity(1.0);
        smileyTextField_->setText(review->reviewSmiley());
        smileyTextField_->show();
        Clock::shared().withdraw(pendingHideSmiley_);
        pendingHideSmiley_ = Clock::shared().callAfter(
            seconds(SmileySeconds), [this] { hideSmiley(); }, this);
    }
}

void ReviewController::showSelectedReview()
{
    const std::shared_ptr<Review> review = selectedReview();
    reviewTextView_->setCurrentFont(reviewTextFont_);
    reviewTextView_->setPlainText(review ? QString::fromUtf8(review->displayData()) : QString());
    if (review) {
        QTextCursor cursor(reviewTextView_->document());
        cursor.movePosition(QTextCursor::End);
        const QColor detail = reviewTextView_->palette().color(QPalette::PlaceholderText);
        if (const auto reply = review->reply())
            appendReply(cursor, *reply, detail);
        appendEarlierVersions(cursor, review->previousVersions(), detail);
    }
    replyPane_->showReview(review);
    QSignalBlocker blocker(translateButton_);
    translateButton_->setEnabled(review != nullptr);
    translateButton_->setChecked(review && !review->translatedLanguageCode().isEmpty());
}

void ReviewController::hideSmiley()
{
    if (smileyTextField_->isVisible())
        smileyFade_->start();
}

// --- Marking -----------------------------------------------------------------------

void ReviewController::markReadAction(int row)
{
    if (row != selectedRow() || tableContextMenuIsOpen_)
        return;
    const std::shared_ptr<Review> review = model_->reviewAt(row);
    if (!review || review->read().value_or(false))
        return;
    review->setRead(true);
    model_->rowsChanged(row, row);
    saveAction();
}

void ReviewController::toggleReadAction(const std::shared_ptr<Review> &review)
{
    if (!review)
        return;
    review->setRead(!review->read().value_or(false));
    const int row = model_->rowForID(review->objectID());
    model_->rowsChanged(row, row);
    saveAction();
}

void ReviewController::markAllReadAction(bool read)
{
    model_->setReadOfListed(read);
    saveAction();
}

void ReviewController::saveAction()
{
    Error error;
    if (!context_.save(&error))
        logLine(QStringLiteral("Review list: saving failed: %1").arg(error.debugDescription()));
    Q_EMIT readStateChanged();
}

// --- Context menu ------------------------------------------------------------------

void ReviewController::openContextMenu(int row, const QPoint &globalPos)
{
    clickedRow_ = row;
    menuNeedsUpdate();
    if (!contextMenu_->isEmpty())
        contextMenu_->popup(globalPos);
}

void ReviewController::menuNeedsUpdate()
{
    contextMenu_->clear();
    const std::shared_ptr<Review> review = model_->reviewAt(clickedRow_);
    if (!review)
        return;
    const std::weak_ptr<Review> weak = review;
    const bool read = review->read().value_or(false);
    QAction *toggle = contextMenu_->addAction(read ? tr("Mark Unread") : tr("Mark Read"));
    connect(toggle, &QAction::triggered, this, [this, weak] { toggleReadAction(weak.lock()); });
    contextMenu_->addSeparator();
    QAction *all = contextMenu_->addAction(tr("Mark All as Read"));
    all->setData(1);
    connect(all, &QAction::triggered, this, [this] { markAllReadAction(true); });
    QAction *none = contextMenu_->addAction(tr("Mark All as Unread"));
    none->setData(0);
    connect(none, &QAction::triggered, this, [this] { markAllReadAction(false); });
    contextMenu_->addSeparator();
    const int row = clickedRow_;
    QAction *open = contextMenu_->addAction(tr("Open in Browser"));
    connect(open, &QAction::triggered, this, [this, row] { doubleClickAction(row); });
}

void ReviewController::menuWillOpen()
{
    Clock::shared().withdraw(pendingMarkRead_);
    tableContextMenuIsOpen_ = true;
}

void ReviewController::menuDidClose()
{
    tableContextMenuIsOpen_ = false;
}

// --- Opening, copying, translating -------------------------------------------------

void ReviewController::doubleClickAction(int clickedRow)
{
    const int row = clickedRow >= 0 ? clickedRow : selectedRow();
    const std::shared_ptr<Review> review = model_->reviewAt(row);
    if (!review || !review->product())
        return;
    const QUrl url = review->product()->urlForCountryCode(review->countryCode());
    if (url.isValid() && !UrlOpener::open(url, UrlOpener::Origin::Network))
        logLine(QStringLiteral("Review list: not opening %1").arg(url.toDisplayString()));
}

void ReviewController::copyAction()
{
    const std::shared_ptr<Review> review = selectedReview();
    if (!review)
        return;
    QApplication::clipboard()->setText(
        review->displayTitle() + QStringLiteral("\n\n") + QString::fromUtf8(review->displayData()));
}

void ReviewController::translateAction()
{
    const std::shared_ptr<Review> review = selectedReview();
    if (!review)
        return;
    const QString code = translateButton_->isChecked()
        ? UserDefaults::standard().stringForKey(Preference::TranslationLanguageCode)
        : QString();
    QPointer<ReviewController> self(this);
    const std::weak_ptr<Review> weak = review;
    review->translateTo(code, [self, weak](const Error &error) {
        if (!self)
            return;
        // Shown once; the toggle then shows the original again, and nothing
        // was stored. A cancelled request was the user's own doing.
        if (error && error.code() != URLError::Cancelled)
            Presenter::shared().presentError(error);
        const auto translated = weak.lock();
        if (translated && translated == self->selectedReview())
            self->showSelectedReview();
        const int row = translated ? self->model_->rowForID(translated->objectID()) : -1;
        self->model_->rowsChanged(row, row);
        self->saveAction();
    });
}

// --- Sort ----------------------------------------------------------------------------

void ReviewController::setSortDescriptorsForTableview()
{
    QList<SortDescriptor> order;
    for (const SortDescriptor &sort : SortDescriptorArchive::unarchive(
             UserDefaults::standard().stringArrayForKey(sortDefaultsKey()))) {
        if (ReviewListModel::columnForSortKey(sort.key) >= 0)
            order.append(sort);
    }
    if (order.isEmpty())
        order = {{ReviewListModel::sortKeyForColumn(ReviewListModel::Date), false}};
    model_->filter().setSortDescriptors(order);
    QHeaderView *header = tableView_->horizontalHeader();
    header->setSortIndicator(ReviewListModel::columnForSortKey(order.first().key),
        order.first().ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this,
        &ReviewController::tableViewSortDescriptorsDidChange);
}

void ReviewController::tableViewSortDescriptorsDidChange(int column, Qt::SortOrder order)
{
    model_->sort(column, order);
    UserDefaults::standard().setObject(
        SortDescriptorArchive::archive(model_->filter().sortDescriptors()), sortDefaultsKey());
}

// --- Gaps ----------------------------------------------------------------------------

QString ReviewController::gapNoticeText(const Product &product, const QString &countryCode)
{
    QStringList lines;
    const QLocale locale;
    for (const std::shared_ptr<ReviewGap> &gap : product.reviewGaps()) {
        if (countryCode != Product::allValues && !countryCode.isEmpty()
            && gap->countryCode() != countryCode)
            continue;
        lines << tr("Reviews in %1 from %2 to %3 may be missing.")
                     .arg(Country::localizedName(gap->countryCode()),
                         locale.toString(gap->toDate().toLocalTime().date(), QLocale::ShortFormat),
                         locale.toString(
                             gap->fromDate().toLocalTime().date(), QLocale::ShortFormat));
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
}

void ReviewController::updateGapNotice()
{
    const std::shared_ptr<Product> product = model_->product();
    const QString text =
        product ? gapNoticeText(*product, product->selectedCountryCode()) : QString();
    gapNotice_->setText(text);
    gapNotice_->setVisible(!text.isEmpty());
}

// --- Menu actions ----------------------------------------------------------------------

bool ReviewController::respondsToAction(const QString &action) const
{
    static const QStringList actions {QStringLiteral("markAllReadAction"),
        QStringLiteral("markAllUnreadAction"), QStringLiteral("copy"),
        QStringLiteral("performFindPanelAction"), QStringLiteral("openInBrowserAction")};
    return actions.contains(action);
}

void ReviewController::performAction(const QString &action, const QVariant &sender)
{
    Q_UNUSED(sender);
    if (action == QLatin1String("markAllReadAction"))
        markAllReadAction(true);
    else if (action == QLatin1String("markAllUnreadAction"))
        markAllReadAction(false);
    else if (action == QLatin1String("copy"))
        copyAction();
    else if (action == QLatin1String("performFindPanelAction"))
        selectSearchAction();
    else if (action == QLatin1String("openInBrowserAction"))
        doubleClickAction();
}

bool ReviewController::validateAction(const QString &action, QAction *item)
{
    Q_UNUSED(item);
    if (action == QLatin1String("markAllReadAction")
        || action == QLatin1String("markAllUnreadAction"))
        return model_->listedCount() > 0;
    if (action == QLatin1String("copy") || action == QLatin1String("openInBrowserAction"))
        return selectedRow() >= 0;
    return respondsToAction(action);
}
