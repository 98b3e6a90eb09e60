#include "ui/preferences/PreferencesPopoverViewController.h"

#include "model/StoreQueries.h"
#include "net/Translator.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/PreferenceKeys.h"
#include "platform/SecretStore.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"
#include "ui/preferences/ConnectPreferencesSection.h"
#include "ui/preferences/ForwardingPreferencesSection.h"
#include "ui/preferences/PreferencesChoices.h"
#include "ui/preferences/TranslationPreferencesSection.h"
#include "ui/widgets/Popover.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

PreferencesPopoverViewController::PreferencesPopoverViewController(
    ManagedObjectContext &context, UserDefaults &defaults, QObject *parent)
    : QObject(parent), context_(context), defaults_(defaults)
{
    // The controls are filled each time the popover opens, not at start-up.
    buildView();
}

PreferencesPopoverViewController::~PreferencesPopoverViewController()
{
    // Its section reads the context, which may go after this controller.
    delete forwardingDialog_;
    delete popover_;
    // One that closed just now may still wait for the event loop.
    delete closedPopover_;
    delete view_;
}

void PreferencesPopoverViewController::buildView()
{
    view_ = new QWidget;
    view_->setAccessibleName(localized("PreferencesPopoverViewController", "Preferences"));
    auto *layout = new QVBoxLayout(view_);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    QList<QWidget *> tabOrder;

    intervalPopUpButton_ = new QComboBox;
    intervalPopUpButton_->setAccessibleName(localized("PreferencesPopoverViewController", "Update Interval"));
    connect(intervalPopUpButton_, &QComboBox::activated, this,
        &PreferencesPopoverViewController::autoUpdateTimeDidChangeAction);
    form->addRow(localized("PreferencesPopoverViewController", "Update automatically:"), intervalPopUpButton_);
    tabOrder << intervalPopUpButton_;

    const auto addKeyBox = [&](const QString &key, const QString &title) {
        auto *box = new QCheckBox(title);
        box->setAccessibleName(title);
        // Only the user's clicks write; reading the defaults into the box
        // does not.
        connect(box, &QCheckBox::clicked, this,
            [this, key](bool checked) { defaults_.setBool(checked, key); });
        keyBoxes_.insert(key, box);
        tabOrder << box;
        return box;
    };
    form->addRow(
        addKeyBox(Preference::AutoUpdateAtStartup, localized("PreferencesPopoverViewController", "Update at startup")));

    auto *regions = new QGroupBox(localized("PreferencesPopoverViewController", "Regions to update:"));
    regions->setAccessibleName(regions->title());
    auto *regionLayout = new QVBoxLayout(regions);
    for (const PreferencesChoices::Region &region : PreferencesChoices::regions()) {
        auto *box = new QCheckBox(region.title);
        box->setAccessibleName(region.title);
        connect(box, &QCheckBox::clicked, this,
            [this, key = region.key](bool checked) { regionToggled(key, checked); });
        regionLayout->addWidget(box);
        regionBoxes_.insert(region.key, box);
        tabOrder << box;
    }
    layout->addWidget(regions);

    auto *lower = new QFormLayout;
    layout->addLayout(lower);
    languagesPopUpButton_ = new QComboBox;
    languagesPopUpButton_->setAccessibleName(localized("PreferencesPopoverViewController", "Translation Language"));
    connect(languagesPopUpButton_, &QComboBox::activated, this,
        &PreferencesPopoverViewController::languageSelectedAction);
    lower->addRow(localized("PreferencesPopoverViewController", "Translate reviews into:"), languagesPopUpButton_);
    tabOrder << languagesPopUpButton_;
    translation_ = new TranslationPreferencesSection(defaults_, SecretStore::shared(), {}, this);
    lower->addRow(translation_->view());
    tabOrder << translation_->providerPopUpButton() << translation_->keyField()
             << translation_->regionField() << translation_->addressField()
             << translation_->testButton();
    // App Store Connect is set up once, in a window of its own, so that the
    // popover stays small enough to open above the button on any screen.
    connectButton_ = new QPushButton(localized("PreferencesPopoverViewController", "App Store Connect…"));
    connectButton_->setAccessibleName(localized("PreferencesPopoverViewController", "Set up App Store Connect"));
    connect(connectButton_, &QPushButton::clicked, this,
        &PreferencesPopoverViewController::showConnectSectionAction);
    lower->addRow(localized("PreferencesPopoverViewController", "Your own apps:"), connectButton_);
    tabOrder << connectButton_;
    forwardingButton_ =
        new QPushButton(localized("PreferencesPopoverViewController", "Destinations…"));
    forwardingButton_->setAccessibleName(
        localized("PreferencesPopoverViewController", "Set up forwarding"));
    connect(forwardingButton_, &QPushButton::clicked, this,
        &PreferencesPopoverViewController::showForwardingSectionAction);
    lower->addRow(
        localized("PreferencesPopoverViewController", "Forward new reviews:"), forwardingButton_);
    tabOrder << forwardingButton_;
    lower->addRow(
        addKeyBox(Preference::ShowNotifications, localized("PreferencesPopoverViewController", "Show notifications")));
    lower->addRow(addKeyBox(
        Preference::PlayNotificationSound, localized("PreferencesPopoverViewController", "Play notification sound")));

    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
    view_->setFocusProxy(intervalPopUpButton_);
}

