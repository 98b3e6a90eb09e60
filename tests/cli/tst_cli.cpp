#include "model/DataModel.h"
#include "platform/AppPaths.h"
#include "platform/InstanceLock.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "support/FeedServer.h"
#include "support/ProcessRun.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

// How a run differs from a plain one.
struct Setup {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Runs in the child before the companion starts.
    std::function<void()> child;
    // Called while the companion runs, until it returns true.
    std::function<bool(QProcess &)> meanwhile;
};

// Drives reviewkeeper-cli as a process against the local store server, with
// the preferences and the store in the test's own folders.
class CliTest : public QObject {
    Q_OBJECT

    using Result = ProcessRun;

    FeedServer *server_ = nullptr;
    QTemporaryDir dataRoot_;

    // Runs the companion; the server keeps answering meanwhile.
    static Result cli(const QStringList &arguments, const Setup &setup = Setup())
    {
        QProcess process;
        process.setProgram(qEnvironmentVariable("RK_CLI"));
        process.setArguments(arguments);
        process.setProcessEnvironment(setup.environment);
        if (setup.child)
            process.setChildProcessModifier(setup.child);
        return ProcessRun::of(process, setup.meanwhile);
    }

    // A store of its own, in a new data folder.
    Setup ownStore(const QString &name) const
    {
        Setup setup;
        setup.environment.insert(QStringLiteral("XDG_DATA_HOME"), dataRoot_.filePath(name));
        return setup;
    }

    // Every stored review of a product has its text, and the product counts
    // exactly those; returns how many there are.
    qsizetype checkWhole(const QString &identifier, const Setup &setup)
    {
        const Result listed = cli({"reviews", identifier, "--json"}, setup);
        if (listed.status != 0) {
            qWarning("%s", listed.err.constData());
            return -1;
        }
        const QJsonArray reviews = jsonArray(listed.out);
        for (const auto &value : reviews) {
            const QJsonObject review = value.toObject();
            const QString number = review["identifier"].toString().mid(1);
            if (review["title"].toString() != QLatin1String("Title ") + number
                || review["text"].toString() != QString("Text of review %1 & more <b>").arg(number))
                return -1;
        }
        for (const auto &value : jsonArray(cli({"products", "--json"}, setup).out)) {
            const QJsonObject product = value.toObject();
            if (product["identifier"].toString() == identifier
                && product["reviewsCount"].toInt() != reviews.size())
                return -1;
        }
        return reviews.size();
    }

    static QJsonArray jsonArray(const QByteArray &bytes)
    {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
        return document.array();
    }

    // RFC 4180: quoted fields may hold commas, quotes and line breaks.
    static QList<QStringList> parseCsv(const QByteArray &bytes)
    {
        const QString text = QString::fromUtf8(bytes);
        auto at = [&](qsizetype i) { return i < text.size() ? text.at(i) : QChar(); };
        QList<QStringList> rows;
        QStringList row;
        QString field;
        bool quoted = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (quoted) {
                if (c == QLatin1Char('"') && at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else if (c == QLatin1Char('"')) {
                    quoted = false;
                } else {
                    field += c;
                }
            } else if (c == QLatin1Char('"')) {
                quoted = true;
            } else if (c == QLatin1Char(',')) {
                row << field;
                field.clear();
            } else if (c == QLatin1Char('\r') && at(i + 1) == QLatin1Char('\n')) {
                row << field;
                rows << row;
                row.clear();
                field.clear();
                ++i;
            } else {
                field += c;
            }
        }
        return rows;
    }

