#include "platform/KeychainSecretStore.h"
#include "platform/Localization.h"
#include "platform/Log.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <optional>
#include <unistd.h>

namespace {
const char *const OnPrivateBus = "RK_SECRETSTORE_PRIVATE_BUS";
const QString SecretsName = "org.freedesktop.secrets";

bool secretServiceRegistered()
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(SecretsName);
}

// gnome-keyring-daemon on the test's session bus, its keyrings in a folder of
// the test, unlocked with a password on standard input.
class KeyringDaemon {
public:
    explicit KeyringDaemon(const QString &home)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home);
        environment.insert("XDG_DATA_HOME", home + "/data");
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~KeyringDaemon()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(2000);
        waitFor([] { return !secretServiceRegistered(); }, nullptr, 5000);
    }

    bool start()
    {
        process_.start(
            "gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
        if (!process_.waitForStarted(5000))
            return false;
        process_.write("keyring password");
        process_.closeWriteChannel();
        return waitFor([] { return secretServiceRegistered(); }, nullptr, 5000);
    }

private:
    QProcess process_;
};

// Stands in for a secret service that takes calls and never answers them.
class SilentService : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override { return true; }
    QString introspect(const QString &) const override { return {}; }
};

struct LogCapture {
    LogCapture()
    {
        setLogSink([this](const QString &line) { lines << line; });
    }
    ~LogCapture() { setLogSink({}); }
    QStringList lines;
};

struct ReadResult {
    QString secret;
    Error error;
    bool operator==(const ReadResult &) const = default;
};

// What `start` completed with, when it completed exactly once.
template<typename Result, typename Start> std::optional<Result> once(Start start)
{
    QList<Result> results;
    start([&](const auto &...values) { results << Result {values...}; });
    waitFor([&] { return !results.isEmpty(); }, nullptr, 5000);
    QTest::qWait(20); // a second completion would arrive on a later turn
    return results.size() == 1 ? std::optional(results.first()) : std::nullopt;
}

std::optional<ReadResult> read(SecretStore &store, const QString &name)
{
    return once<ReadResult>([&](auto done) { store.readSecret(name, done); });
}

std::optional<Error> write(SecretStore &store, const QString &name, const QString &secret)
{
    return once<Error>([&](auto done) { store.writeSecret(name, secret, done); });
}

std::optional<Error> remove(SecretStore &store, const QString &name)
{
    return once<Error>([&](auto done) { store.deleteSecret(name, done); });
}

} // namespace

class SecretStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!qEnvironmentVariableIsSet(OnPrivateBus))
            QSKIP("dbus-run-session is not installed");
        if (QStandardPaths::findExecutable("gnome-keyring-daemon").isEmpty())
            QSKIP("gnome-keyring-daemon is not installed");
        QVERIFY(home_.isValid());
        qunsetenv("REVIEWKEEPER_TRANSLATOR_KEY");
    }

    void keyOutlivesARestartOfTheService()
    {
        const QString secret = "deepl-key-5c1e:fx";
        const QString name = "TranslatorKey-DeepL";
        LogCapture log;
        {
            KeyringDaemon daemon(home_.path());
            QVERIFY(daemon.start());
            KeychainSecretStore store;
            QCOMPARE(write(store, name, secret), Error());
            // Another name in the same service stays apart.
            QCOMPARE(write(store, "TranslatorKey-Azure", "azure"), Error());
        }
        KeyringDaemon daemon(home_.path());
        QVERIFY(daemon.start());
        {
            KeychainSecretStore store;
            QVERIFY(read(store, name) == (ReadResult {secret, Error()}));
            QVERIFY(store.whyNoKey().isEmpty());

            QCOMPARE(remove(store, name), Error());
            const auto gone = read(store, name);
            QVERIFY(gone && gone->secret.isNull() && !gone->error);
            QCOMPARE(store.whyNoKey(),
                QString("No key is kept in the secret service and REVIEWKEEPER_TRANSLATOR_KEY is "
                        "not set."));
            // Removing what is not there is no error.
            QCOMPARE(remove(store, name), Error());
            QVERIFY(read(store, "TranslatorKey-Azure") == (ReadResult {"azure", Error()}));
        }
        // The keyring file is encrypted and nothing else kept the key (grep
        // ends with 1 when no file holds it).
        QVERIFY(QFile::exists(home_.filePath("data/keyrings/login.keyring")));
        QCOMPARE(QProcess::execute("grep",
                     {"-rlF", "-D", "skip", secret, home_.path(),
                         qEnvironmentVariable("XDG_CONFIG_HOME")}),
            1);
        QCOMPARE(log.lines, QStringList());
    }

    // Without a secret service a translator key comes from the environment,
    // and saving or removing a key fails in the user's language.
    void withoutService_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("whyNoKey");
        QTest::addColumn<QString>("failure");
        const QString key = "env-key-7f3a";
        const QString english = "The key could not be saved because no secret service is running.";
        QTest::newRow("translator key from the environment")
            << "TranslatorKey-LibreTranslate" << key << QString() << english;
        QTest::newRow("other names do not use it")
            << "SomethingElse" << key << "No secret service is running." << english;
        QTest::newRow("an empty variable is none")
            << "TranslatorKey-Azure" << QString("")
            << "No secret service is running and REVIEWKEEPER_TRANSLATOR_KEY is not set."
            << english;
        // German stays installed, so its row runs after the rows that read English.
        QTest::newRow("German")
            << "TranslatorKey-DeepL" << QString()
            << "Es läuft kein Schlüsselbund-Dienst und REVIEWKEEPER_TRANSLATOR_KEY ist nicht "
               "gesetzt."
            << "Der Schlüssel konnte nicht gesichert werden, weil kein Schlüsselbund-Dienst läuft.";
    }

    void withoutService()
    {
        QFETCH(QString, name);
        QFETCH(QString, environment);
        QFETCH(QString, whyNoKey);
        QFETCH(QString, failure);
        QVERIFY(!secretServiceRegistered());
        // English has no translation to install.
        const bool german = QByteArray(QTest::currentDataTag()) == "German";
        QCOMPARE(Localization::install(*QCoreApplication::instance(),
                     QLocale(german ? QLocale::German : QLocale::English)),
            QString(german ? "de" : ""));
        if (!environment.isNull())
            qputenv("REVIEWKEEPER_TRANSLATOR_KEY", environment.toUtf8());

        const QString secret = "never-saved-91b2";
        LogCapture log;
        KeychainSecretStore store;
        const bool found =
            read(store, name) == ReadResult {whyNoKey.isEmpty() ? environment : QString(), Error()};
        qunsetenv("REVIEWKEEPER_TRANSLATOR_KEY");
        QVERIFY(found);
        QCOMPARE(store.whyNoKey(), whyNoKey);
        const auto written = write(store, name, secret);
        QVERIFY(written);
        QCOMPARE(written->domain(), KeychainSecretStore::ErrorDomain);
        QCOMPARE(written->code(), int(KeychainSecretStore::NoServiceCode));
        QCOMPARE(written->localizedDescription(), failure);
        const auto removed = remove(store, name);
        QVERIFY(removed);
        QCOMPARE(removed->code(), int(KeychainSecretStore::NoServiceCode));
        QCOMPARE(log.lines.size(), 3);
        QVERIFY(!log.lines.join('\n').contains(secret));
        if (!environment.isEmpty())
            QVERIFY2(!log.lines.join('\n').contains(environment), qPrintable(log.lines.first()));
    }

    // Last: QtKeychain runs one job at a time, and the unanswered one stays.
    void aServiceThatDoesNotAnswerTimesOut()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        SilentService silent;
        QVERIFY(bus.registerVirtualObject(
            "/org/freedesktop/secrets", &silent, QDBusConnection::SubPath));
        QVERIFY(bus.registerService(SecretsName));
        qputenv("REVIEWKEEPER_TRANSLATOR_KEY", "late-key");

        LogCapture log;
        KeychainSecretStore store(std::chrono::milliseconds(300));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(read(store, "TranslatorKey-DeepL") == (ReadResult {"late-key", Error()}));
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(log.lines.size(), 1);
        QVERIFY(!log.lines.first().contains("late-key"));
        qunsetenv("REVIEWKEEPER_TRANSLATOR_KEY");
        bus.unregisterService(SecretsName);
        bus.unregisterObject("/org/freedesktop/secrets", QDBusConnection::UnregisterTree);
    }

private:
    QTemporaryDir home_;
};

// The test runs on a session bus of its own, started by dbus-run-session
// without service directories, and restarts itself there.
int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet(OnPrivateBus)) {
        const QByteArray runner = QStandardPaths::findExecutable("dbus-run-session").toLocal8Bit();
        if (!runner.isEmpty()) {
            qputenv(OnPrivateBus, "1");
            const QByteArray config =
                "--config-file=" RK_SOURCE_DIR "/tests/platform/secretstore-bus.conf";
            std::vector<char *> arguments {const_cast<char *>("dbus-run-session"),
                const_cast<char *>(config.constData()), const_cast<char *>("--")};
            for (int i = 0; i < argc; ++i)
                arguments.push_back(argv[i]);
            arguments.push_back(nullptr);
            execv(runner.constData(), arguments.data());
            qunsetenv(OnPrivateBus);
        }
    }
    TestEnvironment environment;
    QCoreApplication app(argc, argv);
    SecretStoreTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_secretstore.moc"
