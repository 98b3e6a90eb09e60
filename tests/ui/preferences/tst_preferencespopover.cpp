#include "support/UiRecorders.h"

#include "FakeReceivers.h"
#include "forward/Forwarder.h"
#include "model/ForwardDestination.h"
#include "net/AppStoreConnectAccount.h"
#include "net/AppStoreConnectClient.h"
#include "net/Translator.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/SecretStore.h"
#include "platform/UserDefaults.h"
#include "support/TestKeys.h"
#include "support/WaitFor.h"
#include "ui/preferences/ConnectPreferencesSection.h"
#include "ui/preferences/ForwardDestinationsModel.h"
#include "ui/preferences/ForwardingPreferencesSection.h"
#include "ui/preferences/PreferencesPopoverViewController.h"
#include "ui/preferences/TranslationPreferencesSection.h"
#include "ui/widgets/Popover.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTranslator>

namespace {

const QString kInterval = QStringLiteral("AutomaticUpdateInterval");
const QString kLanguage = QStringLiteral("TranslationLanguageCode");

QString fileText(UserDefaults &defaults)
{
    defaults.synchronize();
    QFile file(defaults.fileName());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The controller over a fresh store and preferences file, with the
// interval notifications it posts recorded.
struct Fixture {
    StoreFixture store;
    UserDefaults defaults {store.dir.filePath("prefs.ini")};
    PreferencesPopoverViewController controller {*store.context, defaults};
    QVariantList posted;
    QObject observation;

    Fixture()
    {
        NotificationCenter::defaultCenter().addObserver(
            kAutoUpdateTimeDidChangeNotification, &observation, [this](const Notification &note) {
                QCOMPARE(note.object, static_cast<const void *>(&controller));
                posted << note.userInfo.value("timeInterval");
            });
    }
    // Reopens the popover so that the controls read the preferences again.
    void reopen(QWidget *anchor = nullptr)
    {
        controller.closePopoverAction();
        controller.showPopoverForView(anchor);
    }
};

// The translation section over its own preferences and an in-memory secret
// store; tests answer its Test requests themselves.
struct TranslationFixture {
    QTemporaryDir dir;
    UserDefaults defaults {dir.filePath("prefs.ini")};
    MemorySecretStore secrets;
    QList<TranslationPreferencesSection::TranslationCompletion> requests;
    std::unique_ptr<TranslationPreferencesSection> section;

    TranslationFixture()
    {
        defaults.setString("de", kLanguage);
        section = std::make_unique<TranslationPreferencesSection>(
            defaults, secrets, [this](const QString &text, const QString &to, auto completion) {
                QCOMPARE(text + " > " + to, TranslationPreferencesSection::TestText + " > de");
                requests << std::move(completion);
            });
        QTest::qWait(1); // the secret store answers on the next turn
    }
    void choose(const QString &provider)
    {
        section->providerSelectedAction(section->providerPopUpButton()->findData(provider));
        QTest::qWait(1);
    }
    void typeKey(const QString &key)
    {
        section->keyField()->setText(key);
        QSignalSpy stored(section.get(), &TranslationPreferencesSection::keyStored);
        section->keyEditedAction();
        QVERIFY(!stored.isEmpty() || stored.wait(1000));
    }
};

} // namespace

class PreferencesPopoverTest : public QObject {
    Q_OBJECT

    // The App Store Connect key and the secret store the section keeps it in.
    TestKeyPair keys_ = TestKeys::make();
    MemorySecretStore secrets_;

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Only a new interval is stored, written to disk and announced.
    void interval_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint64>("shown");
        QTest::addColumn<qint64>("chosen");
        QTest::addColumn<bool>("posts");
        const auto row = [](const char *name, QVariant stored, qint64 shown, qint64 chosen,
                             bool posts) {
            QTest::newRow(name) << stored << shown << chosen << posts;
        };
        row("the stored one", 21600, 21600, 21600, false);
        row("another", 21600, 21600, 3600, true);
        row("off", 86400, 86400, 0, true);
        row("odd value kept", 5400, 5400, 5400, false);
        row("odd value, then a day", 5400, 5400, 86400, true);
        row("text reads as off", "soon", 0, 0, false);
    }
    void interval()
    {
        QFETCH(QVariant, stored);
        QFETCH(qint64, shown);
        QFETCH(qint64, chosen);
        QFETCH(bool, posts);
        LogCapture log;
        Fixture fixture;
        fixture.defaults.setObject(stored, kInterval);
        fixture.reopen();
        QComboBox *menu = fixture.controller.updateIntervalPopUpButton();
        QCOMPARE(menu->currentData().toLongLong(), shown);
        QCOMPARE(menu->itemData(0).toLongLong(), qint64(0));
        QCOMPARE(log.matching("Unreadable").isEmpty(), stored.typeId() != QMetaType::QString);
        const QString before = fileText(fixture.defaults);

        fixture.controller.autoUpdateTimeDidChangeAction(menu->findData(qlonglong(chosen)));
        QCOMPARE(fixture.posted, posts ? QVariantList {qlonglong(chosen)} : QVariantList());
        if (posts)
            QVERIFY(fileText(fixture.defaults).contains(QString("=%1\n").arg(chosen)));
        else
            QCOMPARE(fileText(fixture.defaults), before);
    }

