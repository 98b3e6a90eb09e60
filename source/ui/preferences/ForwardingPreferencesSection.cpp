#include "ui/preferences/ForwardingPreferencesSection.h"

#include "forward/ForwardDestinations.h"
#include "forward/Forwarder.h"
#include "model/ForwardDestination.h"
#include "platform/StringFormat.h"
#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedObjectContext.h"
#include "ui/preferences/ForwardDestinationsModel.h"

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

bool isForwarding(const ObjectID &id)
{
    return id.entity
        && (id.entity->name() == QLatin1String("ForwardDestination")
            || id.entity->name() == QLatin1String("OutboxEntry"));
}

} // namespace

ForwardingPreferencesSection::ForwardingPreferencesSection(ManagedObjectContext &context,
    Forwarder *forwarder, std::function<void()> save, QObject *parent)
    : QObject(parent), context_(context), forwarder_(forwarder), save_(std::move(save))
{
    model_ = new ForwardDestinationsModel(context_, this);
    buildView();
    // Deliveries change states and waiting counts; reviews arriving by the
    // hundred are not looked at.
    context_.observeChanges(this, [this](const ChangeNotification &changes) {
        bool forwarding =
            std::any_of(changes.inserted.cbegin(), changes.inserted.cend(), isForwarding)
            || std::any_of(changes.deleted.cbegin(), changes.deleted.cend(), isForwarding);
        for (auto it = changes.updated.cbegin(); it != changes.updated.cend() && !forwarding; ++it)
            forwarding = isForwarding(it.key());
        if (!forwarding || reloadPending_)
            return;
        reloadPending_ = true;
        QTimer::singleShot(0, this, [this] { reload(); });
    });
    selectionChanged();
}

ForwardingPreferencesSection::~ForwardingPreferencesSection()
{
    if (view_ && !view_->parent())
        delete view_;
}

void ForwardingPreferencesSection::buildView()
{
    view_ = new QWidget;
    view_->setAccessibleName(localized("ForwardingPreferencesSection", "Forwarding"));
    auto *layout = new QVBoxLayout(view_);
    auto *intro = new QLabel(localized("ForwardingPreferencesSection",
        "New reviews are posted to these destinations at the end of each update."));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    tableView_ = new QTableView;
    tableView_->setModel(model_);
    tableView_->setAccessibleName(
        localized("ForwardingPreferencesSection", "Forwarding Destinations"));
    tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView_->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView_->setTabKeyNavigation(false);
    tableView_->verticalHeader()->hide();
    tableView_->setWordWrap(false);
    QHeaderView *header = tableView_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ForwardDestinationsModel::Rules, QHeaderView::Stretch);
    tableView_->installEventFilter(this);
    connect(tableView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &ForwardingPreferencesSection::selectionChanged);
    connect(
        tableView_, &QTableView::doubleClicked, this, &ForwardingPreferencesSection::editAction);
    layout->addWidget(tableView_);

    auto *buttons = new QHBoxLayout;
    const auto addButton = [&](const QString &title, const QString &name,
                               void (ForwardingPreferencesSection::*action)()) {
        auto *button = new QPushButton(title);
        button->setAccessibleName(name);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
        return button;
    };
    addButton_ = addButton(localized("ForwardingPreferencesSection", "Add…"),
        localized("ForwardingPreferencesSection", "Add a destination"),
        &ForwardingPreferencesSection::addAction);
    editButton_ = addButton(localized("ForwardingPreferencesSection", "Edit…"),
        localized("ForwardingPreferencesSection", "Edit the destination"),
        &ForwardingPreferencesSection::editAction);
    removeButton_ = addButton(localized("ForwardingPreferencesSection", "Remove"),
        localized("ForwardingPreferencesSection", "Remove the destination"),
        &ForwardingPreferencesSection::removeAction);
    testButton_ = addButton(localized("ForwardingPreferencesSection", "Test"),
        localized("ForwardingPreferencesSection", "Send a test message"),
        &ForwardingPreferencesSection::testAction);
    buttons->addStretch();
    layout->addLayout(buttons);

    statusLabel_ = new QLabel;
    statusLabel_->setWordWrap(true);
    statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    statusLabel_->setAccessibleName(localized("ForwardingPreferencesSection", "Forwarding Status"));
    layout->addWidget(statusLabel_);

    QWidget::setTabOrder(tableView_, addButton_);
    QWidget::setTabOrder(addButton_, editButton_);
    QWidget::setTabOrder(editButton_, removeButton_);
    QWidget::setTabOrder(removeButton_, testButton_);
    QWidget::setTabOrder(testButton_, statusLabel_);
    view_->setFocusProxy(tableView_);
}