    static QJsonObject product(const QString &id, const QString &kind, const QString &name)
    {
        QJsonObject record;
        record.insert("trackId", qint64(id.toLongLong()));
        record.insert("kind", kind);
        record.insert("trackName", name);
        record.insert("artistName", "Maker");
        record.insert("version", "2.0");
        record.insert("currentVersionReleaseDate", "2026-01-01T00:00:00Z");
        record.insert("trackViewUrl", QString("https://apps.apple.com/us/app/x/id" + id));
        record.insert("wrapperType", kind == QLatin1String("ebook") ? "ebook" : "software");
        return record;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariable("RK_CLI").isEmpty())
            QSKIP("RK_CLI is not set");
        server_ = new FeedServer;
        server_->setLookupRecord(QStringLiteral("111"), QString(),
            product(QStringLiteral("111"), QStringLiteral("software"), QStringLiteral("Notes")));
        server_->setLookupRecord(QStringLiteral("222"), QString(),
            product(QStringLiteral("222"), QStringLiteral("ebook"), QStringLiteral("A Book")));
        QJsonObject rating {{"userRatingCount", 10}, {"userRatingCountForCurrentVersion", 4},
            {"averageUserRating", 4.5}, {"averageUserRatingForCurrentVersion", 4.0}};
        server_->setLookupRecord(QStringLiteral("111"), QStringLiteral("US"), rating);
        server_->setLookupRecord(QStringLiteral("111"), QStringLiteral("CA"), rating);
        auto reviews = StoreAnswers::numberedReviews(1, 3);
        reviews[0].title = QStringLiteral("Ärger, \"quoted\"\nand a second line");
        // Terminal controls that XML lets through: the C1 control sequence
        // introducer and a right-to-left override.
        reviews[1].title = QString::fromUtf8("Red \u009b31malert\u009b0m \u202Edesrever");
        reviews[2].version = QStringLiteral("1.1");
        server_->reviews(QStringLiteral("111"), QStringLiteral("US")) = reviews;
        server_->reviews(QStringLiteral("111"), QStringLiteral("CA")) =
            StoreAnswers::numberedReviews(100, 1);
        server_->http().route(QStringLiteral("/search"), [](const LocalHttpServer::Request &) {
            QJsonArray results {product(
                QStringLiteral("333"), QStringLiteral("software"), QStringLiteral("Found App"))};
            return LocalHttpServer::Response::ok(
                QJsonDocument(QJsonObject {{"resultCount", 1}, {"results", results}}).toJson(),
                "application/json");
        });
    }

    void cleanupTestCase() { delete server_; }

    void wrongUsageExitsWithTwo()
    {
        for (const QStringList &arguments :
            QList<QStringList> {{}, {"frobnicate"}, {"reviews"}, {"products", "--json", "--csv"},
                {"products", "--nope"}, {"config", "AutomaticUpdateInterval", "soon"},
                {"config", "SelectedRegions", "Atlantis"}, {"add", "not-an-id"},
                {"search", "x", "--kinds", "films"}, {"ratings", "111", "--country", "US"}}) {
            const Result result = cli(arguments);
            QVERIFY2(result.status == 2, qPrintable(arguments.join(' ') + ": " + result.err));
            QVERIFY(!result.err.isEmpty());
        }
        QCOMPARE(cli({"--help"}).status, 0);
    }

    void configReadsAndWrites()
    {
        QCOMPARE(cli({"config", "StoreRootURL", server_->rootURL()}).status, 0);
        QCOMPARE(cli({"config", "SelectedRegions", "UnitedStatesAndCanada"}).status, 0);
        QCOMPARE(cli({"config", "SelectedRegions"}).out, QByteArray("UnitedStatesAndCanada\n"));
        QCOMPARE(cli({"config", "AutomaticUpdateInterval", "3600"}).status, 0);
        QCOMPARE(cli({"config", "AutomaticUpdateInterval"}).out, QByteArray("3600\n"));
        const QByteArray line = "StoreRootURL = " + server_->rootURL().toUtf8();
        QVERIFY(cli({"config"}).out.contains(line));
    }

    void searchPrintsTheResults()
    {
        const Result result = cli({"search", "found", "--json"});
        QCOMPARE(result.status, 0);
        const QJsonArray results = jsonArray(result.out);
        QCOMPARE(results.size(), 1);
        QCOMPARE(results.at(0)["identifier"].toString(), QStringLiteral("333"));
        QCOMPARE(results.at(0)["kind"].toString(), QStringLiteral("ios"));
        QCOMPARE(results.at(0)["author"].toString(), QStringLiteral("Maker"));
    }

    void addUpdatesExactlyTheNewProducts()
    {
        const Result result =
            cli({"add", "111", "https://books.apple.com/us/book/a-book/id222", "111"});
        QVERIFY2(result.status == 0, result.err.constData());
        QVERIFY(result.out.contains("Notes"));
        QVERIFY(result.out.contains("A Book"));
        QVERIFY2(result.out.contains("You have 4 new reviews."), result.err.constData());
        QVERIFY(result.err.contains("Loading Reviews"));

        const QJsonArray products = jsonArray(cli({"products", "--json"}).out);
        QCOMPARE(products.size(), 2);
        QJsonObject app;
        for (const auto &value : products)
            if (value.toObject()["identifier"].toString() == QLatin1String("111"))
                app = value.toObject();
        QCOMPARE(app["kind"].toString(), QStringLiteral("ios"));
        QCOMPARE(app["unReadCount"].toInt(), 4);
        QCOMPARE(app["reviewsCount"].toInt(), 4);
        QCOMPARE(app["totalRatingCount"].toInt(), 20);
        QVERIFY(app["lastReviewsUpdate"].toString().endsWith('Z'));
        QCOMPARE(app["group"].toString().isEmpty(), false);

        // Adding it again adds nothing.
        const Result again = cli({"add", "111"});
        QCOMPARE(again.status, 0);
        QCOMPARE(jsonArray(cli({"products", "--json"}).out).size(), 2);

        // A later update finds the new review, and one its author rated again.
        auto &us = server_->reviews(QStringLiteral("111"), QStringLiteral("US"));
        us.prepend(StoreAnswers::numberedReviews(50, 1).first());
        us.last().rating = QStringLiteral("2");
        const Result update = cli({"update", "111"});
        QVERIFY2(update.status == 0, update.err.constData());
        QCOMPARE(update.out, QByteArray("You have 1 new review and 1 edited review.\n"));
        QCOMPARE(cli({"update"}).out, QByteArray("No new reviews.\n"));
    }

    void reviewsExportAndFilter()
    {
        const QJsonArray json = jsonArray(cli({"reviews", "111", "--json"}).out);
        QCOMPARE(json.size(), 5);
        const QList<QStringList> csv = parseCsv(cli({"reviews", "111", "--csv"}).out);
        QCOMPARE(csv.size(), 6);
        QCOMPARE(csv.first().first(), QStringLiteral("product"));
        const qsizetype titleColumn = csv.first().indexOf(QStringLiteral("title"));
        const qsizetype idColumn = csv.first().indexOf(QStringLiteral("identifier"));
        for (qsizetype i = 0; i < json.size(); ++i) {
            QCOMPARE(csv.at(i + 1).at(idColumn), json.at(i)["identifier"].toString());
            QCOMPARE(csv.at(i + 1).at(titleColumn), json.at(i)["title"].toString());
        }
        // Newest first, dates in UTC.
        QVERIFY(json.at(0)["dateReviewed"].toString() >= json.at(1)["dateReviewed"].toString());
        QVERIFY(json.at(0)["dateReviewed"].toString().endsWith('Z'));

        QCOMPARE(jsonArray(cli({"reviews", "111", "--country", "ca", "--json"}).out).size(), 1);

        // The review rated again, with what it showed before.
        const QJsonArray edited = jsonArray(cli({"reviews", "111", "--edited", "--json"}).out);
        QCOMPARE(edited.size(), 1);
        QCOMPARE(edited.at(0)["identifier"].toString(), QStringLiteral("r3"));
        QCOMPARE(edited.at(0)["rating"].toDouble(), 2.0);
        QCOMPARE(edited.at(0)["previousRating"].toDouble(), 4.0);
        const QJsonArray earlier = edited.at(0)["previousVersions"].toArray();
        QCOMPARE(earlier.size(), 1);
        QCOMPARE(earlier.at(0)["rating"].toDouble(), 4.0);
        QCOMPARE(earlier.at(0)["title"].toString(), QStringLiteral("Title 3"));
        QVERIFY(earlier.at(0)["dateReplaced"].toString().endsWith('Z'));
        const qsizetype editedColumn = csv.first().indexOf(QStringLiteral("edited"));
        QCOMPARE(csv.first().last(), QStringLiteral("previousRating"));
        for (qsizetype i = 1; i < csv.size(); ++i)
            QCOMPARE(csv.at(i).at(editedColumn),
                csv.at(i).at(idColumn) == QLatin1String("r3") ? "true" : "false");
        QCOMPARE(jsonArray(cli({"reviews", "111", "--version", "1.1", "--json"}).out).size(), 1);
        const QJsonArray found =
            jsonArray(cli({"reviews", "111", "--search", "ärger", "--json"}).out);
        QCOMPARE(found.size(), 1);
        QVERIFY(found.at(0)["title"].toString().startsWith(QStringLiteral("Ärger")));

        // Text from the network never reaches a terminal raw.
        const QByteArray plain = cli({"reviews", "111"}).out;
        QVERIFY(!plain.contains("\u009b"));
        QVERIFY(!plain.contains("\u202E"));
        QVERIFY(plain.contains("Red 31malert0m desrever"));

        QCOMPARE(cli({"reviews", "111", "--unread", "--country", "US", "--mark-read"}).status, 0);
        QCOMPARE(jsonArray(cli({"reviews", "111", "--unread", "--json"}).out).size(), 1);
        QCOMPARE(jsonArray(cli({"products", "--json"}).out).at(0)["unReadCount"].toInt(), 1);

        const QList<QStringList> ratings = parseCsv(cli({"ratings", "111", "--csv"}).out);
        QCOMPARE(ratings.size(), 3);
        QCOMPARE(ratings.at(1).at(1), QStringLiteral("CA"));
        QCOMPARE(ratings.at(1).at(2), QStringLiteral("10"));

        // Every import so far fell on one day: one snapshot per country.
        const QList<QStringList> history =
            parseCsv(cli({"ratings", "111", "--history", "--csv"}).out);
        QCOMPARE(history.size(), 3);
        QCOMPARE(history.at(0),
            QStringList({"day", "countryCode", "ratingCount", "averageRating",
                "ratingCountForCurrentVersion", "averageRatingForCurrentVersion",
                "currentVersion"}));
        QCOMPARE(history.at(1).mid(1), QStringList({"CA", "10", "4.5", "4", "4", "2.0"}));
        QCOMPARE(history.at(2).at(1), QStringLiteral("US"));
        QVERIFY(QDate::fromString(history.at(1).at(0), Qt::ISODate).isValid());
        const QJsonArray us =
            jsonArray(cli({"ratings", "111", "--history", "--country", "us", "--json"}).out);
        QCOMPARE(us.size(), 1);
        QCOMPARE(us.at(0)["day"].toString(), history.at(2).at(0));
        QCOMPARE(us.at(0)["ratingCount"].toInt(), 10);
        QVERIFY(cli({"ratings", "111", "--history"}).out.contains("CA"));

        QCOMPARE(cli({"reviews", "999"}).status, 1);
    }

    // Translations are fetched once, one request per review, and reused; a
    // refusal is reported once and stops the run, storing nothing.
    void translateReusesStoredTranslations()
    {
        QHash<QString, int> requests;
        server_->http().route(QStringLiteral("/libre/translate"),
            [&requests](const LocalHttpServer::Request &request) {
                const QJsonObject body = QJsonDocument::fromJson(request.body).object();
                const QString target = body["target"].toString();
                ++requests[target];
                if (target == QLatin1String("fr"))
                    return LocalHttpServer::Response::withStatus(429);
                QJsonArray translated;
                for (const auto &text : body["q"].toArray())
                    translated << QStringLiteral("[%1] %2").arg(target, text.toString());
                return LocalHttpServer::Response::ok(
                    QJsonDocument(QJsonObject {{"translatedText", translated}}).toJson(),
                    "application/json");
            });
        QCOMPARE(cli({"config", "TranslationProvider", "LibreTranslate"}).status, 0);
        QCOMPARE(cli({"config", "LibreTranslateURL", server_->rootURL() + "libre"}).status, 0);
        // No secret service: the key, which this server does not need, is absent.
        Setup setup;
        setup.environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));

        for (int run = 0; run < 2; ++run) {
            const Result result =
                cli({"reviews", "111", "--country", "CA", "--translate", "de", "--json"}, setup);
            QCOMPARE(result.status, 0);
            const QJsonArray json = jsonArray(result.out);
            QCOMPARE(json.size(), 1);
            QCOMPARE(json.at(0)["title"].toString(), QStringLiteral("[de] Title 100"));
            QCOMPARE(json.at(0)["text"].toString().left(5), QStringLiteral("[de] "));
            QCOMPARE(result.err.contains("Translating review 1 of 1"), run == 0);
        }
        QCOMPARE(requests.value("de"), 1);

        const Result refused =
            cli({"reviews", "111", "--country", "US", "--translate", "fr", "--json"}, setup);
        QCOMPARE(refused.status, 1);
        QCOMPARE(requests.value("fr"), 1);
        QVERIFY(refused.err.contains("left untranslated"));
        for (const auto &value : jsonArray(refused.out))
            QVERIFY(!value.toObject()["title"].toString().startsWith(QStringLiteral("[fr]")));
        QCOMPARE(cli({"reviews", "111", "--translate", ""}).status, 2);
    }

    // Gaps come from updates; one is written straight into the store here.
    void gapsAreListedAndCounted()
    {
        {
            auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
            Error error;
            QVERIFY(coordinator->addSQLiteStore(AppPaths::localStoreFile(), &error));
            ManagedObjectContext context(coordinator);
            FetchRequest request(QStringLiteral("Product"));
            request.predicate =
                Predicate::format(QStringLiteral("identifier == %@"), QStringLiteral("111"));
            const auto products = context.executeFetchRequest(request);
            QCOMPARE(products.size(), 1);
            auto gap = context.insertNewObject(QStringLiteral("ReviewGap"),
                {{QStringLiteral("countryCode"), QStringLiteral("US")},
                    {QStringLiteral("fromDate"), QDateTime(QDate(2026, 1, 1), QTime(), Qt::UTC)},
                    {QStringLiteral("toDate"), QDateTime(QDate(2026, 1, 5), QTime(), Qt::UTC)},
                    {QStringLiteral("dateNoticed"), QDateTime::currentDateTimeUtc()}});
            gap->setObject(QStringLiteral("product"), products.first());
            QVERIFY(context.save());
        }
        const QJsonArray json = jsonArray(cli({"gaps", "--json"}).out);
        QCOMPARE(json.size(), 1);
        QCOMPARE(json.at(0)["product"].toString(), QStringLiteral("111"));
        QCOMPARE(json.at(0)["countryCode"].toString(), QStringLiteral("US"));
        QCOMPARE(json.at(0)["from"].toString(), QStringLiteral("2026-01-01T00:00:00Z"));
        QCOMPARE(json.at(0)["to"].toString(), QStringLiteral("2026-01-05T00:00:00Z"));
        const QList<QStringList> csv = parseCsv(cli({"gaps", "111", "--csv"}).out);
        QCOMPARE(csv.size(), 2);
        QCOMPARE(csv.at(1).at(csv.first().indexOf(QStringLiteral("to"))),
            QStringLiteral("2026-01-05T00:00:00Z"));
        QVERIFY(cli({"gaps", "111"}).out.contains("2026-01-01T00:00:00Z"));
        QCOMPARE(jsonArray(cli({"gaps", "222", "--json"}).out).size(), 0);
        QCOMPARE(cli({"gaps", "999"}).status, 1);
        for (const QJsonValue &value : jsonArray(cli({"products", "--json"}).out)) {
            const QJsonObject product = value.toObject();
            QCOMPARE(product["gaps"].toInt(),
                product["identifier"].toString() == QLatin1String("111") ? 1 : 0);
        }
    }

    void storeThatCannotBeLocked_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("another instance holds it")
            << true << 3 << "ReviewKeeper is already running.";
        // The data folder under a regular file: no lock file, for root too.
        QTest::newRow("lock file cannot be created")
            << false << 1 << "The lock file %1 could not be created: Not a directory.";
    }

    void storeThatCannotBeLocked()
    {
        QFETCH(bool, held);
        QFETCH(int, status);
        QFETCH(QString, message);
        Setup setup;
        InstanceLock lock(AppPaths::lockFile());
        if (held) {
            QVERIFY(lock.tryLock());
        } else {
            QFile file(dataRoot_.filePath("a-file"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            setup = ownStore("a-file");
            message = message.arg(
                dataRoot_.filePath("a-file/org.reviewkeeper.ReviewKeeper/ReviewKeeper.lock"));
        }
        for (const QStringList &arguments : QList<QStringList> {{"update"}, {"remove", "111"},
                 {"reviews", "111", "--mark-read"}, {"config", "AutoUpdateAtStartup", "false"}}) {
            const Result result = cli(arguments, setup);
            QVERIFY2(result.status == status, qPrintable(arguments.join(' ') + ": " + result.err));
            QVERIFY2(result.err.contains(message.toUtf8()), result.err.constData());
        }
        if (held) {
            // Reading works meanwhile.
            QCOMPARE(cli({"products"}).status, 0);
            QCOMPARE(cli({"config", "SelectedRegions"}).status, 0);
        }
    }

    void fullDiskFailsTheCommandAndKeepsTheStoreWhole()
    {
        server_->setLookupRecord(QStringLiteral("444"), QString(),
            product(QStringLiteral("444"), QStringLiteral("software"), QStringLiteral("Big")));
        server_->reviews(QStringLiteral("444"), QStringLiteral("US")) =
            StoreAnswers::numberedReviews(1000, 300);
        Setup setup = ownStore("full");
        QCOMPARE(cli({"update"}, setup).status, 0); // an empty store with its countries
        const QString store =
            dataRoot_.filePath("full/org.reviewkeeper.ReviewKeeper/ReviewKeeper.db");
        // Room for a few reviews in each file, not for 300: SQLite's writes
        // fail with EFBIG, as on a full disk.
        const rlim_t limit = rlim_t(QFileInfo(store).size() + 16 * 1024);
        setup.child = [limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size {limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
        };
        const Result full = cli({"add", "444"}, setup);
        QVERIFY2(full.status == 1, full.err.constData());
        QVERIFY(!full.err.isEmpty());
        setup.child = {};
        const qsizetype stored = checkWhole(QStringLiteral("444"), setup);
        QVERIFY(stored >= 0 && stored < 300);
        // Only what reached the store is announced as new.
        if (full.out.contains("new review"))
            QVERIFY2(full.out.contains(stored == 0
                             ? QByteArray("No new reviews.")
                             : QString("You have %1 new review").arg(stored).toUtf8()),
                full.out.constData());
    }

    void signalSavesWhatWasFetched_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void signalSavesWhatWasFetched()
    {
        QFETCH(int, signal);
        const QString id = QString::number(600 + signal);
        server_->setLookupRecord(id, QString(), product(id, "software", "Slow"));
        server_->reviews(id, QStringLiteral("CA")) = StoreAnswers::numberedReviews(1, 60);
        server_->reviews(id, QStringLiteral("US")) = StoreAnswers::numberedReviews(100, 500);
        server_->setDelayMs(150);
        server_->clearRecorded();
        Setup setup = ownStore("signal" + id);
        QByteArray progress;
        setup.meanwhile = [&](QProcess &process) {
            // Stopped once Canada has answered, long before the United States.
            progress += process.readAllStandardError();
            if (!progress.contains("Updating Reviews: Slow (Canada)"))
                return false;
            ::kill(pid_t(process.processId()), signal);
            return true;
        };
        const Result stopped = cli({"add", id}, setup);
        server_->setDelayMs(0);
        QVERIFY2(stopped.status == 128 + signal, QByteArray(progress + stopped.err).constData());
        QVERIFY(server_->feedRequests().size() < 12);
        setup.meanwhile = {};
        QCOMPARE(checkWhole(id, setup), 60);
    }

    void removeDeletesProductsAndEmptyGroups()
    {
        QCOMPARE(cli({"remove", "222"}).status, 0);
        const QJsonArray products = jsonArray(cli({"products", "--json"}).out);
        QCOMPARE(products.size(), 1);
        QCOMPARE(products.at(0)["identifier"].toString(), QStringLiteral("111"));
        QCOMPARE(cli({"remove", "222"}).status, 1);
    }
};

RK_TEST_MAIN(CliTest)
#include "tst_cli.moc"
