#include "platform/AppPaths.h"
#include "platform/InstanceLock.h"
#include "support/FeedServer.h"
#include "support/ProcessRun.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
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
// the preferences and the store in the test's own folders. The cases run in
// order on one store: each finds what the ones before left.
class CliTest : public QObject {
    Q_OBJECT

    using Result = ProcessRun;

    FeedServer *server_ = nullptr;
    QTemporaryDir dataRoot_;

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

    static QJsonArray json(const QStringList &arguments, const Setup &setup = Setup())
    {
        return QJsonDocument::fromJson(cli(arguments, setup).out).array();
    }

    // RFC 4180: quoted fields may hold commas, quotes and line breaks.
    static QList<QStringList> csv(const QStringList &arguments)
    {
        static const QRegularExpression field("(\"(?:[^\"]|\"\")*\"|[^,\"\r\n]*)(,|\r\n)");
        QList<QStringList> rows {{}};
        for (const auto &match : field.globalMatch(QString::fromUtf8(cli(arguments).out))) {
            QString text = match.captured(1);
            if (text.startsWith(u'"'))
                text = text.mid(1, text.size() - 2).replace("\"\"", "\"");
            rows.last() << text;
            if (match.captured(2) == "\r\n")
                rows << QStringList();
        }
        rows.removeLast();
        return rows;
    }

    // A store of its own, in a new data folder.
    Setup ownStore(const QString &name) const
    {
        Setup setup;
        setup.environment.insert("XDG_DATA_HOME", dataRoot_.filePath(name));
        return setup;
    }

    // Every stored review of the only product of a store has its text, and
    // the product counts exactly those; returns how many there are, -1 if not.
    static qsizetype checkWhole(const QString &identifier, const Setup &setup)
    {
        const Result listed = cli({"reviews", identifier, "--json"}, setup);
        const QJsonArray reviews = QJsonDocument::fromJson(listed.out).array();
        if (listed.status != 0)
            return -1;
        for (const auto &value : reviews) {
            const QJsonObject review = value.toObject();
            const QString number = review["identifier"].toString().mid(1);
            if (review["title"].toString() != "Title " + number
                || review["text"].toString() != QString("Text of review %1 & more <b>").arg(number))
                return -1;
        }
        // The store of its own holds this product only.
        if (json({"products", "--json"}, setup).at(0)["reviewsCount"].toInt() != reviews.size())
            return -1;
        return reviews.size();
    }

    // The values of `keys` in a JSON object, as text.
    static QStringList fields(const QJsonValue &object, const QStringList &keys)
    {
        QStringList values;
        for (const QString &key : keys)
            values << object[key].toVariant().toString();
        return values;
    }

    static QJsonObject product(const QString &id, const QString &kind, const QString &name)
    {
        return {{"trackId", id.toLongLong()}, {"kind", kind}, {"trackName", name},
            {"artistName", "Maker"}, {"version", "2.0"},
            {"currentVersionReleaseDate", "2026-01-01T00:00:00Z"},
            {"trackViewUrl", QString("https://apps.apple.com/us/app/x/id%1").arg(id)},
            {"wrapperType", kind == "ebook" ? "ebook" : "software"}};
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariable("RK_CLI").isEmpty())
            QSKIP("RK_CLI is not set");
        server_ = new FeedServer;
        server_->setLookupRecord("111", QString(), product("111", "software", "Notes"));
        server_->setLookupRecord("222", QString(), product("222", "ebook", "A Book"));
        const QJsonObject rating {{"userRatingCount", 10}, {"userRatingCountForCurrentVersion", 4},
            {"averageUserRating", 4.5}, {"averageUserRatingForCurrentVersion", 4.0}};
        server_->setLookupRecord("111", "US", rating);
        server_->setLookupRecord("111", "CA", rating);
        auto reviews = StoreAnswers::numberedReviews(1, 3);
        reviews[0].title = "Ärger, \"quoted\"\nand a second line";
        // Terminal controls that XML lets through: the C1 control sequence
        // introducer and a right-to-left override.
        reviews[1].title = "Red \u009b31malert\u009b0m \u202Edesrever";
        reviews[2].version = "1.1";
        server_->reviews("111", "US") = reviews;
        server_->reviews("111", "CA") = StoreAnswers::numberedReviews(100, 1);
        server_->http().route("/search", [](const LocalHttpServer::Request &) {
            const QJsonArray results {product("333", "software", "Found App")};
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
                {"search", "x", "--kinds", "films"}, {"search", " "},
                {"ratings", "111", "--country", "US"}}) {
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
        QVERIFY(cli({"config"}).out.contains(("StoreRootURL = " + server_->rootURL()).toUtf8()));
    }

