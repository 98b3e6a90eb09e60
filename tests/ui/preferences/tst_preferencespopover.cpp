#include "support/UpdateFixture.h"

#include "net/Translator.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "support/TestEnvironment.h"
#include "ui/preferences/PreferencesPopoverViewController.h"
#include "ui/preferences/TranslationPreferencesSection.h"
#include "ui/widgets/Popover.h"
#include "ui/window/HostViewController.h"
#include "update/UpdateController.h"

#include <QApplication>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

namespace {

const QString kInterval = QStringLiteral("AutomaticUpdateInterval");
const QString kRegions = QStringLiteral("SelectedRegions");
const QString kLanguage = QStringLiteral("TranslationLanguageCode");

// The controller over a fresh store and preferences file, with the
// interval notifications it posts recorded.
struct Fixture {
    StoreFixture store;
    UserDefaults defaults {store.dir.filePath(QStringLiteral("prefs.ini"))};
    PreferencesPopoverViewController controller {*store.context, defaults};
    QVariantList posted;
    QObject observation;

    Fixture()
    {
        NotificationCenter::defaultCenter().addObserver(
            kAutoUpdateTimeDidChangeNotification, &observation, [this](const Notification &note) {
                QCOMPARE(note.object, static_cast<const void *>(&controller));
                posted << note.userInfo.value(QStringLiteral("timeInterval"));
            });
    }

    // Reopens the popover so that the controls read the preferences again.
    void reopen(QWidget *anchor = nullptr)
    {
        controller.closePopoverAction();
        controller.showPopoverForView(anchor);
    }
    QString fileText() const
    {
        QFile file(defaults.fileName());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

} // namespace

class PreferencesPopoverTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void interval_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint64>("shown");
        QTest::addColumn<qint64>("chosen");
        QTest::addColumn<bool>("posts");
        QTest::newRow("the stored one")
            << QVariant(21600) << qint64(21600) << qint64(21600) << false;
        QTest::newRow("another") << QVariant(21600) << qint64(21600) << qint64(3600) << true;
        QTest::newRow("off") << QVariant(86400) << qint64(86400) << qint64(0) << true;
        QTest::newRow("off again") << QVariant(0) << qint64(0) << qint64(0) << false;
        QTest::newRow("odd value kept") << QVariant(5400) << qint64(5400) << qint64(5400) << false;
        QTest::newRow("odd value, then a day")
            << QVariant(5400) << qint64(5400) << qint64(86400) << true;
        QTest::newRow("text reads as off") << QVariant("soon") << qint64(0) << qint64(0) << false;
    }

    // Only a new interval is stored, written to disk and announced.
    void interval()
    {
        QFETCH(QVariant, stored);
        QFETCH(qint64, shown);
        QFETCH(qint64, chosen);
        QFETCH(bool, posts);
        LogCapture log;
        Fixture fixture;
        fixture.defaults.setObject(stored, kInterval);
        fixture.defaults.synchronize();
        fixture.reopen();
        QComboBox *menu = fixture.controller.updateIntervalPopUpButton();
        QCOMPARE(menu->currentData().toLongLong(), shown);
        QCOMPARE(menu->itemData(0).toLongLong(), qint64(0));
        QCOMPARE(log.matching(QStringLiteral("Unreadable")).isEmpty(),
            stored.typeId() != QMetaType::QString);
        const QString before = fixture.fileText();

        fixture.controller.autoUpdateTimeDidChangeAction(menu->findData(qlonglong(chosen)));
        QCOMPARE(fixture.posted, posts ? QVariantList {qlonglong(chosen)} : QVariantList());
        if (posts) {
            QCOMPARE(fixture.defaults.integerForKey(kInterval), chosen);
            QVERIFY(fixture.fileText().contains(QStringLiteral("=%1\n").arg(chosen)));
        } else {
            QCOMPARE(fixture.fileText(), before);
        }
    }

    // Off stops the timer of the content host's update engine.
    void offStopsTheHostsTimer()
    {
        ManualClock clock;
        Clock::setShared(&clock);
        Fixture fixture;
        RecordingServices services;
        services.context = fixture.store.context.get();
        HostViewController host {&fixture.defaults};
        UpdateController engine {services, host};
        engine.setUserDefaults(&fixture.defaults);
        fixture.defaults.setInteger(3600, kInterval);
        NotificationCenter::defaultCenter().post(kApplicationDidStartNotification);
        QVERIFY(engine.hasAutoUpdateTimer());
        fixture.reopen();
        fixture.controller.autoUpdateTimeDidChangeAction(0);
        QVERIFY(!engine.hasAutoUpdateTimer());
        fixture.controller.autoUpdateTimeDidChangeAction(1);
        QVERIFY(engine.hasAutoUpdateTimer());
        Clock::setShared(nullptr);
    }

