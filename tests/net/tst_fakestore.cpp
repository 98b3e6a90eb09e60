#include "net/AzureTranslatorProvider.h"
#include "net/DeepLProvider.h"
#include "net/LibreTranslateProvider.h"
#include "net/Translator.h"
#include "platform/SecretStore.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QProcess>
#include <QTest>

// The translation clients against the fakestore program, reached only through
// the preferences. (The store's side of the program and its sample folder are
// read end to end by desktop/desktop_content.)
class FakeStoreTest : public QObject {
    Q_OBJECT

private:
    QProcess store_;
    QString root_;

    // Starts the program on a free port; its root URL, or empty.
    QString start()
    {
        store_.start(qEnvironmentVariable("RK_FAKESTORE"),
            {"--port", "0", "--quiet", qEnvironmentVariable("RK_FAKESTORE_SAMPLE")});
        if (!store_.waitForStarted(2000)
            || !waitFor([&] { return store_.canReadLine(); }, nullptr, 2000))
            return {};
        const QString root = QString::fromUtf8(store_.readLine()).trimmed().section(" at ", -1);
        return root.startsWith("http://127.0.0.1:") && root.endsWith('/') ? root : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("RK_FAKESTORE")
            || qEnvironmentVariableIsEmpty("RK_FAKESTORE_SAMPLE"))
            QSKIP("RK_FAKESTORE and RK_FAKESTORE_SAMPLE are not set");
        root_ = start();
        QVERIFY(!root_.isEmpty());

        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString("MicrosoftV2", Translator::providerKey);
        defaults.setString(root_ + "v2/OAuth2-13", MicrosoftV2Provider::tokenURLKey);
        defaults.setString(root_ + "v2/Http.svc/Translate", MicrosoftV2Provider::translateURLKey);
        defaults.setString("demo", MicrosoftV2Provider::clientIDKey);
        defaults.setString(root_ + "azure", AzureTranslatorProvider::endpointKey);
        defaults.setString(root_ + "deepl", DeepLProvider::serverURLKey);
        defaults.setString(root_ + "libre", LibreTranslateProvider::urlKey);
        for (const QString &provider : Translator::providerNames())
            SecretStore::shared().writeSecret(
                Translator::secretName(provider), "fakestore-key", {});
    }

    void cleanupTestCase()
    {
        store_.terminate();
        store_.waitForFinished(2000);
    }

    // Every protocol of the fake answers the application's own client (how
    // many requests a translation takes: tst_translator).
    void translationThroughTheFake_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("translation");
        for (const char *provider : {"MicrosoftV2", "Azure", "DeepL", "LibreTranslate"})
            QTest::newRow(provider) << QString(provider)
                                    << QString(provider == QLatin1String("DeepL") ? "[FR]" : "[fr]")
                    + " Cats & dogs + 1";
    }

    void translationThroughTheFake()
    {
        QFETCH(QString, provider);
        QFETCH(QString, translation);
        UserDefaults::standard().setString(provider, Translator::providerKey);
        QString text;
        Error error;
        bool done = false;
        Translator::sharedInstance().translateFrom(
            QString(), "fr", "Cats & dogs + 1", [&](const QString &t, const Error &e) {
                text = t;
                error = e;
                done = true;
            });
        QVERIFY(waitFor([&] { return done; }));
        QVERIFY2(!error, qPrintable(error.debugDescription()));
        QCOMPARE(text, translation);
    }
};

RK_TEST_MAIN(FakeStoreTest)
#include "tst_fakestore.moc"
