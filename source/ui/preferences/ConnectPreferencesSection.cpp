#include "ui/preferences/ConnectPreferencesSection.h"

#include "net/AppStoreConnectAccount.h"
#include "net/AppStoreConnectClient.h"
#include "platform/PreferenceKeys.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

ConnectPreferencesSection::ConnectPreferencesSection(ListFunction list, QObject *parent)
    : QObject(parent), list_(std::move(list))
{
    if (!list_) {
        list_ = [](const AppStoreConnectKey &key, AppsCompletion completion) {
            auto client = std::make_shared<AppStoreConnectClient>();
            client->setKey(key);
            // The client lives until its answer came.
            client->apps([client, completion](
                             const auto &apps, const Error &error) { completion(apps, error); });
        };
    }
    buildView();
    reload();
}

ConnectPreferencesSection::~ConnectPreferencesSection()
{
    if (view_ && !view_->parent())
        delete view_;
}

void ConnectPreferencesSection::buildView()
{
    view_ = new QGroupBox(localized("ConnectPreferencesSection", "App Store Connect"));
    view_->setAccessibleName(view_->title());
    auto *form = new QFormLayout(view_);

    issuerField_ = new QLineEdit;
    issuerField_->setAccessibleName(localized("ConnectPreferencesSection", "Issuer ID"));
    issuerField_->setPlaceholderText(localized("ConnectPreferencesSection", "shown above the keys"));
    form->addRow(localized("ConnectPreferencesSection", "Issuer ID:"), issuerField_);
    keyIDField_ = new QLineEdit;
    keyIDField_->setAccessibleName(localized("ConnectPreferencesSection", "Key ID"));
    form->addRow(localized("ConnectPreferencesSection", "Key ID:"), keyIDField_);

    auto *buttons = new QHBoxLayout;
    chooseButton_ = new QPushButton(localized("ConnectPreferencesSection", "Choose Key File…"));
    chooseButton_->setAccessibleName(localized("ConnectPreferencesSection", "Choose the key's .p8 file"));
    connect(chooseButton_, &QPushButton::clicked, this,
        &ConnectPreferencesSection::chooseKeyFileAction);
    testButton_ = new QPushButton(localized("ConnectPreferencesSection", "Test"));
    testButton_->setAccessibleName(localized("ConnectPreferencesSection", "Test the App Store Connect key"));
    connect(testButton_, &QPushButton::clicked, this, &ConnectPreferencesSection::testAction);
    disconnectButton_ = new QPushButton(localized("ConnectPreferencesSection", "Disconnect"));
    disconnectButton_->setAccessibleName(localized("ConnectPreferencesSection", "Forget the App Store Connect key"));
    connect(disconnectButton_, &QPushButton::clicked, this,
        &ConnectPreferencesSection::disconnectAction);
    buttons->addWidget(chooseButton_);
    buttons->addWidget(testButton_);
    buttons->addWidget(disconnectButton_);
    buttons->addStretch();
    form->addRow(buttons);

    statusLabel_ = new QLabel;
    statusLabel_->setWordWrap(true);
    statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusLabel_->setAccessibleName(localized("ConnectPreferencesSection", "App Store Connect Status"));
    form->addRow(statusLabel_);

    QWidget::setTabOrder(issuerField_, keyIDField_);
    QWidget::setTabOrder(keyIDField_, chooseButton_);
    QWidget::setTabOrder(chooseButton_, testButton_);
    QWidget::setTabOrder(testButton_, disconnectButton_);
}

void ConnectPreferencesSection::reload()
{
    const UserDefaults &defaults = UserDefaults::standard();
    issuerField_->setText(defaults.stringForKey(Preference::AppStoreConnectIssuerID));
    keyIDField_->setText(defaults.stringForKey(Preference::AppStoreConnectKeyID));
    const bool connected = AppStoreConnectAccount::hasStoredIdentifiers();
    disconnectButton_->setEnabled(connected);
    if (AppStoreConnectAccount::keyFromEnvironment())
        setStatus(formatString(localized("ConnectPreferencesSection",
                                   "The key that %@ names is used; it stands in for this one."),
                      QString::fromLatin1(AppStoreConnectAccount::keyFileVariable)),
            false);
    else
        setStatus(connected ? localized("ConnectPreferencesSection", "A key is connected.")
                            : localized("ConnectPreferencesSection",
                                "Connect a team key to read every review of your own apps and "
                                "reply to them."),
            false);
}