    // The controller's own calls and the button both toggle; Escape closes.
    void toggles()
    {
        Fixture fixture;
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("Preferences"), &window);
        button->setGeometry(10, 200, 80, 24);
        // Low on the screen, as the button sits at the bottom of the window.
        window.setGeometry(50, 320, 300, 240);
        QObject::connect(button, &QPushButton::clicked, &fixture.controller,
            [&] { fixture.controller.showPopoverForView(button); });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        PreferencesPopoverViewController &controller = fixture.controller;

        controller.showPopoverForView(button);
        QVERIFY(controller.popover() && controller.popover()->isShown());
        QVERIFY(controller.popover()->geometry().bottom() < button->mapToGlobal(QPoint()).y());
        controller.showPopoverForView(button);
        QVERIFY(!controller.popover());
        // The offscreen platform leaves no window active after a popup;
        // a person's next click lands on an active window.
        QTest::qWait(10);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // Through the window system, where an open popup takes the press
        // that lands on the button and closes.
        const QPoint centre = button->geometry().center();
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, centre);
        QTRY_VERIFY(controller.popover() && controller.popover()->isShown());
        QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, centre);
        QVERIFY(!controller.popover());
        // X11 hands that press on to the button below, which then clicks.
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::qWait(20);
        QVERIFY(!controller.popover());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, centre);
        QTRY_VERIFY(controller.popover() && controller.popover()->isShown());
        controller.closePopoverAction();
        QVERIFY(!controller.popover());

        // A new popover each time, with the same controls.
        controller.showPopoverForView(button);
        QVERIFY(controller.popover()->isAncestorOf(controller.updateIntervalPopUpButton()));
        QTest::keyClick(controller.updateIntervalPopUpButton(), Qt::Key_Escape);
        QVERIFY(!controller.popover());
    }

    // Tab visits every control from top to bottom; each has a name.
    void keyboardOrder()
    {
        Fixture fixture;
        PreferencesPopoverViewController &controller = fixture.controller;
        QList<QWidget *> expected {controller.updateIntervalPopUpButton(),
            controller.checkBoxForKey(QStringLiteral("AutoUpdateAtStartup"))};
        for (const char *region : {"UnitedStatesAndCanada", "Europe", "AsiaPacific",
                 "AfricaTheMiddleEastAndIndia", "LatinAmericaAndTheCaribbean"})
            expected << controller.regionCheckBox(QString::fromLatin1(region));
        const TranslationPreferencesSection *translation = controller.translationSection();
        expected << controller.languagesPopUpButton() << translation->providerPopUpButton()
                 << translation->keyField() << translation->regionField()
                 << translation->addressField() << translation->testButton()
                 << controller.checkBoxForKey(QStringLiteral("ShowNotifications"))
                 << controller.checkBoxForKey(QStringLiteral("PlayNotificationSound"));
        QWidget *widget = expected.first();
        for (QWidget *control : expected) {
            QCOMPARE(widget, control);
            QVERIFY(!control->accessibleName().isEmpty());
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus));
        }
        QVERIFY(!controller.view()->accessibleName().isEmpty());
    }

    void markedLanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("marked");
        QTest::newRow("none stored") << QString() << QString();
        QTest::newRow("unknown code") << "xx-Nowhere" << QString();
        QTest::newRow("German") << "de"
                                << "German";
        QTest::newRow("Klingon (pIqaD)") << "tlh-Qaak"
                                         << "Klingon (pIqaD";
    }

    void markedLanguage()
    {
        QFETCH(QString, stored);
        QFETCH(QString, marked);
        Fixture fixture;
        if (!stored.isNull())
            fixture.defaults.setString(stored, kLanguage);
        fixture.reopen();
        QComboBox *menu = fixture.controller.languagesPopUpButton();
        QCOMPARE(menu->count(), Translator::languageCodes().size());
        QCOMPARE(menu->currentIndex() >= 0, !marked.isNull());
        QCOMPARE(menu->currentText(), marked);

        // Choosing stores the item's code.
        fixture.controller.languageSelectedAction(menu->findText(QStringLiteral("Welsh")));
        QCOMPARE(fixture.defaults.stringForKey(kLanguage), QStringLiteral("cy"));

        // The service's own languages replace the table when they arrive; the
        // stored language stays marked.
        std::function<void(const QMap<QString, QString> &)> answer;
        fixture.controller.setLanguagesSource([&answer](auto completion) { answer = completion; });
        fixture.reopen();
        QCOMPARE(menu->count(), Translator::languageCodes().size());
        answer({{QStringLiteral("cy"), QStringLiteral("Welsh")},
            {QStringLiteral("fr"), QStringLiteral("French")}});
        QCOMPARE(menu->count(), 2);
        QCOMPARE(menu->currentText(), QStringLiteral("Welsh"));
    }

    void languageOrder_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("before"); // a pair of codes in the order shown
        QTest::newRow("English") << "en" << QStringList {"en", "de"};
        QTest::newRow("German") << "de" << QStringList {"de", "en"};
    }

    // Ordered by the names shown, in the user's language.
    void languageOrder()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, before);
        const QLocale locale(language);
        QLocale::setDefault(locale);
        Localization::install(*qApp, locale);
        Fixture fixture;
        fixture.reopen();
        QComboBox *menu = fixture.controller.languagesPopUpButton();
        QVERIFY(menu->findData(before.at(0)) < menu->findData(before.at(1)));
        QCollator collator {locale};
        for (int i = 1; i < menu->count(); ++i)
            QVERIFY2(collator.compare(menu->itemText(i - 1), menu->itemText(i)) < 0,
                qPrintable(menu->itemText(i)));
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    // Tooltips count each region's stored countries; a box changes only its
    // own key of the selection.
    void regions()
    {
        Fixture fixture;
        for (const char *code : {"DE", "FR", "JP"})
            fixture.store.context->insertNewObject(QStringLiteral("Country"),
                {{QStringLiteral("isoCode"), QString::fromLatin1(code)},
                    {QStringLiteral("region"),
                        QString::fromLatin1(code[0] == 'J' ? "AsiaPacific" : "Europe")}});
        fixture.defaults.setObject(
            QVariantMap {{QStringLiteral("Europe"), true}, {QStringLiteral("Atlantis"), true}},
            kRegions);
        fixture.reopen();
        PreferencesPopoverViewController &controller = fixture.controller;
        QCheckBox *europe = controller.regionCheckBox(QStringLiteral("Europe"));
        QCheckBox *asia = controller.regionCheckBox(QStringLiteral("AsiaPacific"));
        QCOMPARE(controller.countryCountForRegion(QStringLiteral("Europe")), 2);
        QCOMPARE(controller.toolTipForEurope(), QStringLiteral("2 Countries"));
        QCOMPARE(asia->toolTip(), QStringLiteral("1 Countries"));
        QCOMPARE(controller.toolTipForAfricaTheMiddleEastAndIndia(), QStringLiteral("0 Countries"));
        QCOMPARE(controller.toolTipForLatinAmericaAndTheCaribbean(), QStringLiteral("0 Countries"));
        QVERIFY(controller.regionCheckBox(QStringLiteral("UnitedStatesAndCanada"))
                    ->toolTip()
                    .isEmpty());

        QVERIFY(europe->isChecked());
        QVERIFY(!asia->isChecked());
        asia->click();
        europe->click();
        const QVariantMap regions = fixture.defaults.dictionaryForKey(kRegions);
        QCOMPARE(regions.size(), 3);
        QVERIFY(regions.value(QStringLiteral("AsiaPacific")).toBool());
        QVERIFY(!regions.value(QStringLiteral("Europe")).toBool());
        QVERIFY(regions.value(QStringLiteral("Atlantis")).toBool());
    }

    void checkBoxes_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("startup") << "AutoUpdateAtStartup";
        QTest::newRow("notifications") << "ShowNotifications";
        QTest::newRow("sound") << "PlayNotificationSound";
    }

    void checkBoxes()
    {
        QFETCH(QString, key);
        Fixture fixture;
        fixture.defaults.setBool(true, key);
        fixture.reopen();
        QCheckBox *box = fixture.controller.checkBoxForKey(key);
        QVERIFY(box->isChecked());
        box->click();
        QVERIFY(fixture.defaults.hasStoredValue(key));
        QVERIFY(!fixture.defaults.boolForKey(key));
        box->click();
        QVERIFY(fixture.defaults.boolForKey(key));
    }
};

RK_TEST_GUI_MAIN(PreferencesPopoverTest)
#include "tst_preferencespopover.moc"
