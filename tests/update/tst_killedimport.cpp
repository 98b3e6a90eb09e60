// A review import killed outright in the middle of its work: the test binary
// runs itself again as a child that imports into a store file from this
// process's feed server, and kills it once some reviews are saved while a
// feed page is still held back. The store must open, hold only whole
// reviews, not count the product as current, and a rerun must complete it
// without duplicates.
#include "support/UpdateFixture.h"

#include "net/RequestQueue.h"
#include "support/TestEnvironment.h"
#include "update/ReviewImporter.h"

#include <QProcess>
#include <QSet>
#include <QTest>

#include <csignal>
#include <cstdio>

namespace {

// In the child: the store file to import into, and the feed server's root.
const char *const kChildStore = "RK_KILLED_IMPORT_STORE";
const char *const kChildRoot = "RK_KILLED_IMPORT_ROOT";

const QString kProduct = QStringLiteral("100");
const QStringList kCountries {QStringLiteral("US"), QStringLiteral("DE"), QStringLiteral("JP")};
// Ten full pages each: the whole feed of a new product.
constexpr int kPerCountry = 10 * FeedServer::pageSize;

void setFeedDefaults(const QString &rootURL)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(rootURL, Downloader::storeRootURLKey);
    defaults.setObject(
        QVariantMap {{QStringLiteral("Test"), true}}, QStringLiteral("SelectedRegions"));
}

std::shared_ptr<PersistentStoreCoordinator> openStore(const QString &path)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
    Error error;
    if (!coordinator->addSQLiteStore(path, &error)) {
        qWarning("store: %s", qPrintable(error.debugDescription()));
        return {};
    }
    return coordinator;
}

std::shared_ptr<Product> productIn(ManagedObjectContext &context)
{
    FetchRequest request(QStringLiteral("Product"));
    request.predicate = Predicate::format(QStringLiteral("identifier == %@"), kProduct);
    const auto found = context.fetch<Product>(request);
    return found.size() == 1 ? found.first() : nullptr;
}

