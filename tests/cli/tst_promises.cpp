#include "FakeStore.h"
#include "LocalHttpServer.h"
#include "support/ProcessRun.h"
#include "support/StoreAnswers.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// What ReviewKeeper promises the people who use it, tried the way they meet
// it: the real reviewkeeper-cli, in folders of its own, against the fake
// store. Every case runs updates in a row and checks what the store was asked
// and what the local store holds afterwards.
//
// - Every review the feed offers is stored, exactly once and whole.
// - A stored answer stands in for the store only under the request queue's
//   rule: its max-age is above 0, and it is younger than max(max-age, 3960)
//   seconds. Otherwise the store is asked, conditionally when the stored
//   answer has an ETag, and whatever it answers is the answer.
// - A failed answer is never reported as success: a 503 is logged with its
//   country and leaves the product unfinished, a 403 sends the update to the
//   JSON feed, any other error fails the command. Nothing stored is lost.
// - New reviews reach each forwarding destination once: nothing stored
//   before it was added, nothing twice, and nothing lost while a receiver
//   fails.
namespace {

const QString productId = QStringLiteral("1000000070");
const QString productName = QStringLiteral("Lumen Notes");

// One update, and what it must do.
struct Step {
    // When the update starts: seconds after the last time the store answered
    // page 1 of the United States feed, on the companion's clock.
    qint64 at = 0;
    // Reviews the feed gains before the update.
    int newInUS = 0;
    int newInCanada = 0;
    // The United States XML feed answers with this status; 0: as usual.
    int usStatus = 0;

    // The store is asked for page 1 of the United States XML feed, and
    // names the ETag it stored.
    bool asked = true;
    bool conditional = false;
    int exitStatus = 0;
    QByteArray out {};
    // A line the companion writes to its error stream.
    QByteArray logged {};
    // The product counts as current afterwards: "… done", and otherwise it
    // keeps its lastReviewsUpdate.
    bool current = true;
};

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class PromisesTest : public QObject {
    Q_OBJECT

    using Result = ProcessRun;

    QString cli_;
    QString faketime_;

    // One user: their folders, the store's answers, and the fake store.
    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<LocalHttpServer> server_;
    std::unique_ptr<FakeStore> store_;
    FakeStore::Options options_;
    QHash<QString, QList<StoreAnswers::Review>> feeds_; // by country, lower case
    int nextReview_ = 1000;
    // When the store last answered page 1 of the United States feed, on the
    // companion's clock.
    QDateTime lastFetch_;

    QString answers() const { return home_->filePath(QStringLiteral("answers")); }

    void newUser()
    {
        home_ = std::make_unique<QTemporaryDir>();
        QDir(home_->path()).mkpath(QStringLiteral("answers/products"));
        const QJsonObject product {{"trackId", productId.toLongLong()}, {"kind", "software"},
            {"trackName", productName}, {"artistName", "Lumen Labs"}, {"version", "3.0"},
            {"currentVersionReleaseDate", "2026-11-02T08:00:00Z"},
            {"trackViewUrl", QString("https://apps.apple.com/us/app/id" + productId)},
            {"averageUserRating", 4.5}, {"userRatingCount", 900},
            {"averageUserRatingForCurrentVersion", 4.0}, {"userRatingCountForCurrentVersion", 80}};
        QFile record(answers() + QStringLiteral("/products/%1.json").arg(productId));
        QVERIFY(record.open(QIODevice::WriteOnly));
        record.write(QJsonDocument(product).toJson());
        record.close();
        feeds_.clear();
        feeds_[QStringLiteral("us")] = StoreAnswers::numberedReviews(1, 70);
        feeds_[QStringLiteral("ca")] = StoreAnswers::numberedReviews(501, 5);
        publish();

        server_ = std::make_unique<LocalHttpServer>();
        QVERIFY(server_->listen());
        options_ = {};
        store_ = std::make_unique<FakeStore>(answers(), options_);
        store_->attach(*server_);
        QCOMPARE(run({"config", "StoreRootURL", server_->rootURL()}).status, 0);
        QCOMPARE(run({"config", "SelectedRegions", "UnitedStatesAndCanada"}).status, 0);
    }

    // Writes the feeds as the store pages them: 50 reviews a page, newest
    // first, in both formats.
    void publish()
    {
        for (auto feed = feeds_.cbegin(); feed != feeds_.cend(); ++feed) {
            QDir folder(answers() + QStringLiteral("/reviews/%1/%2").arg(feed.key(), productId));
            folder.removeRecursively();
            QVERIFY(folder.mkpath(QStringLiteral(".")));
            for (qsizetype first = 0, page = 1; first < feed->size(); first += 50, ++page) {
                const auto reviews = feed->mid(first, 50);
                writePage(feed.key(), int(page), StoreAnswers::xmlFeedPage(reviews));
                QFile json(folder.filePath(QStringLiteral("%1.json").arg(page)));
                QVERIFY(json.open(QIODevice::WriteOnly));
                json.write(StoreAnswers::jsonFeedPage(reviews));
            }
        }
    }

    void writePage(const QString &country, int page, const QByteArray &xml)
    {
        QFile file(
            answers() + QStringLiteral("/reviews/%1/%2/%3.xml").arg(country, productId).arg(page));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(xml);
    }

    void addNewReviews(const QString &country, int count)
    {
        auto fresh = StoreAnswers::numberedReviews(nextReview_, count);
        nextReview_ += count;
        feeds_[country] = fresh + feeds_.value(country);
        publish();
    }

    // Runs the companion as the user; with `clock`, on a clock that starts
    // at that second.
    Result run(const QStringList &arguments, std::optional<QDateTime> clock = std::nullopt,
        const std::function<bool(QProcess &)> &meanwhile = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DATA", "CONFIG", "CACHE"}) {
            const QString folder = home_->filePath(QString::fromLatin1(name).toLower());
            environment.insert(QStringLiteral("XDG_%1_HOME").arg(QLatin1String(name)), folder);
        }
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_->path());
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        QString program = cli_;
        QStringList processArguments = arguments;
        if (clock) {
            *clock = clock->toUTC().addMSecs(-clock->time().msec());
            program = faketime_;
            processArguments = QStringList {QStringLiteral("-f"),
                                   clock->toString(QStringLiteral("'@'yyyy-MM-dd hh:mm:ss")), cli_}
                + arguments;
            environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
            // Waits with a deadline on the monotonic clock would never end if
            // it jumped with the wall clock.
            environment.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
            // The clock's library is preloaded ahead of the sanitizer's
            // runtime, and its timed waits can end Qt's wait for the network
            // thread at exit early, which the leak checker would report: the
            // runs on the real clock check for leaks.
            environment.insert(QStringLiteral("ASAN_OPTIONS"),
                environment.value(QStringLiteral("ASAN_OPTIONS"))
                    + QStringLiteral(":verify_asan_link_order=0:detect_leaks=0"));
        }

