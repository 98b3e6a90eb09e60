#include "ui/preferences/TranslationPreferencesSection.h"

#include "net/TranslationProvider.h"
#include "net/Translator.h"
#include "platform/PreferenceKeys.h"
#include "platform/SecretStore.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

namespace {
// The preference holding each service's address; empty means its default.
QString addressKey(const QString &provider)
{
    static const QHash<QString, QString> keys {
        {QStringLiteral("DeepL"), Preference::DeepLServerURL},
        {QStringLiteral("Azure"), Preference::AzureTranslatorEndpoint},
        {QStringLiteral("LibreTranslate"), Preference::LibreTranslateURL},
        {QStringLiteral("MicrosoftV2"), Preference::TranslatorTranslateURL},
    };
    return keys.value(provider);
}

bool isServiceAddress(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}
} // namespace

const QString TranslationPreferencesSection::TestText =
    QStringLiteral("Good morning! The update works well.");

TranslationPreferencesSection::TranslationPreferencesSection(
    UserDefaults &defaults, SecretStore &secrets, TestFunction test, QObject *parent)
    : QObject(parent), defaults_(defaults), secrets_(secrets), test_(std::move(test))
{
    if (!test_) {
        test_ = [](const QString &text, const QString &to, TranslationCompletion completion) {
            Translator::sharedInstance().translateFrom(QString(), to, text, std::move(completion));
        };
    }
    buildView();
    // The key is read when the preferences are shown, not before: asking the
    // secret service may bring up its unlock prompt.
    showPreferences();
}

TranslationPreferencesSection::~TranslationPreferencesSection()
{
    // The view belongs to the preferences' layout when placed; alone it is ours.
    if (view_ && !view_->parent())
        delete view_;
}

void TranslationPreferencesSection::buildView()
{
    view_ = new QGroupBox(localized("TranslationPreferencesSection", "Translation"));
    view_->setAccessibleName(view_->title());
    auto *form = new QFormLayout(view_);

    providerPopUpButton_ = new QComboBox;
    providerPopUpButton_->setAccessibleName(localized("TranslationPreferencesSection", "Translation Service"));
    // Titled as the services' errors name them.
    for (const QString &name : Translator::providerNames())
        providerPopUpButton_->addItem(
            Translator::sharedInstance().provider(name)->serviceName(), name);
    connect(providerPopUpButton_, &QComboBox::activated, this,
        &TranslationPreferencesSection::providerSelectedAction);
    form->addRow(localized("TranslationPreferencesSection", "Service:"), providerPopUpButton_);

    keyField_ = new QLineEdit;
    keyField_->setEchoMode(QLineEdit::Password);
    keyField_->setAccessibleName(localized("TranslationPreferencesSection", "Key"));
    connect(keyField_, &QLineEdit::editingFinished, this,
        &TranslationPreferencesSection::keyEditedAction);
    keyLabel_ = new QLabel(localized("TranslationPreferencesSection", "Key:"));
    form->addRow(keyLabel_, keyField_);

    regionField_ = new QLineEdit;
    regionField_->setAccessibleName(localized("TranslationPreferencesSection", "Region"));
    regionField_->setPlaceholderText(localized("TranslationPreferencesSection", "none for a global resource"));
    connect(regionField_, &QLineEdit::editingFinished, this,
        &TranslationPreferencesSection::regionEditedAction);
    regionLabel_ = new QLabel(localized("TranslationPreferencesSection", "Region:"));
    form->addRow(regionLabel_, regionField_);

    addressField_ = new QLineEdit;
    addressField_->setAccessibleName(localized("TranslationPreferencesSection", "Address"));
    addressField_->setPlaceholderText(localized("TranslationPreferencesSection", "the service's own"));
    connect(addressField_, &QLineEdit::editingFinished, this,
        &TranslationPreferencesSection::addressEditedAction);
    addressLabel_ = new QLabel(localized("TranslationPreferencesSection", "Address:"));
    form->addRow(addressLabel_, addressField_);

    testButton_ = new QPushButton(localized("TranslationPreferencesSection", "Test"));
    testButton_->setAccessibleName(localized("TranslationPreferencesSection", "Test the translation service"));
    connect(testButton_, &QPushButton::clicked, this, &TranslationPreferencesSection::testAction);
    statusLabel_ = new QLabel;
    statusLabel_->setWordWrap(true);
    statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusLabel_->setAccessibleName(localized("TranslationPreferencesSection", "Test Result"));
    form->addRow(testButton_, statusLabel_);

    QWidget::setTabOrder(providerPopUpButton_, keyField_);
    QWidget::setTabOrder(keyField_, regionField_);
    QWidget::setTabOrder(regionField_, addressField_);
    QWidget::setTabOrder(addressField_, testButton_);
}

QString TranslationPreferencesSection::provider() const
{
    const QString name = defaults_.stringForKey(Preference::TranslationProvider);
    return Translator::providerNames().contains(name) ? name : Translator::defaultProvider;
}