    // The controller's own calls and the button both toggle; Escape closes.
    void toggles()
    {
        Fixture fixture;
        QWidget window;
        auto *button = new QPushButton("Preferences", &window);
        button->setGeometry(10, 200, 80, 24);
        // Low on the screen, as the button sits at the bottom of the window.
        window.setGeometry(50, 480, 300, 240);
        PreferencesPopoverViewController &controller = fixture.controller;
        QObject::connect(button, &QPushButton::clicked, &controller,
            [&] { controller.showPopoverForView(button); });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

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
        QVERIFY(controller.popover()->isAncestorOf(controller.view()));
        QTest::keyClick(controller.updateIntervalPopUpButton(), Qt::Key_Escape);
        QVERIFY(!controller.popover());
    }

    // Tab visits every control from top to bottom.
    void keyboardOrder()
    {
        Fixture fixture;
        PreferencesPopoverViewController &controller = fixture.controller;
        QList<QWidget *> expected {controller.updateIntervalPopUpButton(),
            controller.checkBoxForKey("AutoUpdateAtStartup")};
        for (const char *region : {"UnitedStatesAndCanada", "Europe", "AsiaPacific",
                 "AfricaTheMiddleEastAndIndia", "LatinAmericaAndTheCaribbean"})
            expected << controller.regionCheckBox(region);
        const TranslationPreferencesSection *translation = controller.translationSection();
        expected << controller.languagesPopUpButton() << translation->providerPopUpButton()
                 << translation->keyField() << translation->regionField()
                 << translation->addressField() << translation->testButton()
                 << controller.connectButton() << controller.forwardingButton()
                 << controller.checkBoxForKey("ShowNotifications")
                 << controller.checkBoxForKey("PlayNotificationSound");
        QWidget *widget = expected.first();
        for (QWidget *control : expected) {
            QCOMPARE(widget, control);
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus));
        }
    }

    // The stored language is marked, from the table or from the service's
    // own list when it arrives; choosing stores the item's code.
    void markedLanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("marked");
        QTest::newRow("none stored") << QString() << QString();
        QTest::newRow("unknown code") << "xx-Nowhere" << QString();
        QTest::newRow("German") << "de" << QString("German");
        QTest::newRow("Klingon (pIqaD)") << "tlh-Qaak" << QString("Klingon (pIqaD");
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

        fixture.controller.languageSelectedAction(menu->findText("Welsh"));
        QCOMPARE(fixture.defaults.stringForKey(kLanguage), QString("cy"));
        std::function<void(const QMap<QString, QString> &)> answer;
        fixture.controller.setLanguagesSource([&answer](auto completion) { answer = completion; });
        fixture.reopen();
        QCOMPARE(menu->count(), Translator::languageCodes().size());
        answer({{"cy", "Welsh"}, {"fr", "French"}});
        QCOMPARE(menu->count(), 2);
        QCOMPARE(menu->currentText(), QString("Welsh"));
    }

    // Ordered by the names shown, in the user's language.
    void languageOrder()
    {
        QVERIFY(Localization::install(*qApp, QLocale(QLocale::English)).isEmpty()); // none needed
        const QLocale german(QLocale::German, QLocale::Germany);
        QLocale::setDefault(german);
        Localization::install(*qApp, german);
        Fixture fixture;
        fixture.reopen();
        QComboBox *menu = fixture.controller.languagesPopUpButton();
        QVERIFY(menu->findData("de") < menu->findData("en")); // Deutsch, Englisch
        QCollator collator {german};
        for (int i = 1; i < menu->count(); ++i)
            QVERIFY2(collator.compare(menu->itemText(i - 1), menu->itemText(i)) < 0,
                qPrintable(menu->itemText(i)));
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    // Tooltips count each region's stored countries; a box changes only its
    // own key of the selection, and each switch writes its own key.
    void regionsAndSwitches()
    {
        Fixture fixture;
        for (const char *code : {"DE", "FR", "JP"})
            fixture.store.context->insertNewObject("Country",
                {{"isoCode", code}, {"region", code[0] == 'J' ? "AsiaPacific" : "Europe"}});
        fixture.defaults.setObject(
            QVariantMap {{"Europe", true}, {"Atlantis", true}}, "SelectedRegions");
        fixture.reopen();
        PreferencesPopoverViewController &controller = fixture.controller;
        QCheckBox *europe = controller.regionCheckBox("Europe");
        QCheckBox *asia = controller.regionCheckBox("AsiaPacific");
        QCOMPARE(europe->toolTip(), QString("2 Countries"));
        QCOMPARE(controller.regionCheckBox("LatinAmericaAndTheCaribbean")->toolTip(),
            QString("0 Countries"));
        QVERIFY(controller.regionCheckBox("UnitedStatesAndCanada")->toolTip().isEmpty());
        QVERIFY(europe->isChecked() && !asia->isChecked());
        asia->click();
        europe->click();
        const QVariantMap regions = fixture.defaults.dictionaryForKey("SelectedRegions");
        QCOMPARE(regions.size(), 3);
        QVERIFY(regions.value("AsiaPacific").toBool() && regions.value("Atlantis").toBool());
        QVERIFY(!regions.value("Europe").toBool());

        for (const char *key :
            {"AutoUpdateAtStartup", "ShowNotifications", "PlayNotificationSound"}) {
            QCheckBox *box = controller.checkBoxForKey(key);
            box->click();
            QCOMPARE(fixture.defaults.boolForKey(key), box->isChecked());
            fixture.reopen();
            QCOMPARE(box->isChecked(), fixture.defaults.boolForKey(key));
        }
    }

    // Each service keeps its own key, in the secret store only; emptying the
    // field removes the key.
    void translationKeysPerServiceStayOutOfThePreferences()
    {
        TranslationFixture fixture;
        QCOMPARE(fixture.section->providerPopUpButton()->currentData().toString(), "DeepL");
        fixture.typeKey("deepl-secret:fx");
        fixture.choose("Azure");
        QCOMPARE(fixture.defaults.stringForKey("TranslationProvider"), "Azure");
        QVERIFY(fixture.section->keyField()->text().isEmpty());
        QVERIFY(!fixture.section->regionField()->isHidden());
        fixture.typeKey("azure-secret");
        fixture.choose("DeepL");
        QCOMPARE(fixture.section->keyField()->text(), "deepl-secret:fx");
        QVERIFY(fixture.section->regionField()->isHidden());
        QCOMPARE(fixture.secrets.secrets(),
            (QHash<QString, QString> {{"TranslatorKey-DeepL", "deepl-secret:fx"},
                {"TranslatorKey-Azure", "azure-secret"}}));
        QVERIFY(!fileText(fixture.defaults).contains("secret"));
        fixture.typeKey(QString());
        QVERIFY(!fixture.secrets.secrets().contains("TranslatorKey-DeepL"));
    }

    // Only web addresses with a host are stored; empty means the service's own.
    void translationAddresses_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char *name, const char *provider, const char *typed,
                             const char *stored) {
            QTest::newRow(name) << QString(provider) << QString(typed) << QString(stored);
        };
        const char *before = "http://127.0.0.1:8642/libre";
        row("server of one's own", "LibreTranslate", "http://localhost:5000",
            "http://localhost:5000");
        row("not a web address kept out", "LibreTranslate", "ftp://example.org", before);
        row("no host", "LibreTranslate", "https://", before);
        row("empty", "LibreTranslate", "", "");
        row("Azure endpoint", "Azure", "http://127.0.0.1:8642/azure",
            "http://127.0.0.1:8642/azure");
    }
    void translationAddresses()
    {
        QFETCH(QString, provider);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TranslationFixture fixture;
        fixture.defaults.setString("http://127.0.0.1:8642/libre", "LibreTranslateURL");
        fixture.choose(provider);
        const QString key = provider == "Azure" ? "AzureTranslatorEndpoint" : "LibreTranslateURL";
        fixture.section->addressField()->setText(typed);
        fixture.section->addressEditedAction();
        QCOMPARE(fixture.defaults.stringForKey(key), stored);
        // A refused address is said why in place.
        QCOMPARE(fixture.section->statusLabel()->text().isEmpty(), stored == typed);
    }

    // Test stores a key typed but not yet stored, then translates into the
    // chosen language and shows the answer or the error in place.
    void translationTestShowsTheAnswerOrTheError_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("shown");
        QTest::newRow("answer") << "Guten Morgen!" << false << "Guten Morgen!";
        QTest::newRow("wrong key") << "" << true << "The key was refused.";
        QTest::newRow("empty answer") << "" << false << "The service answered with no text.";
    }
    void translationTestShowsTheAnswerOrTheError()
    {
        QFETCH(QString, answer);
        QFETCH(bool, fails);
        QFETCH(QString, shown);
        TranslationFixture fixture;
        QSignalSpy finished(fixture.section.get(), &TranslationPreferencesSection::testFinished);
        fixture.section->keyField()->setText("typed-key");
        fixture.section->testAction();
        QVERIFY(!fixture.section->testButton()->isEnabled());
        QTRY_COMPARE(fixture.requests.size(), 1);
        QCOMPARE(fixture.secrets.secrets().value("TranslatorKey-DeepL"), QString("typed-key"));
        fixture.requests[0](answer,
            fails ? Error("test", 401, {{Error::LocalizedDescriptionKey, shown}}) : Error());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(fixture.section->statusLabel()->text(), shown);
        QVERIFY(fixture.section->testButton()->isEnabled());
    }

    // The App Store Connect section keeps a key only once the service took it,
    // and Test and Disconnect act on the key kept.
    void connectTestAndDisconnect_data()
    {
        QTest::addColumn<QString>("issuer");
        QTest::addColumn<QByteArray>("pem");
        QTest::addColumn<int>("refusal");
        QTest::addColumn<QString>("status");
        QTest::newRow("taken") << "issuer" << keys_.privateKey << 0
                               << "The key sees 2 apps: Mine, 200.";
        QTest::newRow("no issuer") << "" << keys_.privateKey << 0 << "Enter the issuer ID";
        QTest::newRow("not a key")
            << "issuer" << QByteArray("text") << 0 << "The App Store Connect key file";
        QTest::newRow("refused") << "issuer" << keys_.privateKey << 401
                                 << "App Store Connect refused the key";
    }
    void connectTestAndDisconnect()
    {
        QFETCH(QString, issuer);
        QFETCH(QByteArray, pem);
        QFETCH(int, refusal);
        QFETCH(QString, status);
        SecretStore::setShared(&secrets_);
        // The stand-in for the service, and the keys it was asked with.
        const Error answer =
            refusal ? AppStoreConnectClient::errorFor(refusal, {}, "GET") : Error();
        QList<AppStoreConnectKey> asked;
        ConnectPreferencesSection section([&](const AppStoreConnectKey &key,
                                              ConnectPreferencesSection::AppsCompletion done) {
            asked << key;
            done({{"100", "Mine", "com.example.mine"}, {"200", "", "com.example.other"}}, answer);
        });
        QTemporaryDir folder;
        QFile file(folder.filePath("key.p8"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pem) == pem.size());
        file.close();
        section.issuerField()->setText(issuer);
        section.keyIDField()->setText("KEY");
        section.keyFileChosenAction(file.fileName());
        QVERIFY(waitFor([&] { return section.statusLabel()->text().startsWith(status); }));
        const bool kept = status.startsWith("The key sees");
        QCOMPARE(AppStoreConnectAccount::hasStoredIdentifiers(), kept);
        QCOMPARE(secrets_.secrets().contains(AppStoreConnectAccount::secretName), kept);
        QCOMPARE(section.disconnectButton()->isEnabled(), kept);
        if (!kept)
            return;

        // Test asks with the kept key; Disconnect forgets it.
        asked.clear();
        section.testAction();
        QVERIFY(waitFor([&] { return !asked.isEmpty(); }));
        QCOMPARE(asked.first().privateKey, keys_.privateKey);
        QCOMPARE(asked.first().issuerID, "issuer");
        section.disconnectAction();
        QVERIFY(waitFor([&] { return !AppStoreConnectAccount::hasStoredIdentifiers(); }));
        QVERIFY(!secrets_.secrets().contains(AppStoreConnectAccount::secretName));
        QVERIFY(!section.disconnectButton()->isEnabled());
        section.testAction();
        QVERIFY(waitFor([&] { return section.statusLabel()->text().startsWith("No key"); }));
    }

    // A destination added, tested while paused, edited and removed in the
    // forwarding window; only its host shows, and each change is saved.
    void forwardingDestinations()
    {
        SecretStore::setShared(&secrets_);
        LocalHttpServer server;
        FakeReceivers receivers;
        server.setFallback([&](const auto &request) { return receivers.answer(request); });
        QVERIFY(server.listen());
        Fixture fixture;
        ManagedObjectContext &context = *fixture.store.context;
        fixture.store.app("42")->setValue("title", "Mine");
        Forwarder forwarder([&] { return &context; }, [&] { context.save(); });
        fixture.controller.setForwarding(&forwarder, [&] { QVERIFY(context.save()); });
        fixture.controller.showForwardingSectionAction();
        ForwardingPreferencesSection *section = fixture.controller.forwardingSection();
        ForwardDestinationsModel *model = section->model();
        QAbstractItemModelTester tester(model);
        QSignalSpy finished(section, &ForwardingPreferencesSection::finished);
        const auto cell = [&](int column) { return model->index(0, column).data().toString(); };

        section->addAction();
        ForwardDestinationEditor *editor = section->editor();
        editor->kindPopUpButton()->setCurrentIndex(editor->kindPopUpButton()->findData("teams"));
        QVERIFY(editor->signingSecretField()->isHidden());
        for (const QString address : {"", "ftp://127.0.0.1/hooks/team", "https://", "hooks/team"}) {
            editor->addressField()->setText(address);
            QVERIFY2(!editor->okButton()->isEnabled(), qPrintable(address));
            QCOMPARE(editor->addressProblemLabel()->text().isEmpty(), address.isEmpty());
        }
        editor->addressField()->setText(server.rootURL() + "hooks/team?token=t0ken");
        editor->productList()->item(0)->setCheckState(Qt::Checked);
        editor->highestRatingBox()->setValue(3);
        editor->lowestRatingBox()->setValue(4);
        QCOMPARE(editor->lowestRatingBox()->value(), 3);
        editor->countriesField()->setText("de, fr");
        editor->okButton()->click();
        QVERIFY(finished.wait(1000));
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(QStringList({cell(0), cell(1), cell(2), cell(3), cell(4), cell(5)}),
            QStringList({"1", "Microsoft Teams", "127.0.0.1",
                "products 42, 3 stars, countries DE,FR", "active", "0"}));
        QVERIFY(section->statusLabel()->text().contains("kept in the secret service"));
        QVERIFY(!context.hasChanges());
        const QHash<QString, QString> kept = secrets_.secrets();
        QVERIFY(kept.value("Forward-" + model->destinationAt(0)->uuid()).contains("t0ken"));

        // Paused by the last delivery: the reason shows; a delivered test resumes it.
        model->destinationAt(0)->setPausedReason("It answered 404 Not Found.");
        QVERIFY(context.save());
        QTRY_COMPARE(cell(4), QString("paused"));
        section->tableView()->selectRow(0);
        QCOMPARE(section->statusLabel()->text(), QString("It answered 404 Not Found."));
        section->testAction();
        QVERIFY(finished.wait(3000));
        QCOMPARE(section->statusLabel()->text(), QString("200 OK: ok"));
        QCOMPARE(receivers.received("team").size(), 1);
        QTRY_COMPARE(cell(4), QString("active"));
        // The list read again after the save keeps the answer in view.
        QCoreApplication::processEvents();
        QCOMPARE(section->statusLabel()->text(), QString("200 OK: ok"));

        // An empty address keeps the stored one.
        section->editAction();
        editor = section->editor();
        QVERIFY(editor->addressField()->text().isEmpty() && editor->okButton()->isEnabled());
        QCOMPARE(editor->productList()->item(0)->checkState(), Qt::Checked);
        QCOMPARE(editor->countriesField()->text(), QString("DE, FR"));
        editor->keywordsField()->setText("crash, , refund ");
        editor->editedCheckBox()->setChecked(false);
        editor->okButton()->click();
        QVERIFY(finished.wait(1000));
        QCOMPARE(cell(3),
            QString("products 42, 3 stars, countries DE,FR, keywords crash,refund, no edits"));
        QCOMPARE(secrets_.secrets(), kept);

        QTest::keyClick(section->tableView(), Qt::Key_Delete);
        QVERIFY(finished.wait(1000));
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(fixture.store.count("ForwardDestination"), 0);
        QVERIFY(secrets_.secrets().isEmpty());
    }
};

RK_TEST_GUI_MAIN(PreferencesPopoverTest)
#include "tst_preferencespopover.moc"