    void searchPrintsTheResults()
    {
        const QJsonArray results = json({"search", "found", "--json"});
        QCOMPARE(results.size(), 1);
        QCOMPARE(fields(results.at(0), {"identifier", "kind", "author"}),
            QStringList({"333", "ios", "Maker"}));
        // A store page's address looks its product up instead.
        const QJsonArray page = json({"search", "https://apps.apple.com/us/app/x/id111", "--json"});
        QCOMPARE(page.size(), 1);
        QCOMPARE(page.at(0)["title"].toString(), QString("Notes"));
    }

    void addUpdatesExactlyTheNewProducts()
    {
        const Result result =
            cli({"add", "111", "https://books.apple.com/us/book/a-book/id222", "111"});
        QVERIFY2(result.status == 0, result.err.constData());
        QVERIFY(result.out.contains("Notes") && result.out.contains("A Book"));
        QVERIFY2(result.out.contains("You have 4 new reviews."), result.err.constData());

        const QJsonArray products = json({"products", "--json"});
        QCOMPARE(products.size(), 2);
        QCOMPARE(fields(products.at(0),
                     {"identifier", "unReadCount", "reviewsCount", "totalRatingCount"}),
            QStringList({"111", "4", "4", "20"}));
        QVERIFY(products.at(0)["lastReviewsUpdate"].toString().endsWith('Z'));

        // Adding it again adds nothing.
        QCOMPARE(cli({"add", "111"}).status, 0);
        QCOMPARE(json({"products", "--json"}).size(), 2);

        // A later update finds the new review, and one its author rated again.
        auto &us = server_->reviews("111", "US");
        us.prepend(StoreAnswers::numberedReviews(50, 1).first());
        us.last().rating = "2";
        const Result update = cli({"update", "111"});
        QVERIFY2(update.status == 0, update.err.constData());
        QCOMPARE(update.out, QByteArray("You have 1 new review and 1 edited review.\n"));
    }

    void reviewsExportAndFilter()
    {
        const QJsonArray all = json({"reviews", "111", "--json"});
        QCOMPARE(all.size(), 5);
        const QList<QStringList> table = csv({"reviews", "111", "--csv"});
        QCOMPARE(table.size(), 6);
        const QStringList header = table.first();
        for (qsizetype i = 0; i < all.size(); ++i) {
            const QString id = all.at(i)["identifier"].toString();
            QCOMPARE(table.at(i + 1).at(header.indexOf("identifier")), id);
            QCOMPARE(table.at(i + 1).at(header.indexOf("title")), all.at(i)["title"].toString());
            QCOMPARE(table.at(i + 1).at(header.indexOf("edited")), id == "r3" ? "true" : "false");
        }
        QCOMPARE(json({"reviews", "111", "--country", "ca", "--json"}).size(), 1);

        // The review rated again, with what it showed before.
        const QJsonArray edited = json({"reviews", "111", "--edited", "--json"});
        QCOMPARE(edited.size(), 1);
        QCOMPARE(fields(edited.at(0), {"identifier", "rating", "previousRating"}),
            QStringList({"r3", "2", "4"}));
        const QJsonArray earlier = edited.at(0)["previousVersions"].toArray();
        QCOMPARE(earlier.size(), 1);
        QCOMPARE(earlier.at(0)["title"].toString(), QString("Title 3"));
        QVERIFY(earlier.at(0)["dateReplaced"].toString().endsWith('Z'));
        QCOMPARE(json({"reviews", "111", "--version", "1.1", "--json"}).size(), 1);
        const QJsonArray found = json({"reviews", "111", "--search", "ärger", "--json"});
        QCOMPARE(found.size(), 1);
        QVERIFY(found.at(0)["title"].toString().startsWith("Ärger"));

        // Text from the network never reaches a terminal raw.
        const QByteArray plain = cli({"reviews", "111"}).out;
        QVERIFY(!plain.contains("\u009b"));
        QVERIFY(!plain.contains("\u202E"));
        QVERIFY(plain.contains("Red 31malert0m desrever"));

        QCOMPARE(cli({"reviews", "111", "--unread", "--country", "US", "--mark-read"}).status, 0);
        QCOMPARE(json({"reviews", "111", "--unread", "--json"}).size(), 1);
        QCOMPARE(json({"products", "--json"}).at(0)["unReadCount"].toInt(), 1);

        const QList<QStringList> ratings = csv({"ratings", "111", "--csv"});
        QCOMPARE(ratings.size(), 3);
        QCOMPARE(ratings.at(1).mid(1, 2), QStringList({"CA", "10"}));

        // Every import so far fell on one day: one snapshot per country.
        const QList<QStringList> history = csv({"ratings", "111", "--history", "--csv"});
        QCOMPARE(history.size(), 3);
        QCOMPARE(history.at(1).mid(1), QStringList({"CA", "10", "4.5", "4", "4", "2.0"}));
        QVERIFY(QDate::fromString(history.at(1).at(0), Qt::ISODate).isValid());
        const QJsonArray us = json({"ratings", "111", "--history", "--country", "us", "--json"});
        QCOMPARE(us.size(), 1);
        QCOMPARE(us.at(0)["day"].toString(), history.at(2).at(0));

        QCOMPARE(cli({"reviews", "999"}).status, 1);
    }

