#include "platform/KeychainSecretStore.h"
#include "platform/Localization.h"
#include "platform/Log.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <optional>
#include <unistd.h>

namespace {
const char *const OnPrivateBus = "RK_SECRETSTORE_PRIVATE_BUS";
const QString SecretsName = QStringLiteral("org.freedesktop.secrets");

bool secretServiceRegistered()
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(SecretsName);
}

// gnome-keyring-daemon on the test's session bus, its keyrings in a folder of
// the test, unlocked with a password on standard input.
class KeyringDaemon {
public:
    explicit KeyringDaemon(const QString &home) : home_(home) { }
    ~KeyringDaemon() { stop(); }

    bool start()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home_);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home_ + QStringLiteral("/data"));
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("gnome-keyring-daemon"),
            {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                QStringLiteral("--components=secrets")});
        if (!process_.waitForStarted(5000))
            return false;
        process_.write("keyring password");
        process_.closeWriteChannel();
        return waitFor([] { return secretServiceRegistered(); }, nullptr, 5000);
    }

    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(2000);
        waitFor([] { return !secretServiceRegistered(); }, nullptr, 5000);
    }

private:
    QString home_;
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
};

std::optional<ReadResult> read(SecretStore &store, const QString &name)
{
    std::optional<ReadResult> result;
    int calls = 0;
    store.readSecret(name, [&](const QString &secret, const Error &error) {
        ++calls;
        result = ReadResult {secret, error};
    });
    waitFor([&] { return calls > 0; }, nullptr, 5000);
    // A second completion would arrive on a later turn.
    QTest::qWait(20);
    return calls == 1 ? result : std::nullopt;
}

// The error a write or removal completed with, when it completed exactly once.
template<typename Start> std::optional<Error> completion(Start start)
{
    std::optional<Error> result;
    int calls = 0;
    start([&](const Error &error) {
        ++calls;
        result = error;
    });
    waitFor([&] { return calls > 0; }, nullptr, 5000);
    QTest::qWait(20);
    return calls == 1 ? result : std::nullopt;
}

std::optional<Error> write(SecretStore &store, const QString &name, const QString &secret)
{
    return completion([&](SecretStore::WriteCompletion done) {
        store.writeSecret(name, secret, std::move(done));
    });
}

std::optional<Error> remove(SecretStore &store, const QString &name)
{
    return completion(
        [&](SecretStore::WriteCompletion done) { store.deleteSecret(name, std::move(done)); });
}

// Every file below `folder` whose bytes contain `text`.
QStringList filesContaining(const QString &folder, const QString &text)
{
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text.toUtf8()))
            found << file.fileName();
    }
    return found;
}
} // namespace

class SecretStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!qEnvironmentVariableIsSet(OnPrivateBus))
            QSKIP("dbus-run-session is not installed");
        if (QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty())
            QSKIP("gnome-keyring-daemon is not installed");
        QVERIFY(home_.isValid());
        qunsetenv(KeychainSecretStore::TranslatorKeyVariable.toLatin1().constData());
    }

    void keyOutlivesARestartOfTheService()
    {
        const QString secret = QStringLiteral("deepl-key-5c1e:fx");
        const QString name = QStringLiteral("TranslatorKey-DeepL");
        LogCapture log;
        {
            KeyringDaemon daemon(home_.path());
            QVERIFY(daemon.start());
            KeychainSecretStore store;
            QCOMPARE(write(store, name, secret), Error());
            // Another name in the same service stays apart.
            QCOMPARE(write(store, QStringLiteral("TranslatorKey-Azure"), QStringLiteral("azure")),
                Error());
        }
        KeyringDaemon daemon(home_.path());
        QVERIFY(daemon.start());
        {
            KeychainSecretStore store;
            const auto found = read(store, name);
            QVERIFY(found);
            QCOMPARE(found->secret, secret);
            QCOMPARE(found->error, Error());
            QVERIFY(store.whyNoKey().isEmpty());

            QCOMPARE(remove(store, name), Error());
            const auto gone = read(store, name);
            QVERIFY(gone);
            QVERIFY(gone->secret.isNull());
            QCOMPARE(gone->error, Error());
            QCOMPARE(store.whyNoKey(),
                QStringLiteral("No key is kept in the secret service and "
                               "REVIEWKEEPER_TRANSLATOR_KEY is not set."));
            // Removing what is not there is no error.
            QCOMPARE(remove(store, name), Error());
            const auto other = read(store, QStringLiteral("TranslatorKey-Azure"));
            QVERIFY(other);
            QCOMPARE(other->secret, QStringLiteral("azure"));
        }
        // The keyring file is encrypted and nothing else kept the key.
        QVERIFY(QFile::exists(home_.filePath(QStringLiteral("data/keyrings/login.keyring"))));
        QCOMPARE(filesContaining(home_.path(), secret), QStringList());
        QCOMPARE(filesContaining(qEnvironmentVariable("XDG_CONFIG_HOME"), secret), QStringList());
        QCOMPARE(log.lines, QStringList());
    }

    void readWithoutService_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("whyNoKey");

        const QString key = QStringLiteral("env-key-7f3a");
        QTest::newRow("translator key from the environment")
            << "TranslatorKey-LibreTranslate" << key << key << QString();
        QTest::newRow("every provider's name")
            << "TranslatorKey-MicrosoftV2" << key << key << QString();
        QTest::newRow("other names do not use it")
            << "SomethingElse" << key << QString() << "No secret service is running.";
        QTest::newRow("neither")
            << "TranslatorKey-DeepL" << QString() << QString()
            << "No secret service is running and REVIEWKEEPER_TRANSLATOR_KEY is not set.";
        QTest::newRow("an empty variable is none")
            << "TranslatorKey-Azure" << QString("") << QString()
            << "No secret service is running and REVIEWKEEPER_TRANSLATOR_KEY is not set.";
    }

    void readWithoutService()
    {
        QFETCH(QString, name);
        QFETCH(QString, environment);
        QFETCH(QString, expected);
        QFETCH(QString, whyNoKey);
        QVERIFY(!secretServiceRegistered());
        const QByteArray variable = KeychainSecretStore::TranslatorKeyVariable.toLatin1();
        if (environment.isNull())
            qunsetenv(variable.constData());
        else
            qputenv(variable.constData(), environment.toUtf8());

        LogCapture log;
        KeychainSecretStore store;
        const auto found = read(store, name);
        qunsetenv(variable.constData());
        QVERIFY(found);
        QCOMPARE(found->secret, expected);
        QCOMPARE(found->error, Error());
        QCOMPARE(store.whyNoKey(), whyNoKey);
        QCOMPARE(log.lines.size(), 1);
        if (!environment.isEmpty())
            QVERIFY2(!log.lines.first().contains(environment), qPrintable(log.lines.first()));
    }

    void writeWithoutServiceFails()
    {
        const QString secret = QStringLiteral("never-saved-91b2");
        LogCapture log;
        KeychainSecretStore store;
        const auto written = write(store, QStringLiteral("TranslatorKey-DeepL"), secret);
        QVERIFY(written);
        QCOMPARE(written->domain(), KeychainSecretStore::ErrorDomain);
        QCOMPARE(written->code(), int(KeychainSecretStore::NoServiceCode));
        QCOMPARE(written->localizedDescription(),
            QStringLiteral("The key could not be saved because no secret service is running."));
        const auto removed = remove(store, QStringLiteral("TranslatorKey-DeepL"));
        QVERIFY(removed);
        QCOMPARE(removed->code(), int(KeychainSecretStore::NoServiceCode));
        QCOMPARE(log.lines.size(), 2);
        QVERIFY(!log.lines.join('\n').contains(secret));
    }

    // German stays installed, so this runs after the tests that read English.
    void reasonsInGerman()
    {
        QCOMPARE(Localization::install(*QCoreApplication::instance(), QLocale(QLocale::German)),
            QStringLiteral("de"));
        KeychainSecretStore store;
        LogCapture log;
        QVERIFY(read(store, QStringLiteral("TranslatorKey-DeepL")));
        QCOMPARE(store.whyNoKey(),
            QStringLiteral("Es läuft kein Schlüsselbund-Dienst und REVIEWKEEPER_TRANSLATOR_KEY ist "
                           "nicht gesetzt."));
        const auto written =
            write(store, QStringLiteral("TranslatorKey-DeepL"), QStringLiteral("k"));
        QVERIFY(written);
        QCOMPARE(written->localizedDescription(),
            QStringLiteral("Der Schlüssel konnte nicht gesichert werden, weil kein "
                           "Schlüsselbund-Dienst läuft."));
    }

    // Last: QtKeychain runs one job at a time, and the unanswered one stays.
    void aServiceThatDoesNotAnswerTimesOut()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        SilentService silent;
        QVERIFY(bus.registerVirtualObject(
            QStringLiteral("/org/freedesktop/secrets"), &silent, QDBusConnection::SubPath));
        QVERIFY(bus.registerService(SecretsName));
        qputenv(KeychainSecretStore::TranslatorKeyVariable.toLatin1().constData(), "late-key");

        LogCapture log;
        KeychainSecretStore store(std::chrono::milliseconds(300));
        QElapsedTimer timer;
        timer.start();
        const auto found = read(store, QStringLiteral("TranslatorKey-DeepL"));
        QVERIFY(found);
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(found->secret, QStringLiteral("late-key"));
        QCOMPARE(log.lines.size(), 1);
        QVERIFY(!log.lines.first().contains(QStringLiteral("late-key")));
        qunsetenv(KeychainSecretStore::TranslatorKeyVariable.toLatin1().constData());
        bus.unregisterService(SecretsName);
        bus.unregisterObject(
            QStringLiteral("/org/freedesktop/secrets"), QDBusConnection::UnregisterTree);
    }

private:
    QTemporaryDir home_;
};

// The test runs on a session bus of its own, started by dbus-run-session
// without service directories, and restarts itself there.
int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet(OnPrivateBus)) {
        const QByteArray runner =
            QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).toLocal8Bit();
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