        server_->clearRequests();
        const qint64 startedMs = server_->elapsedMs();
        const QDateTime startedAt = clock.value_or(QDateTime::currentDateTimeUtc());
        QProcess process;
        process.setProgram(program);
        process.setArguments(processArguments);
        process.setProcessEnvironment(environment);
        const Result result = ProcessRun::of(process, meanwhile);
        for (const auto &request : usPage1Requests())
            lastFetch_ = startedAt.addMSecs(request.arrivalMs - startedMs);
        return result;
    }

    QList<LocalHttpServer::Request> usPage1Requests()
    {
        const QString path =
            QStringLiteral("/us/rss/customerreviews/page=1/id=%1/sortBy=mostRecent/xml")
                .arg(productId);
        QList<LocalHttpServer::Request> found;
        for (const auto &request : server_->requests()) {
            if (request.path().compare(path, Qt::CaseInsensitive) == 0)
                found << request;
        }
        return found;
    }

    QJsonArray json(const QStringList &arguments)
    {
        const Result result = run(arguments);
        if (result.status != 0)
            qWarning("%s", result.err.constData());
        return QJsonDocument::fromJson(result.out).array();
    }

    QString lastReviewsUpdate()
    {
        const QJsonArray products = json({"products", "--json"});
        return products.isEmpty() ? QString() : products.first()["lastReviewsUpdate"].toString();
    }

    // Every review the feeds offer is stored once, with its whole text, and
    // the product counts them.
    void checkStoredOnceAndWhole()
    {
        QStringList offered;
        for (const auto &feed : std::as_const(feeds_))
            for (const auto &review : feed)
                offered << review.identifier;
        QStringList stored;
        for (const auto &value : json({"reviews", productId, "--json"})) {
            const QJsonObject review = value.toObject();
            const QString identifier = review["identifier"].toString();
            const QString number = identifier.mid(1);
            QCOMPARE(review["title"].toString(), QStringLiteral("Title ") + number);
            QCOMPARE(review["text"].toString(),
                QStringLiteral("Text of review %1 & more <b>").arg(number));
            stored << identifier;
        }
        offered.sort();
        stored.sort();
        QCOMPARE(stored, offered);
        QCOMPARE(json({"products", "--json"}).first()["reviewsCount"].toInt(), offered.size());
    }

    // The first load: every review stored, the answers in the cache.
    void firstLoad()
    {
        const Result added = run({"add", productId});
        QVERIFY2(added.status == 0, added.err.constData());
        QVERIFY2(added.out.contains("You have 75 new reviews."), added.out.constData());
        QVERIFY(lastFetch_.isValid());
    }

    // Adds a destination at the fake store's receiver `hook`; answers its number.
    QByteArray forwardTo(const QString &kind, const QString &hook, const QStringList &options = {})
    {
        const Result added = run(QStringList {"forward", "add", kind,
                                     server_->rootURL() + QStringLiteral("hooks/") + hook}
            + options);
        if (added.status != 0)
            qWarning("%s", added.err.constData());
        return added.out.trimmed();
    }

    QList<LocalHttpServer::Request> posts(const QString &hook)
    {
        return store_->receivers().received(hook);
    }

    // The numbers of the reviews whose titles a message carries, whatever its kind.
    static QSet<int> titlesIn(const QByteArray &body)
    {
        QSet<int> numbers;
        static const QRegularExpression title(QStringLiteral("Title (\\d+)"));
        for (const auto &match : title.globalMatch(QString::fromUtf8(body)))
            numbers.insert(match.captured(1).toInt());
        return numbers;
    }