    // Translations are fetched once, one request per review, and reused; a
    // refusal is reported once and stops the run, storing nothing.
    void translateReusesStoredTranslations()
    {
        QHash<QString, int> requests;
        server_->http().route(
            "/libre/translate", [&requests](const LocalHttpServer::Request &request) {
                const QJsonObject body = QJsonDocument::fromJson(request.body).object();
                const QString target = body["target"].toString();
                ++requests[target];
                if (target == "fr")
                    return LocalHttpServer::Response::withStatus(429);
                QJsonArray translated;
                for (const auto &text : body["q"].toArray())
                    translated << QString("[%1] %2").arg(target, text.toString());
                return LocalHttpServer::Response::ok(
                    QJsonDocument(QJsonObject {{"translatedText", translated}}).toJson(),
                    "application/json");
            });
        QCOMPARE(cli({"config", "TranslationProvider", "LibreTranslate"}).status, 0);
        QCOMPARE(cli({"config", "LibreTranslateURL", server_->rootURL() + "libre"}).status, 0);
        // No secret service: the key, which this server does not need, is absent.
        Setup setup;
        setup.environment.remove("DBUS_SESSION_BUS_ADDRESS");

        for (int run = 0; run < 2; ++run) {
            const Result result =
                cli({"reviews", "111", "--country", "CA", "--translate", "de", "--json"}, setup);
            QCOMPARE(result.status, 0);
            const QJsonArray translated = QJsonDocument::fromJson(result.out).array();
            QCOMPARE(translated.size(), 1);
            QCOMPARE(translated.at(0)["title"].toString(), QString("[de] Title 100"));
            QVERIFY(translated.at(0)["text"].toString().startsWith("[de] "));
            QCOMPARE(result.err.contains("Translating review 1 of 1"), run == 0);
        }
        QCOMPARE(requests.value("de"), 1);

        const Result refused =
            cli({"reviews", "111", "--country", "US", "--translate", "fr", "--json"}, setup);
        QCOMPARE(refused.status, 1);
        QCOMPARE(requests.value("fr"), 1);
        QVERIFY(refused.err.contains("left untranslated"));
        for (const auto &value : QJsonDocument::fromJson(refused.out).array())
            QVERIFY(!value.toObject()["title"].toString().startsWith("[fr]"));
        QCOMPARE(cli({"reviews", "111", "--translate", ""}).status, 2);
    }