bool ForwardingPreferencesSection::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tableView_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Delete || key == Qt::Key_Backspace) && selectedDestination()) {
            removeAction();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ForwardingPreferencesSection::reload()
{
    reloadPending_ = false;
    const auto selected = selectedDestination();
    const qint64 number = selected ? selected->number() : 0;
    // The status stays while the list is read again.
    reloading_ = true;
    model_->reload();
    const int row = model_->rowOfNumber(number);
    if (row >= 0)
        tableView_->selectRow(row);
    selectionChanged();
    reloading_ = false;
}

std::shared_ptr<ForwardDestination> ForwardingPreferencesSection::selectedDestination() const
{
    const QModelIndexList rows = tableView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : model_->destinationAt(rows.first().row());
}

void ForwardingPreferencesSection::selectionChanged()
{
    const auto destination = selectedDestination();
    for (QPushButton *button : {editButton_, removeButton_})
        button->setEnabled(destination != nullptr);
    testButton_->setEnabled(destination && forwarder_);
    // A row chosen shows why it is paused, or nothing; a reload keeps what
    // the status says unless the row paused meanwhile.
    if (destination && (!reloading_ || !destination->pausedReason().isEmpty()))
        setStatus(destination->pausedReason());
}

void ForwardingPreferencesSection::setStatus(const QString &text)
{
    statusLabel_->setText(text);
    statusLabel_->setAccessibleDescription(text);
}

void ForwardingPreferencesSection::addAction()
{
    if (editor_) {
        editor_->raise();
        editor_->activateWindow();
        return;
    }
    editor_ = new ForwardDestinationEditor(
        ForwardDestinationEditor::Mode::Add, context_, view_->window());
    editor_->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor_, &QDialog::accepted, this, [this] { editorAccepted(nullptr); });
    editor_->show();
}

void ForwardingPreferencesSection::editAction()
{
    const auto destination = selectedDestination();
    if (!destination)
        return;
    if (editor_) {
        editor_->raise();
        editor_->activateWindow();
        return;
    }
    editor_ = new ForwardDestinationEditor(
        ForwardDestinationEditor::Mode::Edit, context_, view_->window());
    editor_->setAttribute(Qt::WA_DeleteOnClose);
    editor_->setWindowTitle(
        formatString(localized("ForwardingPreferencesSection", "Edit Destination %ld (%@)"),
            destination->number(), destination->host()));
    editor_->setDestination(destination->kind(), destination->rules());
    connect(
        editor_, &QDialog::accepted, this, [this, destination] { editorAccepted(destination); });
    editor_->show();
}