void ConnectPreferencesSection::setStatus(const QString &text, bool isError)
{
    statusLabel_->setText(text);
    statusLabel_->setForegroundRole(isError ? QPalette::BrightText : QPalette::WindowText);
    statusLabel_->setAccessibleDescription(text);
}

void ConnectPreferencesSection::showApps(const QList<AppStoreConnectApp> &apps)
{
    QStringList names;
    for (const AppStoreConnectApp &app : apps)
        names << (app.name.isEmpty() ? app.identifier : app.name);
    const QString list = names.join(QStringLiteral(", "));
    if (apps.isEmpty())
        setStatus(localized("ConnectPreferencesSection", "The key works, but it sees no apps."), false);
    else if (apps.size() == 1)
        setStatus(formatString(localized("ConnectPreferencesSection", "The key sees one app: %@."), list), false);
    else
        setStatus(formatString(localized("ConnectPreferencesSection", "The key sees %ld apps: %@."),
                      qint64(apps.size()), list),
            false);
}

void ConnectPreferencesSection::chooseKeyFileAction()
{
    auto *dialog = new QFileDialog(view_, localized("ConnectPreferencesSection", "Choose the App Store Connect Key"),
        QString(), localized("ConnectPreferencesSection", "App Store Connect keys (*.p8)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(
        dialog, &QFileDialog::fileSelected, this, &ConnectPreferencesSection::keyFileChosenAction);
    dialog->open();
}

void ConnectPreferencesSection::keyFileChosenAction(const QString &path)
{
    const AppStoreConnectKey partial {
        issuerField_->text().trimmed(), keyIDField_->text().trimmed(), {}};
    if (partial.issuerID.isEmpty() || partial.keyID.isEmpty()) {
        setStatus(localized("ConnectPreferencesSection", "Enter the issuer ID and the key ID first."), true);
        return;
    }
    Error error;
    const auto pem = AppStoreConnectAccount::readKeyFile(path, &error);
    if (!pem) {
        setStatus(
            error.localizedDescription() + QLatin1Char(' ') + error.localizedFailureReason(), true);
        Q_EMIT finished(error);
        return;
    }
    const AppStoreConnectKey key {partial.issuerID, partial.keyID, *pem};
    const quint64 generation = ++generation_;
    setStatus(localized("ConnectPreferencesSection", "Trying the key…"), false);
    QPointer<ConnectPreferencesSection> self(this);
    list_(key, [self, generation, key](const QList<AppStoreConnectApp> &apps, const Error &error) {
        if (!self || generation != self->generation_)
            return;
        if (error) {
            self->setStatus(error.localizedDescription(), true);
            Q_EMIT self->finished(error);
            return;
        }
        AppStoreConnectAccount::connect(key, [self, apps](const Error &keepError) {
            if (!self)
                return;
            self->disconnectButton_->setEnabled(!keepError);
            if (keepError)
                self->setStatus(keepError.localizedDescription(), true);
            else
                self->showApps(apps);
            Q_EMIT self->finished(keepError);
        });
    });
}

void ConnectPreferencesSection::withKey(std::function<void(const AppStoreConnectKey &key)> then)
{
    QPointer<ConnectPreferencesSection> self(this);
    AppStoreConnectAccount::loadKey(
        [self, then](const std::optional<AppStoreConnectKey> &key, const Error &error) {
            if (!self)
                return;
            if (!key) {
                self->setStatus(error
                        ? error.localizedDescription()
                        : localized("ConnectPreferencesSection", "No key is connected: choose its key file."),
                    true);
                Q_EMIT self->finished(error);
                return;
            }
            then(*key);
        });
}

void ConnectPreferencesSection::testAction()
{
    const quint64 generation = ++generation_;
    setStatus(localized("ConnectPreferencesSection", "Asking App Store Connect…"), false);
    QPointer<ConnectPreferencesSection> self(this);
    withKey([self, generation](const AppStoreConnectKey &key) {
        self->list_(
            key, [self, generation](const QList<AppStoreConnectApp> &apps, const Error &error) {
                if (!self || generation != self->generation_)
                    return;
                if (error)
                    self->setStatus(error.localizedDescription(), true);
                else
                    self->showApps(apps);
                Q_EMIT self->finished(error);
            });
    });
}

void ConnectPreferencesSection::disconnectAction()
{
    ++generation_;
    QPointer<ConnectPreferencesSection> self(this);
    AppStoreConnectAccount::disconnect([self](const Error &error) {
        if (!self)
            return;
        if (error)
            self->setStatus(error.localizedDescription(), true);
        else
            self->reload();
        Q_EMIT self->finished(error);
    });
}