private Q_SLOTS:
    void initTestCase()
    {
        cli_ = qEnvironmentVariable("RK_CLI");
        if (cli_.isEmpty())
            QSKIP("RK_CLI is not set");
        faketime_ = QStandardPaths::findExecutable(QStringLiteral("faketime"));
    }

    void cachedAnswersAndFailures_data()
    {
        QTest::addColumn<QByteArray>("cacheControl");
        QTest::addColumn<bool>("pastExpiry");
        QTest::addColumn<bool>("etag");
        QTest::addColumn<QList<Step>>("steps");

        // New reviews are found by the next update, however soon it runs.
        const QList<Step> asksEachTime {{.at = 0, .newInUS = 1, .out = "You have 1 new review.\n"},
            {.at = 0, .out = "No new reviews.\n"}};
        QTest::newRow("max-age=0") << QByteArray("max-age=0") << false << false << asksEachTime;
        QTest::newRow("no-cache") << QByteArray("no-cache") << false << false << asksEachTime;
        QTest::newRow("no Cache-Control") << QByteArray() << false << false << asksEachTime;
        QTest::newRow("Expires in the past") << QByteArray() << true << false << asksEachTime;

        QTest::newRow("max-age=300: reused for 3960 seconds")
            << QByteArray("max-age=300") << false << false
            << QList<Step> {{.at = 3000, .newInUS = 1, .asked = false, .out = "No new reviews.\n"},
                   {.at = 3962, .out = "You have 1 new review.\n"}};

        QTest::newRow("ETag: 304, then a changed body")
            << QByteArray() << false << true
            << QList<Step> {{.at = 0, .conditional = true, .out = "No new reviews.\n"},
                   {.at = 0, .newInUS = 1, .conditional = true, .out = "You have 1 new review.\n"},
                   {.at = 0, .conditional = true, .out = "No new reviews.\n"}};

        // The other country is merged meanwhile; the product stays unfinished.
        QTest::newRow("503 in one country, on a page the cache holds")
            << QByteArray("no-cache") << false << false
            << QList<Step> {{.at = 0,
                                .newInUS = 1,
                                .newInCanada = 1,
                                .usStatus = 503,
                                .out = "You have 1 new review.\n",
                                .logged = "Service unavailable (United States)",
                                .current = false},
                   {.at = 0, .out = "You have 1 new review.\n"}};
        QTest::newRow("403 on a page the cache holds")
            << QByteArray("max-age=0") << false << false
            << QList<Step> {{.at = 0,
                                .newInUS = 1,
                                .usStatus = 403,
                                .out = "You have 1 new review.\n",
                                .logged = "Proceeding to fallback..."},
                   {.at = 0, .out = "No new reviews.\n"}};
        QTest::newRow("429 on a page the cache holds")
            << QByteArray("no-cache") << false << false
            << QList<Step> {{.at = 0,
                                .newInUS = 1,
                                .usStatus = 429,
                                .exitStatus = 1,
                                .out = "No new reviews.\n",
                                .logged = "The server returned a 429 error",
                                .current = false},
                   {.at = 0, .out = "You have 1 new review.\n"}};
    }

    void cachedAnswersAndFailures()
    {
        QFETCH(QByteArray, cacheControl);
        QFETCH(bool, pastExpiry);
        QFETCH(bool, etag);
        QFETCH(QList<Step>, steps);
        if (faketime_.isEmpty())
            QSKIP("faketime is not installed");
        newUser();
        options_.cacheControl = cacheControl;
        if (pastExpiry)
            options_.expiresIn = -3600;
        options_.etag = etag;
        store_->setOptions(options_);
        firstLoad();

        for (qsizetype i = 0; i < steps.size(); ++i) {
            const Step &step = steps.at(i);
            addNewReviews(QStringLiteral("us"), step.newInUS);
            addNewReviews(QStringLiteral("ca"), step.newInCanada);
            options_.failingCountries.clear();
            if (step.usStatus)
                options_.failingCountries.insert(QStringLiteral("us"), step.usStatus);
            store_->setOptions(options_);
            // Only a product that stays unfinished is checked for its date.
            const QString before = step.current ? QString() : lastReviewsUpdate();

            const Result update = run({"update"}, lastFetch_.addSecs(step.at));
            const auto asked = usPage1Requests();
            const auto failure = [&](const QByteArray &what) {
                return QByteArray("update " + QByteArray::number(i + 1) + ": " + what + "\n"
                    + update.out + update.err);
            };
            QVERIFY2(update.status == step.exitStatus, failure("exit status").constData());
            QVERIFY2(update.out == step.out, failure("announcement").constData());
            QVERIFY2(update.err.contains(step.logged), failure("log").constData());
            QVERIFY2(asked.isEmpty() != step.asked, failure("page 1 asked or not").constData());
            for (const auto &request : asked)
                QVERIFY2(request.header("If-None-Match").isEmpty() != step.conditional,
                    failure("conditional request or not").constData());
            const QByteArray done = productName.toUtf8() + " done";
            QVERIFY2(update.err.contains(done) == step.current, failure("done or not").constData());
            if (!step.current)
                QVERIFY2(lastReviewsUpdate() == before, failure("lastReviewsUpdate").constData());
        }
        checkStoredOnceAndWhole();
    }

    // More new reviews than a page holds: the update reads on until it
    // reaches a stored one.
    void burstOfNewReviewsBetweenTwoUpdates()
    {
        newUser();
        firstLoad();
        addNewReviews(QStringLiteral("us"), 130);
        const Result update = run({"update"});
        QVERIFY2(update.status == 0, update.err.constData());
        QCOMPARE(update.out, QByteArray("You have 130 new reviews.\n"));
        checkStoredOnceAndWhole();
        QCOMPARE(json({"gaps", "--json"}).size(), 0);
    }

    // The hourly timer's run updates what the interval makes due, and
    // nothing while automatic updates are off.
    void scheduledRunUpdatesWhatIsDue()
    {
        if (faketime_.isEmpty())
            QSKIP("faketime is not installed");
        newUser();
        firstLoad();
        QCOMPARE(run({"config", "AutomaticUpdateInterval", "3600"}).status, 0);
        addNewReviews(QStringLiteral("us"), 1);
        const Result early = run({"update", "--due"}, lastFetch_.addSecs(1800));
        QCOMPARE(early.status, 0);
        QVERIFY2(early.err.contains("All reviews are up to date."), early.err.constData());
        QVERIFY(usPage1Requests().isEmpty());

        const Result due = run({"update", "--due"}, lastFetch_.addSecs(3700));
        QVERIFY2(due.status == 0, due.err.constData());
        QCOMPARE(due.out, QByteArray("You have 1 new review.\n"));

        QCOMPARE(run({"config", "AutomaticUpdateInterval", "0"}).status, 0);
        const Result off = run({"update", "--due"}, lastFetch_.addDays(2));
        QCOMPARE(off.status, 0);
        QVERIFY(off.err.contains("Automatic updates are off") && usPage1Requests().isEmpty());
        QCOMPARE(run({"update", "--due", productId}).status, 2);
    }

    // Three new reviews and an edited one reach a destination of each kind
    // in one message, the webhook's signed; a product's first load, the
    // history stored before a destination was added, and a second update
    // send nothing. A destination added with --since gets the stored
    // reviews its rules want.
    void forwardsNewReviewsOnce()
    {
        newUser();
        QCOMPARE(run({"forward", "add", "slack", "ftp://127.0.0.1/hooks/slack"}).status, 2);
        // Three destinations see the product's first load, one is added after it.
        const QStringList kinds {"slack", "discord", "teams", "webhook"};
        for (const QString &kind : kinds) {
            if (kind == "webhook")
                firstLoad();
            QCOMPARE(forwardTo(kind, kind,
                         kind == "webhook" ? QStringList {"--secret", "s3cret"} : QStringList()),
                QByteArray::number(kinds.indexOf(kind) + 1));
        }
        const QFile::Permissions others =
            QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile::permissions(home_->filePath(
                     "config/org.reviewkeeper.ReviewKeeper/forwarding-secrets.json"))
                & others,
            QFile::Permissions());
        const Result listed = run({"forward", "list", "--json"});
        QVERIFY(listed.out.contains("127.0.0.1") && !listed.out.contains("hooks"));
        QCOMPARE(forwardTo("webhook", "canada", {"--country", "ca", "--since", "2026-01-01"}),
            QByteArray("5"));

        feeds_[QStringLiteral("us")][5].text = QStringLiteral("Changed its mind");
        const int first = nextReview_;
        addNewReviews(QStringLiteral("us"), 3);
        const Result update = run({"update"});
        QVERIFY2(update.status == 0, update.err.constData());
        QCOMPARE(run({"update"}).status, 0);
        for (const QString &kind : kinds) {
            QCOMPARE(posts(kind).size(), 1);
            QCOMPARE(
                titlesIn(posts(kind).first().body), (QSet<int> {6, first, first + 1, first + 2}));
        }
        QCOMPARE(titlesIn(posts("canada").first().body), (QSet<int> {501, 502, 503, 504, 505}));
        QCOMPARE(posts("canada").size(), 1);
        const auto signedPost = posts("webhook").first();
        QCOMPARE(signedPost.body.count("\"edited\":true"), 1);
        QCOMPARE(signedPost.header("X-ReviewKeeper-Signature"),
            "sha256="
                + QMessageAuthenticationCode::hash(
                    signedPost.body, "s3cret", QCryptographicHash::Sha256)
                      .toHex());
    }

    // A receiver that fails gets its reviews later, each once and under
    // the same delivery id, as they read when sent: after a 5xx at the next
    // update, after a 429 in the same one, after a 404 once a test reaches
    // it again. Three failures in a row space the tries out.
    void failingReceiverGetsItsReviewsOnce()
    {
        using Response = LocalHttpServer::Response;
        newUser();
        firstLoad();
        QCOMPARE(forwardTo("webhook", "team"), QByteArray("1"));
        const int first = nextReview_;
        addNewReviews(QStringLiteral("us"), 2);
        store_->receivers().queueAnswers("team",
            {Response::withStatus(503), Response::withStatus(429).withHeader("Retry-After", "1")});
        QCOMPARE(run({"update"}).status, 0);
        QCOMPARE(posts("team").size(), 1);
        // Edited while it waits: sent once, as it reads now.
        feeds_[QStringLiteral("us")][0].text = QStringLiteral("Edited while waiting");
        publish();
        QCOMPARE(run({"update"}).status, 0);
        QCOMPARE(posts("team").size(), 3);
        QVERIFY(posts("team").last().body.contains("Edited while waiting"));
        for (const auto &post : posts("team")) {
            QCOMPARE(post.header("X-ReviewKeeper-Delivery"),
                posts("team").first().header("X-ReviewKeeper-Delivery"));
            QCOMPARE(titlesIn(post.body), (QSet<int> {first, first + 1}));
        }

        addNewReviews(QStringLiteral("us"), 1);
        store_->receivers().queueAnswers("team", {Response::withStatus(404)});
        const Result refused = run({"update"});
        QVERIFY2(refused.status == 0 && refused.err.contains("is paused"), refused.err.constData());
        const Result paused = run({"update"});
        QVERIFY(paused.status == 0 && !paused.err.contains("is paused"));
        QCOMPARE(posts("team").size(), 4);
        QVERIFY(run({"forward", "list"}).out.contains("paused"));
        QCOMPARE(run({"forward", "test", "1"}).status, 0);
        QCOMPARE(run({"update"}).status, 0);
        QCOMPARE(posts("team").size(), 6);
        QCOMPARE(titlesIn(posts("team").last().body), QSet<int> {first + 2});

        addNewReviews(QStringLiteral("us"), 1);
        store_->receivers().queueAnswers("team", QList<Response>(3, Response::withStatus(500)));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(run({"update"}).status, 0);
        QCOMPARE(posts("team").size(), 9);
        QVERIFY(run({"forward", "list"}).out.contains("waiting until"));
        const Result removed = run({"forward", "remove", "1"});
        QVERIFY2(removed.status == 0 && removed.err.contains("with one review that waited"),
            removed.err.constData());
        QCOMPARE(run({"forward", "test", "1"}).status, 1);
        QCOMPARE(run({"forward", "add", "webhook", server_->rootURL(), "--min-rating", "6"}).status,
            2);
    }

    // A companion ended after its message left and before the answer was
    // recorded sends that message once more, under the same delivery id.
    void killedBetweenSendAndRecord()
    {
        newUser();
        firstLoad();
        QCOMPARE(forwardTo("webhook", "team"), QByteArray("1"));
        const int first = nextReview_;
        addNewReviews(QStringLiteral("us"), 1);
        store_->receivers().queueAnswers("team",
            {LocalHttpServer::Response::delayed(5000, LocalHttpServer::Response::ok("ok"))});
        const Result killed = run({"update"}, std::nullopt, [this](QProcess &process) {
            if (posts("team").isEmpty())
                return false;
            process.kill();
            return true;
        });
        QCOMPARE(killed.status, -2);
        QCOMPARE(run({"update"}).status, 0);
        QCOMPARE(run({"update"}).status, 0);
        QCOMPARE(posts("team").size(), 2);
        QCOMPARE(posts("team").last().header("X-ReviewKeeper-Delivery"),
            posts("team").first().header("X-ReviewKeeper-Delivery"));
        QCOMPARE(titlesIn(posts("team").last().body), QSet<int> {first});
    }

    void pageCutOffMidEntry_data()
    {
        QTest::addColumn<bool>("connectionCut");
        QTest::addColumn<int>("exitStatus");
        QTest::newRow("connection closed halfway") << true << 1;
        QTest::newRow("page ends inside an entry") << false << 0;
    }

    // The next update stores the rest, and nothing twice.
    void pageCutOffMidEntry()
    {
        QFETCH(bool, connectionCut);
        QFETCH(int, exitStatus);
        newUser();
        firstLoad();
        addNewReviews(QStringLiteral("us"), 5);
        if (connectionCut) {
            options_.cutPages = {QStringLiteral("us/1")};
            store_->setOptions(options_);
        } else {
            QByteArray page = StoreAnswers::xmlFeedPage(feeds_.value("us").mid(0, 50));
            qsizetype third = 0;
            for (int i = 0; i < 3; ++i)
                third = page.indexOf("<entry>", third + 1);
            writePage(QStringLiteral("us"), 1, page.left(third + 80));
        }
        const Result cut = run({"update"});
        QVERIFY2(cut.status == exitStatus, cut.err.constData());
        QCOMPARE(usPage1Requests().size(), 1);

        options_.cutPages.clear();
        store_->setOptions(options_);
        publish();
        const Result whole = run({"update"});
        QVERIFY2(whole.status == 0, whole.err.constData());
        checkStoredOnceAndWhole();
    }
};

RK_TEST_MAIN(PromisesTest)
#include "tst_promises.moc"