    // More new reviews than the feed's pages reach leave a gap: from the
    // newest stored review to the oldest one the last page held.
    void gapsAreListedAndCounted()
    {
        auto burst = StoreAnswers::numberedReviews(1000, 600);
        for (qsizetype i = 0; i < burst.size(); ++i)
            burst[i].updated = QDateTime(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC)
                                   .addSecs(-3600 * i)
                                   .toString(Qt::ISODate);
        auto &us = server_->reviews("111", "US");
        us = burst + us;
        QCOMPARE(cli({"update", "111"}).out, QByteArray("You have 500 new reviews.\n"));
        const QJsonArray gaps = json({"gaps", "--json"});
        QCOMPARE(gaps.size(), 1);
        QCOMPARE(fields(gaps.at(0), {"product", "countryCode", "from", "to"}),
            QStringList({"111", "US", "2026-01-02T17:00:00Z", "2026-02-08T05:00:00Z"}));
        QVERIFY(cli({"gaps", "111"}).out.contains("2026-02-08T05:00:00Z"));
        QCOMPARE(json({"gaps", "222", "--json"}).size(), 0);
        QCOMPARE(cli({"gaps", "999"}).status, 1);
        for (const QJsonValue &value : json({"products", "--json"}))
            QCOMPARE(value["gaps"].toInt(), value["identifier"].toString() == "111" ? 1 : 0);
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
        server_->setLookupRecord("444", QString(), product("444", "software", "Big"));
        server_->reviews("444", "US") = StoreAnswers::numberedReviews(1000, 300);
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
        const qsizetype stored = checkWhole("444", setup);
        QVERIFY(stored >= 0 && stored < 300);
        // Only what reached the store is announced as new.
        if (full.out.contains("new review"))
            QVERIFY2(full.out.contains(stored == 0
                             ? QByteArray("No new reviews.")
                             : QString("You have %1 new review").arg(stored).toUtf8()),
                full.out.constData());
        // The product stays unfinished: the next update stores the rest, once.
        QCOMPARE(cli({"update"}, setup).status, 0);
        QCOMPARE(checkWhole("444", setup), 300);
    }

    // A stopped update keeps whole reviews and leaves the product unfinished:
    // SIGTERM and SIGINT save what was fetched, SIGKILL may lose the last
    // save. The next update stores the rest, and nothing twice.
    void stoppedUpdateKeepsWholeReviews_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("status");
        QTest::newRow("SIGTERM") << int(SIGTERM) << 128 + SIGTERM;
        QTest::newRow("SIGINT") << int(SIGINT) << 128 + SIGINT;
        QTest::newRow("SIGKILL") << int(SIGKILL) << -2;
    }

    void stoppedUpdateKeepsWholeReviews()
    {
        QFETCH(int, signal);
        QFETCH(int, status);
        const QString id = QString::number(600 + signal);
        server_->setLookupRecord(id, QString(), product(id, "software", "Slow"));
        server_->reviews(id, "CA") = StoreAnswers::numberedReviews(1, 60);
        server_->reviews(id, "US") = StoreAnswers::numberedReviews(100, 500);
        server_->setDelayMs(150);
        server_->clearRecorded();
        Setup setup = ownStore("signal" + id);
        QByteArray progress;
        qsizetype askedWhenCanadaDone = -1;
        setup.meanwhile = [&](QProcess &process) {
            // Stopped once Canada has answered, long before the United States:
            // SIGTERM and SIGINT while its merge runs, SIGKILL once it had time.
            progress += process.readAllStandardError();
            if (askedWhenCanadaDone < 0 && progress.contains("Updating Reviews: Slow (Canada)"))
                askedWhenCanadaDone = server_->feedRequests().size();
            const qsizetype settle = signal == SIGKILL ? 2 : 0;
            if (askedWhenCanadaDone < 0
                || server_->feedRequests().size() < askedWhenCanadaDone + settle)
                return false;
            ::kill(pid_t(process.processId()), signal);
            return true;
        };
        const Result stopped = cli({"add", id}, setup);
        server_->setDelayMs(0);
        QVERIFY2(stopped.status == status, QByteArray(progress + stopped.err).constData());
        QVERIFY(server_->feedRequests().size() < 12);
        setup.meanwhile = {};
        const qsizetype kept = checkWhole(id, setup);
        if (signal == SIGKILL)
            QVERIFY2(kept >= 0 && kept <= 60, qPrintable(QString::number(kept)));
        else
            QCOMPARE(kept, 60);
        QVERIFY(
            json({"products", "--json"}, setup).at(0)["lastReviewsUpdate"].toString().isEmpty());
        QCOMPARE(cli({"update"}, setup).status, 0);
        QCOMPARE(checkWhole(id, setup), 560);
        // A country read in full for the first time has no gap.
        QCOMPARE(json({"gaps", "--json"}, setup).size(), 0);
    }

    void removeDeletesProductsAndEmptyGroups()
    {
        QCOMPARE(cli({"remove", "222"}).status, 0);
        QCOMPARE(fields(json({"products", "--json"}).at(0), {"identifier"}), QStringList {"111"});
        QCOMPARE(cli({"remove", "222"}).status, 1);
        // The gaps go with their product.
        QCOMPARE(cli({"remove", "111"}).status, 0);
        QCOMPARE(json({"gaps", "--json"}).size(), 0);
    }
};

RK_TEST_MAIN(CliTest)
#include "tst_cli.moc"