QDialog *PreferencesPopoverViewController::sectionWindow(QPointer<QDialog> &window,
    const QString &title, const std::function<QWidget *(QDialog *dialog)> &content)
{
    if (window) {
        window->raise();
        window->activateWindow();
        return nullptr;
    }
    // The window the popover opened over, before the popover goes.
    QWidget *parent = popover_ ? popover_->parentWidget() : nullptr;
    closePopoverAction();
    auto *dialog = new QDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(content(dialog));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    window = dialog;
    return dialog;
}

void PreferencesPopoverViewController::showConnectSectionAction()
{
    QDialog *dialog = sectionWindow(connectDialog_,
        localized("PreferencesPopoverViewController", "App Store Connect"),
        [](QDialog *dialog) { return (new ConnectPreferencesSection({}, dialog))->view(); });
    if (!dialog)
        return;
    dialog->resize(520, dialog->sizeHint().height());
    dialog->open();
}

void PreferencesPopoverViewController::setForwarding(
    Forwarder *forwarder, std::function<void()> save)
{
    forwarder_ = forwarder;
    save_ = std::move(save);
}

ForwardingPreferencesSection *PreferencesPopoverViewController::forwardingSection() const
{
    return forwardingDialog_ ? forwardingDialog_->findChild<ForwardingPreferencesSection *>()
                             : nullptr;
}

void PreferencesPopoverViewController::showForwardingSectionAction()
{
    ManagedObjectContext *context = &context_;
    auto save = save_ ? save_ : [context] { context->save(); };
    QDialog *dialog = sectionWindow(forwardingDialog_,
        localized("PreferencesPopoverViewController", "Forwarding"), [&](QDialog *dialog) {
            return (new ForwardingPreferencesSection(context_, forwarder_, save, dialog))->view();
        });
    if (!dialog)
        return;
    dialog->resize(720, 380);
    // Not modal: the main window goes on, and its updates show in the list.
    dialog->show();
}

void PreferencesPopoverViewController::showPopoverForView(QWidget *anchor)
{
    if (closedByPress_) {
        // The press on the button that closed the popover, passed on to
        // the button, must not open it again.
        closedByPress_ = false;
        return;
    }
    if (popover_ && popover_->isShown()) {
        closePopoverAction();
        return;
    }
    delete popover_;
    QWidget *parent = anchor ? anchor->window() : QApplication::activeWindow();
    auto *popover = new Popover(Popover::Behavior::Semitransient, view_, parent);
    connect(
        popover, &Popover::aboutToShow, this, &PreferencesPopoverViewController::popoverWillShow);
    connect(popover, &Popover::closed, this, [this, popover] { popoverDidClose(popover); });
    popover_ = popover;
    popover->showRelativeToWidget(anchor, Popover::Edge::Above);
}

void PreferencesPopoverViewController::closePopoverAction()
{
    if (popover_)
        popover_->performClose();
}

void PreferencesPopoverViewController::popoverWillShow()
{
    updateIntervalMenu();
    updateCheckBoxes();
    updateLanguagesMenu();
    translation_->reload();
    if (languagesSource_) {
        languagesSource_([self = QPointer(this)](const QMap<QString, QString> &languages) {
            if (!self || languages.isEmpty() || languages == self->languages_)
                return;
            self->languages_ = languages;
            self->updateLanguagesMenu();
        });
    }
}

void PreferencesPopoverViewController::popoverDidClose(Popover *popover)
{
    if (popover != popover_)
        return;
    popover_ = nullptr;
    popover->deleteLater();
    closedPopover_ = popover;
    // A semi-transient popover closes on a press outside it, which the
    // window system may then hand on to the widget below. Until that press
    // ends, a toggle comes from it.
    if (QGuiApplication::mouseButtons() != Qt::NoButton && !closedByPress_) {
        closedByPress_ = true;
        qApp->installEventFilter(this);
    }
}

bool PreferencesPopoverViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && closedByPress_) {
        qApp->removeEventFilter(this);
        // After the release has reached the button and made its click.
        QTimer::singleShot(0, this, [this] { closedByPress_ = false; });
    }
    return QObject::eventFilter(watched, event);
}