void TranslationPreferencesSection::showPreferences()
{
    const QString name = provider();
    providerPopUpButton_->setCurrentIndex(providerPopUpButton_->findData(name));
    regionField_->setText(defaults_.stringForKey(Preference::AzureTranslatorRegion));
    addressField_->setText(defaults_.stringForKey(addressKey(name)));
    showFieldsForProvider();
    setStatus(QString(), false);
}

void TranslationPreferencesSection::reload()
{
    showPreferences();
    const QString name = provider();
    keyField_->clear();
    storedKey_.clear();
    const quint64 generation = ++generation_;
    secrets_.readSecret(Translator::secretName(name),
        [self = QPointer(this), generation](const QString &secret, const Error &error) {
            if (!self || generation != self->generation_)
                return;
            if (error.isError()) {
                self->setStatus(error.localizedDescription(), true);
                return;
            }
            // The user may have typed meanwhile; that stays.
            if (self->keyField_->text().isEmpty())
                self->keyField_->setText(secret);
            self->storedKey_ = secret;
        });
}

void TranslationPreferencesSection::showFieldsForProvider()
{
    const QString name = provider();
    const bool azure = name == QLatin1String("Azure");
    regionLabel_->setVisible(azure);
    regionField_->setVisible(azure);
    keyField_->setPlaceholderText(Translator::sharedInstance().provider(name)->requiresKey()
            ? QString()
            : localized("TranslationPreferencesSection", "only if the server asks for one"));
}

void TranslationPreferencesSection::providerSelectedAction(int index)
{
    const QString name = providerPopUpButton_->itemData(index).toString();
    if (name.isEmpty() || name == defaults_.stringForKey(Preference::TranslationProvider))
        return;
    defaults_.setString(name, Preference::TranslationProvider);
    reload();
}

void TranslationPreferencesSection::storeKey(std::function<void(const Error &)> then)
{
    const QString key = keyField_->text().trimmed();
    if (key == storedKey_) {
        then({});
        return;
    }
    const QString name = Translator::secretName(provider());
    auto done = [self = QPointer(this), key, then](const Error &error) {
        if (!self)
            return;
        if (error.isError())
            self->setStatus(error.localizedDescription(), true);
        else
            self->storedKey_ = key;
        Q_EMIT self->keyStored(error);
        then(error);
    };
    if (key.isEmpty())
        secrets_.deleteSecret(name, std::move(done));
    else
        secrets_.writeSecret(name, key, std::move(done));
}

void TranslationPreferencesSection::keyEditedAction()
{
    storeKey([](const Error &) {});
}

void TranslationPreferencesSection::regionEditedAction()
{
    const QString region = regionField_->text().trimmed();
    if (region.isEmpty())
        defaults_.removeObjectForKey(Preference::AzureTranslatorRegion);
    else if (region != defaults_.stringForKey(Preference::AzureTranslatorRegion))
        defaults_.setString(region, Preference::AzureTranslatorRegion);
}

void TranslationPreferencesSection::addressEditedAction()
{
    const QString key = addressKey(provider());
    const QString address = addressField_->text().trimmed();
    if (address.isEmpty()) {
        defaults_.removeObjectForKey(key);
        setStatus(QString(), false);
        return;
    }
    if (!isServiceAddress(address)) {
        // Kept in the field for correcting; the stored address stays.
        setStatus(
            localized("TranslationPreferencesSection", "Enter an address beginning with http:// or https://."), true);
        return;
    }
    setStatus(QString(), false);
    if (address != defaults_.stringForKey(key))
        defaults_.setString(address, key);
}

void TranslationPreferencesSection::testAction()
{
    const quint64 generation = ++generation_;
    testButton_->setEnabled(false);
    setStatus(localized("TranslationPreferencesSection", "Translating…"), false);
    storeKey([self = QPointer(this), generation](const Error &keyError) {
        if (!self || generation != self->generation_)
            return;
        if (keyError.isError()) {
            self->testButton_->setEnabled(true);
            return;
        }
        QString to = self->defaults_.stringForKey(Preference::TranslationLanguageCode);
        if (to.isEmpty())
            to = QStringLiteral("en");
        self->test_(
            TestText, to, [self, generation](const QString &translation, const Error &error) {
                if (!self)
                    return;
                self->testButton_->setEnabled(true);
                if (generation != self->generation_)
                    return;
                if (error.isError())
                    self->setStatus(error.localizedDescription(), true);
                else if (translation.isEmpty())
                    self->setStatus(
                        localized("TranslationPreferencesSection", "The service answered with no text."), true);
                else
                    self->setStatus(translation, false);
                Q_EMIT self->testFinished(translation, error);
            });
    });
}

void TranslationPreferencesSection::setStatus(const QString &text, bool isError)
{
    statusLabel_->setText(text);
    QPalette palette = statusLabel_->palette();
    palette.setColor(QPalette::WindowText,
        isError ? QColor(Qt::red).darker(120) : view_->palette().color(QPalette::WindowText));
    statusLabel_->setPalette(palette);
    statusLabel_->setAccessibleDescription(text);
}