void ForwardingPreferencesSection::editorAccepted(const std::shared_ptr<ForwardDestination> &edited)
{
    const QString kind = editor_->kind();
    const ForwardRules rules = editor_->rules();
    const std::optional<ForwardSecrets::Secret> secret = editor_->secret();
    const QDateTime since = editor_->since();
    const QString signingSecret =
        kind == QLatin1String("webhook") ? editor_->signingSecretField()->text() : QString();
    QPointer<ForwardingPreferencesSection> self(this);
    if (!edited) {
        setStatus(localized("ForwardingPreferencesSection", "Keeping the address…"));
        ForwardDestinations::add(context_, kind, *secret, rules, since,
            [self](const auto &destination, ForwardSecrets::Place place, const Error &error) {
                if (self)
                    self->showSaved(destination, place, error, true, true);
            });
        return;
    }
    if (!edited->managedObjectContext() || edited->isDeleted()) {
        setStatus(
            localized("ForwardingPreferencesSection", "The destination was removed meanwhile."));
        return;
    }
    const QString address = secret ? secret->address : QString();
    ForwardDestinations::change(edited, kind, address, signingSecret, rules,
        [self, kept = !address.isEmpty() || !signingSecret.isEmpty()](
            const auto &destination, ForwardSecrets::Place place, const Error &error) {
            if (self)
                self->showSaved(destination, place, error, false, kept);
        });
}

void ForwardingPreferencesSection::showSaved(const std::shared_ptr<ForwardDestination> &destination,
    ForwardSecrets::Place place, const Error &error, bool added, bool keptAddress)
{
    if (!destination) {
        setStatus(error.localizedDescription());
        Q_EMIT finished(error);
        return;
    }
    if (save_)
        save_();
    reload();
    tableView_->selectRow(model_->rowOfNumber(destination->number()));
    QStringList lines {formatString(added
            ? localized("ForwardingPreferencesSection", "Destination %ld is added: %@.")
            : localized("ForwardingPreferencesSection", "Destination %ld is changed: %@."),
        destination->number(), destination->rules().summary())};
    if (keptAddress)
        lines << (place == ForwardSecrets::Place::File
                ? formatString(localized("ForwardingPreferencesSection",
                                   "No secret service runs: its address is kept in %@, readable "
                                   "only by you."),
                    ForwardSecrets::filePath())
                : localized(
                    "ForwardingPreferencesSection", "Its address is kept in the secret service."));
    if (const qint64 waiting = ForwardDestinations::waitingCount(*destination);
        added && waiting > 0)
        lines << formatString(localized("ForwardingPreferencesSection",
                                  "%ld stored reviews wait for the next update."),
            waiting);
    if (error)
        lines << error.localizedDescription();
    setStatus(lines.join(QLatin1Char(' ')));
    Q_EMIT finished(error);
}

void ForwardingPreferencesSection::removeAction()
{
    const auto destination = selectedDestination();
    if (!destination)
        return;
    const qint64 number = destination->number();
    const qint64 waiting = ForwardDestinations::waitingCount(*destination);
    QPointer<ForwardingPreferencesSection> self(this);
    ForwardDestinations::remove(context_, destination, [self, number, waiting](const Error &error) {
        if (!self)
            return;
        if (self->save_)
            self->save_();
        self->reload();
        QString text = waiting > 0
            ? formatString(localized("ForwardingPreferencesSection",
                               "Destination %ld is removed, with %ld reviews that waited for it."),
                number, waiting)
            : formatString(
                localized("ForwardingPreferencesSection", "Destination %ld is removed."), number);
        if (error)
            text += QLatin1Char(' ') + error.localizedDescription();
        self->setStatus(text);
        Q_EMIT self->finished(error);
    });
}

void ForwardingPreferencesSection::testAction()
{
    const auto destination = selectedDestination();
    if (!destination || !forwarder_)
        return;
    testButton_->setEnabled(false);
    setStatus(
        formatString(localized("ForwardingPreferencesSection", "Sending a test message to %@…"),
            destination->host()));
    QPointer<ForwardingPreferencesSection> self(this);
    forwarder_->test(destination, [self](bool delivered, const QString &answer) {
        if (!self)
            return;
        // A delivered test resumes a paused destination.
        self->reload();
        self->setStatus(answer);
        Q_EMIT self->finished(delivered ? Error()
                                        : Error(QStringLiteral("Forwarding"), 1,
                                            {{Error::LocalizedDescriptionKey, answer}}));
    });
}