void PreferencesPopoverViewController::updateIntervalMenu()
{
    intervalPopUpButton_->clear();
    for (const PreferencesChoices::Interval &interval : PreferencesChoices::updateIntervals())
        intervalPopUpButton_->addItem(interval.title, qlonglong(interval.seconds));
    const QVariant value = defaults_.objectForKey(Preference::AutomaticUpdateInterval);
    bool readable = !value.isValid();
    if (!readable)
        value.toString().trimmed().toDouble(&readable);
    if (!readable)
        logLine(formatString(QStringLiteral("Unreadable %@ preference \"%@\", treated as off"),
            Preference::AutomaticUpdateInterval, value.toString()));
    const qint64 stored = defaults_.integerForKey(Preference::AutomaticUpdateInterval);
    int index = intervalPopUpButton_->findData(qlonglong(stored));
    // A value set elsewhere is shown as it is, and stays until the user
    // chooses another.
    if (index < 0 && stored > 0) {
        intervalPopUpButton_->addItem(
            PreferencesChoices::titleForInterval(stored), qlonglong(stored));
        index = intervalPopUpButton_->count() - 1;
    }
    intervalPopUpButton_->setCurrentIndex(qMax(index, 0));
}

void PreferencesPopoverViewController::autoUpdateTimeDidChangeAction(int index)
{
    if (index < 0 || index >= intervalPopUpButton_->count())
        return;
    const qint64 interval = intervalPopUpButton_->itemData(index).toLongLong();
    if (defaults_.integerForKey(Preference::AutomaticUpdateInterval) == interval)
        return;
    defaults_.setInteger(interval, Preference::AutomaticUpdateInterval);
    if (!defaults_.synchronize())
        logLine(formatString(
            QStringLiteral("Could not write the preferences to %@"), defaults_.fileName()));
    NotificationCenter::defaultCenter().post(kAutoUpdateTimeDidChangeNotification, this,
        {{QStringLiteral("timeInterval"), qlonglong(interval)}});
}

void PreferencesPopoverViewController::updateLanguagesMenu()
{
    languagesPopUpButton_->clear();
    for (const PreferencesChoices::Language &language : PreferencesChoices::languages(
             languages_.isEmpty() ? Translator::languageCodes() : languages_))
        languagesPopUpButton_->addItem(language.name, language.code);
    const QString stored = defaults_.stringForKey(Preference::TranslationLanguageCode);
    const int index = stored.isEmpty() ? -1 : languagesPopUpButton_->findData(stored);
    if (index < 0 && !stored.isEmpty())
        logLine(formatString(QStringLiteral("Unknown translation language code \"%@\""), stored));
    languagesPopUpButton_->setCurrentIndex(index);
}

void PreferencesPopoverViewController::languageSelectedAction(int index)
{
    const QVariant code = languagesPopUpButton_->itemData(index);
    if (code.typeId() == QMetaType::QString && !code.toString().isEmpty())
        defaults_.setString(code.toString(), Preference::TranslationLanguageCode);
}

void PreferencesPopoverViewController::updateCheckBoxes()
{
    for (auto it = keyBoxes_.cbegin(); it != keyBoxes_.cend(); ++it)
        it.value()->setChecked(defaults_.boolForKey(it.key()));
    const QVariantMap selected = defaults_.dictionaryForKey(Preference::SelectedRegions);
    const QHash<QString, QString> toolTips {
        {QStringLiteral("UnitedStatesAndCanada"), toolTipForUnitedStatesAndCanada()},
        {QStringLiteral("Europe"), toolTipForEurope()},
        {QStringLiteral("AsiaPacific"), toolTipForAsiaPacific()},
        {QStringLiteral("AfricaTheMiddleEastAndIndia"), toolTipForAfricaTheMiddleEastAndIndia()},
        {QStringLiteral("LatinAmericaAndTheCaribbean"), toolTipForLatinAmericaAndTheCaribbean()},
    };
    for (auto it = regionBoxes_.cbegin(); it != regionBoxes_.cend(); ++it) {
        it.value()->setChecked(selected.value(it.key()).toBool());
        it.value()->setToolTip(toolTips.value(it.key()));
    }
}

void PreferencesPopoverViewController::regionToggled(const QString &region, bool selected)
{
    // Regions this version does not list keep their values.
    QVariantMap regions = defaults_.dictionaryForKey(Preference::SelectedRegions);
    regions.insert(region, selected);
    defaults_.setObject(regions, Preference::SelectedRegions);
}

qint64 PreferencesPopoverViewController::countryCountForRegion(const QString &region) const
{
    return StoreQueries::countryCountForRegion(&context_, region).value_or(0);
}

QString PreferencesPopoverViewController::toolTipForRegion(const QString &region) const
{
    return formatString(localized("PreferencesPopoverViewController", "%ld Countries"), countryCountForRegion(region));
}

QString PreferencesPopoverViewController::toolTipForEurope() const
{
    return toolTipForRegion(QStringLiteral("Europe"));
}

QString PreferencesPopoverViewController::toolTipForAsiaPacific() const
{
    return toolTipForRegion(QStringLiteral("AsiaPacific"));
}

QString PreferencesPopoverViewController::toolTipForAfricaTheMiddleEastAndIndia() const
{
    return toolTipForRegion(QStringLiteral("AfricaTheMiddleEastAndIndia"));
}

QString PreferencesPopoverViewController::toolTipForLatinAmericaAndTheCaribbean() const
{
    return toolTipForRegion(QStringLiteral("LatinAmericaAndTheCaribbean"));
}