// The child: imports the product and reports each save of new reviews on
// standard output, one line each.
int runChild()
{
    auto coordinator = openStore(qEnvironmentVariable(kChildStore));
    if (!coordinator)
        return 2;
    ManagedObjectContext context(coordinator);
    const auto product = productIn(context);
    if (!product)
        return 3;
    setFeedDefaults(qEnvironmentVariable(kChildRoot));
    RecordingServices services;
    services.context = &context;
    ReviewImporter importer(services);
    importer.requestQueue().setRequestsPerSecond(0);
    const EntityDescription *review = DataModel::shared()->entity(QStringLiteral("Review"));
    context.observeChanges(nullptr, [review](const ChangeNotification &change) {
        qsizetype reviews = 0;
        for (const ObjectID &id : change.inserted)
            reviews += id.entity == review;
        if (reviews > 0) {
            std::printf("saved %lld\n", qint64(reviews));
            std::fflush(stdout);
        }
    });
    importer.loadReviewsForProducts({product}, [](const Error &) {
        std::printf("done\n");
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return QCoreApplication::exec();
}

QString expectedTitle(const QString &identifier)
{
    return QStringLiteral("Title ") + identifier.mid(1);
}

} // namespace

class KilledImportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedImportLeavesWholeReviewsAndRerunCompletes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("store.db"));
        FeedServer server;
        for (int c = 0; c < kCountries.size(); ++c)
            server.reviews(kProduct, kCountries[c]) =
                StoreAnswers::numberedReviews(c * 10000 + 1, kPerCountry);
        // The last page of the last country is held until the child is
        // gone: the import cannot finish before the kill.
        server.setFeedOverride(
            [](const FeedServer::FeedRequest &request) -> std::optional<LocalHttpServer::Response> {
                if (request.country.compare(kCountries.last(), Qt::CaseInsensitive) != 0
                    || request.page != 10)
                    return std::nullopt;
                return LocalHttpServer::Response::delayed(
                    120000, LocalHttpServer::Response::ok("", "application/xml"));
            });
        setFeedDefaults(server.rootURL());

        // The store is made here and closed before the child opens it.
        {
            auto coordinator = openStore(path);
            QVERIFY(coordinator);
            ManagedObjectContext context(coordinator);
            int priority = 10;
            for (const QString &code : kCountries)
                context.insertNewObject(QStringLiteral("Country"),
                    {{QStringLiteral("isoCode"), code}, {QStringLiteral("priority"), priority--},
                        {QStringLiteral("region"), QStringLiteral("Test")}});
            auto app = context.insertNewObject(QStringLiteral("App"));
            app->setValue(QStringLiteral("identifier"), kProduct);
            app->setValue(QStringLiteral("title"), QStringLiteral("App 100"));
            QVERIFY(context.save());
        }

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kChildStore), path);
        environment.insert(QString::fromLatin1(kChildRoot), server.rootURL());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList lines;
        qint64 saved = 0;
        connect(&child, &QProcess::readyReadStandardOutput, this, [&] {
            while (child.canReadLine()) {
                const QString line = QString::fromUtf8(child.readLine()).trimmed();
                lines << line;
                if (line.startsWith(QLatin1String("saved ")))
                    saved += line.mid(6).toLongLong();
            }
        });
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY2(child.waitForStarted(20000), qPrintable(child.errorString()));

        // Killed as soon as a first batch of reviews reached the store,
        // with merges still running and a page outstanding.
        RK_WAIT(saved > 0 || child.state() == QProcess::NotRunning);
        QVERIFY2(child.state() == QProcess::Running, qPrintable(lines.join(QLatin1Char('|'))));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(!lines.contains(QStringLiteral("done")));

        auto coordinator = openStore(path);
        QVERIFY2(coordinator, "the store no longer opens");
        ManagedObjectContext context(coordinator);
        const auto product = productIn(context);
        QVERIFY(product);
        QVERIFY2(
            !product->lastReviewsUpdate().isValid(), "an interrupted product counts as current");
        checkWholeReviews(context, product);
        if (QTest::currentTestFailed())
            return;
        const qint64 survived =
            context.countForFetchRequest(FetchRequest(QStringLiteral("Review")));
        QVERIFY(survived >= saved);
        QVERIFY(survived < kPerCountry * kCountries.size());

        // The rerun asks every page again and adds only what is missing.
        server.setFeedOverride({});
        RecordingServices services;
        services.context = &context;
        {
            ReviewImporter importer(services);
            importer.requestQueue().setRequestsPerSecond(0);
            bool finished = false;
            Error error;
            importer.loadReviewsForProducts({product}, [&](const Error &e) {
                error = e;
                finished = true;
            });
            RK_WAIT(finished);
            QVERIFY2(!error.isError(), qPrintable(error.debugDescription()));
        }
        context.drainChildren();
        QVERIFY(product->lastReviewsUpdate().isValid());
        checkWholeReviews(context, product);
        for (const QString &code : kCountries) {
            FetchRequest request(QStringLiteral("Review"));
            request.predicate = Predicate::format(QStringLiteral("countryCode == %@"), code);
            const auto reviews = context.fetch<Review>(request);
            QSet<QString> distinct;
            for (const auto &review : reviews)
                distinct.insert(review->identifier());
            QCOMPARE(qsizetype(distinct.size()), reviews.size());
            QCOMPARE(reviews.size(), server.reviews(kProduct, code).size());
        }
    }

private:
    // Every review belongs to the product and has exactly one original
    // content, holding what the feed served; no content is left without
    // its review.
    static void checkWholeReviews(
        ManagedObjectContext &context, const std::shared_ptr<Product> &product)
    {
        const auto reviews = context.fetch<Review>(FetchRequest(QStringLiteral("Review")));
        for (const auto &review : reviews) {
            QCOMPARE(review->product(), product);
            QList<std::shared_ptr<ReviewContent>> originals;
            for (const auto &content : review->reviewContents()) {
                if (content->languageCode().isEmpty())
                    originals << content;
            }
            QCOMPARE(originals.size(), 1);
            QCOMPARE(originals.first()->title(), expectedTitle(review->identifier()));
            QCOMPARE(originals.first()->data(),
                QStringLiteral("Text of review %1 & more <b>")
                    .arg(review->identifier().mid(1))
                    .toUtf8());
        }
        QCOMPARE(context.countForFetchRequest(FetchRequest(QStringLiteral("ReviewContent"))),
            qint64(reviews.size()));
    }
};

int main(int argc, char **argv)
{
    // The child runs in the parent's folders, which it inherits.
    if (qEnvironmentVariableIsSet(kChildStore)) {
        QCoreApplication app(argc, argv);
        return runChild();
    }
    TestEnvironment environment;
    QCoreApplication app(argc, argv);
    KilledImportTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killedimport.moc"
