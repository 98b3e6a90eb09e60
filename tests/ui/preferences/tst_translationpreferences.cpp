#include "platform/Error.h"
#include "platform/SecretStore.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"
#include "ui/preferences/TranslationPreferencesSection.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The section over its own preferences file and an in-memory secret store;
// tests answer its Test requests themselves.
struct Fixture {
    QTemporaryDir dir;
    UserDefaults defaults {dir.filePath(QStringLiteral("prefs.ini"))};
    MemorySecretStore secrets;
    struct Request {
        QString text;
        QString to;
        TranslationPreferencesSection::TranslationCompletion completion;
    };
    QList<Request> requests;
    std::unique_ptr<TranslationPreferencesSection> section;

    Fixture()
    {
        defaults.setString(QStringLiteral("de"), "TranslationLanguageCode");
        open();
    }
    void open()
    {
        section = std::make_unique<TranslationPreferencesSection>(
            defaults, secrets, [this](const QString &text, const QString &to, auto completion) {
                requests << Request {text, to, std::move(completion)};
            });
        QTest::qWait(1); // the secret store answers on the next turn
    }
    void choose(const QString &provider)
    {
        QComboBox *menu = section->providerPopUpButton();
        section->providerSelectedAction(menu->findData(provider));
        QTest::qWait(1);
    }
    void typeKey(const QString &key)
    {
        section->keyField()->setText(key);
        QSignalSpy stored(section.get(), &TranslationPreferencesSection::keyStored);
        section->keyEditedAction();
        if (stored.isEmpty())
            QVERIFY(stored.wait(1000));
    }
    QString fileText()
    {
        defaults.synchronize();
        QFile file(defaults.fileName());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};
} // namespace

class TranslationPreferencesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each service keeps its own key, in the secret store only.
    void keysPerServiceStayOutOfThePreferences()
    {
        Fixture fixture;
        QCOMPARE(fixture.section->providerPopUpButton()->currentData().toString(), "DeepL");
        fixture.typeKey(QStringLiteral("deepl-secret:fx"));
        fixture.choose(QStringLiteral("Azure"));
        QCOMPARE(fixture.defaults.stringForKey(QStringLiteral("TranslationProvider")), "Azure");
        QVERIFY(fixture.section->keyField()->text().isEmpty());
        QVERIFY(!fixture.section->regionField()->isHidden());
        fixture.typeKey(QStringLiteral("azure-secret"));
        fixture.choose(QStringLiteral("DeepL"));
        QCOMPARE(fixture.section->keyField()->text(), "deepl-secret:fx");
        QVERIFY(fixture.section->regionField()->isHidden());
        QCOMPARE(fixture.secrets.secrets(),
            (QHash<QString, QString> {{"TranslatorKey-DeepL", "deepl-secret:fx"},
                {"TranslatorKey-Azure", "azure-secret"}}));
        QVERIFY(!fixture.fileText().contains(QStringLiteral("secret")));

        // Emptying the field removes the key.
        fixture.typeKey(QString());
        QVERIFY(!fixture.secrets.secrets().contains(QStringLiteral("TranslatorKey-DeepL")));
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("complains");
        const QString before = QStringLiteral("http://127.0.0.1:8642/libre");
        QTest::newRow("server of one's own") << "LibreTranslate"
                                             << "http://localhost:5000"
                                             << "http://localhost:5000" << false;
        QTest::newRow("not a web address kept out") << "LibreTranslate"
                                                    << "ftp://example.org" << before << true;
        QTest::newRow("no host") << "LibreTranslate"
                                 << "https://" << before << true;
        QTest::newRow("empty means the service's own") << "LibreTranslate"
                                                       << ""
                                                       << "" << false;
        QTest::newRow("Azure endpoint") << "Azure"
                                        << "http://127.0.0.1:8642/azure"
                                        << "http://127.0.0.1:8642/azure" << false;
    }
    void addresses()
    {
        QFETCH(QString, provider);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, complains);
        Fixture fixture;
        fixture.defaults.setString(
            QStringLiteral("http://127.0.0.1:8642/libre"), "LibreTranslateURL");
        fixture.choose(provider);
        const QString key =
            provider == "Azure" ? QStringLiteral("AzureTranslatorEndpoint") : "LibreTranslateURL";
        if (provider == "Azure")
            QVERIFY(fixture.defaults.stringForKey(key).isEmpty());
        fixture.section->addressField()->setText(typed);
        fixture.section->addressEditedAction();
        QCOMPARE(fixture.defaults.stringForKey(key), stored);
        QCOMPARE(!fixture.section->statusLabel()->text().isEmpty(), complains);
    }

    // Test stores a key typed but not yet stored, then translates into the
    // chosen language and shows the answer or the error in place.
    void testShowsTheAnswerOrTheError_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("shown");
        QTest::newRow("answer") << "Guten Morgen!" << false << "Guten Morgen!";
        QTest::newRow("wrong key") << "" << true << "The key was refused.";
        QTest::newRow("empty answer") << "" << false << "The service answered with no text.";
    }
    void testShowsTheAnswerOrTheError()
    {
        QFETCH(QString, answer);
        QFETCH(bool, fails);
        QFETCH(QString, shown);
        Fixture fixture;
        QSignalSpy finished(fixture.section.get(), &TranslationPreferencesSection::testFinished);
        fixture.section->keyField()->setText(QStringLiteral("typed-key"));
        fixture.section->testAction();
        QVERIFY(!fixture.section->testButton()->isEnabled());
        QTRY_COMPARE(fixture.requests.size(), 1);
        QCOMPARE(fixture.secrets.secrets().value(QStringLiteral("TranslatorKey-DeepL")),
            QStringLiteral("typed-key"));
        QCOMPARE(fixture.requests[0].text, TranslationPreferencesSection::TestText);
        QCOMPARE(fixture.requests[0].to, QStringLiteral("de"));
        fixture.requests[0].completion(answer,
            fails ? Error(QStringLiteral("test"), 401, {{Error::LocalizedDescriptionKey, shown}})
                  : Error());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(fixture.section->statusLabel()->text(), shown);
        QVERIFY(fixture.section->testButton()->isEnabled());
    }
};

RK_TEST_GUI_MAIN(TranslationPreferencesTest)
#include "tst_translationpreferences.moc"
