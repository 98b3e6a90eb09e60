// The review import as the application runs it (one paced queue with the
// pacing off, merges on a private context saved in batches into the main
// context) against the local feed server, beside the sum of its floors in
// the same run: the same pages fetched one at a time with a bare network
// manager, one bare XML reader pass over them, and the same rows inserted
// with reused prepared statements in transactions of the import's size.
// Also the main thread's longest stall while the import runs, and the
// ratings merge of lookup answers (1,000 apps in 40 countries) beside raw
// inserts of the same rating rows and their day's snapshots. And a first
// load of an app's whole history through App Store Connect (20,000 reviews
// in pages of 200 from the fake service) beside the same three floors.
//   bench_update [--tiny]
#include "FeedFloors.h"
#include "support/FeedServer.h"
#include "support/TestEnvironment.h"
#include "support/TestKeys.h"

#include "FakeStore.h"
#include "net/AppStoreConnectAccount.h"
#include "net/AppStoreConnectToken.h"
#include "update/AppStoreConnectImporter.h"

#include "model/App.h"
#include "model/CountryTable.h"
#include "model/DataModel.h"
#include "model/Product.h"
#include "net/Downloader.h"
#include "net/RequestQueue.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "update/RatingsImporter.h"
#include "update/ReviewImporter.h"
#include "update/UpdateServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

const QString kRegion = QStringLiteral("Bench");

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Services : UpdateServices {
    ManagedObjectContext *context = nullptr;
    ManagedObjectContext *managedObjectContext() override { return context; }
    void saveAction() override
    {
        Error error;
        if (context->hasChanges() && !context->save(&error))
            qFatal("save: %s", qPrintable(error.debugDescription()));
    }
    void notifyWithTitle(
        const QString &, const QString &, const QString &, const QVariantMap &) override
    {
    }
    void beginActivity() override { }
    void endActivity() override { }
};

QString productIdentifier(int product)
{
    return QString::number(100000 + product);
}

// One page of reviews of a product in a country, texts of a usual length.
QList<StoreAnswers::Review> pageOfReviews(int product, int country)
{
    QList<StoreAnswers::Review> reviews;
    for (int i = 0; i < FeedServer::pageSize; ++i) {
        StoreAnswers::Review review;
        review.identifier = QString::number(qint64(product) * 1000000 + country * 1000 + i);
        review.title = QStringLiteral("A title for review %1").arg(review.identifier);
        review.text = QStringLiteral("This is the text of a customer review, long enough to look "
                                     "like one & with <markup>. ")
                          .repeated(4);
        review.reviewer = QStringLiteral("Reviewer %1").arg(i);
        review.rating = QString::number(1 + i % 5);
        review.version = QStringLiteral("2.%1").arg(i % 7);
        reviews << review;
    }
    return reviews;
}

// The feed server on a thread of its own, so that the main thread's
// figures are the import's alone.
class ServerThread {
public:
    ServerThread(const QStringList &products, const QStringList &countries)
    {
        thread_.start();
        anchor_ = new QObject;
        anchor_->moveToThread(&thread_);
        run([&] {
            server_ = std::make_unique<FeedServer>();
            for (int p = 0; p < products.size(); ++p)
                for (int c = 0; c < countries.size(); ++c)
                    server_->reviews(products[p], countries[c]) = pageOfReviews(p, c);
            server_->setFeedOverride([this](const FeedServer::FeedRequest &) {
                qint64 expected = 0;
                firstRequestNs_.compare_exchange_strong(expected, steadyNs());
                return std::optional<LocalHttpServer::Response>();
            });
            rootURL_ = server_->rootURL();
        });
    }
    ~ServerThread()
    {
        run([&] {
            server_.reset();
            anchor_->deleteLater();
        });
        thread_.quit();
        thread_.wait();
    }

    QString rootURL() const { return rootURL_; }
    qint64 firstRequestNs() const { return firstRequestNs_.load(); }
    QList<FeedServer::FeedRequest> feedRequests()
    {
        QList<FeedServer::FeedRequest> requests;
        run([&] { requests = server_->feedRequests(); });
        return requests;
    }

private:
    void run(const std::function<void()> &block)
    {
        QMetaObject::invokeMethod(anchor_, block, Qt::BlockingQueuedConnection);
    }

    QThread thread_;
    QObject *anchor_ = nullptr;
    std::unique_ptr<FeedServer> server_;
    QString rootURL_;
    std::atomic<qint64> firstRequestNs_ {0};
};

std::shared_ptr<PersistentStoreCoordinator> openStore(const QString &path)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
    Error error;
    if (!coordinator->addSQLiteStore(path, &error))
        qFatal("store: %s", qPrintable(error.debugDescription()));
    return coordinator;
}

QList<std::shared_ptr<Product>> insertProducts(ManagedObjectContext &context, int count)
{
    QList<std::shared_ptr<Product>> products;
    for (int p = 0; p < count; ++p) {
        auto app = context.insertNewObject<App>(QStringLiteral("App"));
        app->setValue(QStringLiteral("identifier"), productIdentifier(p));
        app->setValue(QStringLiteral("title"), QStringLiteral("App %1").arg(p));
        products << app;
    }
    return products;
}

qint64 threadCpuNs()
{
    timespec spec {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spec);
    return qint64(spec.tv_sec) * 1000000000 + spec.tv_nsec;
}

double msSince(qint64 startNs)
{
    return double(steadyNs() - startNs) / 1e6;
}

// The ratings merge: one lookup answer per country holding every app, merged
// as the importer merges it (a rating and the day's snapshot each), against
// the same rows inserted raw.
void ratingsCase(const QTemporaryDir &dir, bool tiny)
{
    const int appCount = tiny ? 20 : 1000;
    const int countryCount = tiny ? 2 : 40;
    QStringList countries;
    for (const auto &country : CountryTable::countries())
        if (countries.size() < countryCount)
            countries << country.code;
    QList<QJsonObject> records;
    for (int p = 0; p < appCount; ++p)
        records << QJsonObject {{"trackId", qint64(100000 + p)}, {"userRatingCount", 10 + p},
            {"userRatingCountForCurrentVersion", 1 + p % 7}, {"averageUserRating", 4.5},
            {"averageUserRatingForCurrentVersion", 4.0}};

    auto coordinator = openStore(dir.filePath(QStringLiteral("ratings.db")));
    ManagedObjectContext context(coordinator);
    RatingsImporter::ProductsByIdentifier byIdentifier;
    for (const auto &product : insertProducts(context, appCount))
        byIdentifier.insert(product->identifier(), product->objectID());
    context.save();
    Services services;
    services.context = &context;
    auto importer = std::make_unique<RatingsImporter>(services);
    QEventLoop loop;
    int answered = 0;
    qint64 newRatings = 0;
    const qint64 start = steadyNs();
    for (const QString &country : countries)
        importer->importRatingsFromDictionaries(
            records, byIdentifier, country, [&](qint64 count, const Error &error) {
                if (error.isError())
                    qFatal("ratings: %s", qPrintable(error.debugDescription()));
                newRatings += count;
                if (++answered == countries.size())
                    loop.quit();
            });
    loop.exec();
    const double mergeMs = msSince(start);
    const qint64 expected = qint64(appCount) * countryCount;
    const qint64 stored = context.countForFetchRequest(FetchRequest(QStringLiteral("Rating")));
    const qint64 snapshots =
        context.countForFetchRequest(FetchRequest(QStringLiteral("RatingSnapshot")));
    if (stored != expected || snapshots != expected)
        qFatal("stored %lld ratings and %lld snapshots of %lld", stored, snapshots, expected);
    importer.reset();
    context.drainChildren();

    auto rawCoordinator = openStore(dir.filePath(QStringLiteral("ratings-raw.db")));
    QList<FeedFloors::RatingRow> rows;
    {
        ManagedObjectContext rawContext(rawCoordinator);
        const auto products = insertProducts(rawContext, appCount);
        rawContext.save();
        for (int p = 0; p < appCount; ++p)
            rows << FeedFloors::RatingRow {
                products[p]->objectID().rowId, 10 + p, 1 + p % 7, 4.5, 4.0};
    }
    const qint64 rawStart = steadyNs();
    const qint64 written = FeedFloors::insertRatingsRaw(*rawCoordinator, countries, rows);
    const double rawMs = msSince(rawStart);
    if (written != expected)
        qFatal("raw inserts wrote %lld ratings of %lld", written, expected);

    std::printf(
        "ratings: %d apps x %d countries, %lld ratings\n", appCount, countryCount, expected);
    std::printf("  merge of the lookup answers:            %9.1f ms\n", mergeMs);
    std::printf("  floor: raw inserts, one transaction per country: %.1f ms\n", rawMs);
    std::printf("  ratio merge / floor:                    %9.2f\n", mergeMs / rawMs);
}

// The App Store Connect stand-in on a thread of its own, recording what
// was asked.
class ConnectServerThread {
public:
    ConnectServerThread(const QString &folder, const QByteArray &publicKey)
    {
        thread_.start();
        anchor_ = new QObject;
        anchor_->moveToThread(&thread_);
        run([&] {
            server_ = std::make_unique<LocalHttpServer>();
            if (!server_->listen())
                qFatal("cannot listen");
            FakeStore::Options options;
            options.connect.publicKey = publicKey;
            options.connect.hourlyBudget = 1000000;
            store_ = std::make_unique<FakeStore>(folder, options);
            store_->attach(*server_);
            rootURL_ = server_->rootURL();
        });
    }
    ~ConnectServerThread()
    {
        run([&] {
            store_.reset();
            server_.reset();
            anchor_->deleteLater();
        });
        thread_.quit();
        thread_.wait();
    }
    QString rootURL() const { return rootURL_; }
    QList<QUrl> requestedURLs()
    {
        QList<QUrl> urls;
        run([&] {
            for (const auto &request : server_->requests())
                urls << request.url;
        });
        return urls;
    }

private:
    void run(const std::function<void()> &block)
    {
        QMetaObject::invokeMethod(anchor_, block, Qt::BlockingQueuedConnection);
    }
    QThread thread_;
    QObject *anchor_ = nullptr;
    std::unique_ptr<LocalHttpServer> server_;
    std::unique_ptr<FakeStore> store_;
    QString rootURL_;
};

void connectCase(const QTemporaryDir &dir, bool tiny)
{
    const int reviewCount = tiny ? 400 : 20000;
    const QStringList territories {
        "USA", "GBR", "DEU", "FRA", "JPN", "CAN", "AUS", "ITA", "ESP", "NLD"};
    const TestKeyPair keys = TestKeys::make();
    QDir folder(dir.filePath(QStringLiteral("connect-answers")));
    folder.mkpath(QStringLiteral("connect"));
    const auto write = [&](const QString &name, const QByteArray &data) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
    };
    QJsonArray reviews;
    const QDateTime newest(QDate(2026, 11, 1), QTime(12, 0), Qt::UTC);
    for (int i = 0; i < reviewCount; ++i)
        reviews.append(QJsonObject {{"id", QString::number(i)}, {"rating", 1 + i % 5},
            {"title", QStringLiteral("A title for review %1").arg(i)},
            {"body",
                QStringLiteral("This is the text of a customer review, long enough to look like "
                               "one & with <markup>. ")
                    .repeated(4)},
            {"reviewerNickname", QStringLiteral("Reviewer %1").arg(i)},
            {"createdDate", newest.addSecs(-600 * i).toString(Qt::ISODate)},
            {"territory", territories[i % territories.size()]}});
    write("connect/apps.json",
        QJsonDocument(QJsonArray {QJsonObject {{"id", productIdentifier(0)}}}).toJson());
    write("connect/reviews-" + productIdentifier(0) + ".json", QJsonDocument(reviews).toJson());
    write("connect/versions-" + productIdentifier(0) + ".json", "[]");
    write("AuthKey.p8", keys.privateKey);
    qputenv(AppStoreConnectAccount::issuerVariable, "bench");
    qputenv(AppStoreConnectAccount::keyIDVariable, "BENCH");
    qputenv(
        AppStoreConnectAccount::keyFileVariable, QFile::encodeName(folder.filePath("AuthKey.p8")));
    ConnectServerThread server(folder.path(), keys.publicKey);
    UserDefaults::standard().setString(server.rootURL(), QStringLiteral("AppStoreConnectURL"));

    // --- The import, as an update runs it -----------------------------------
    auto coordinator = openStore(dir.filePath(QStringLiteral("connect.db")));
    ManagedObjectContext context(coordinator);
    const auto apps = insertProducts(context, 1);
    context.save();
    Services services;
    services.context = &context;
    auto importer = std::make_unique<AppStoreConnectImporter>(services);
    QEventLoop loop;
    Error loadError;
    const qint64 startNs = steadyNs();
    importer->loadReviewsForProducts(apps, [&](const Error &error) {
        loadError = error;
        loop.quit();
    });
    loop.exec();
    importer->drainMerges();
    const double endToEndMs = msSince(startNs);
    if (loadError.isError())
        qFatal("import: %s", qPrintable(loadError.debugDescription()));
    const qint64 stored = context.countForFetchRequest(FetchRequest(QStringLiteral("Review")));
    if (stored != reviewCount)
        qFatal("stored %lld reviews of %d", stored, reviewCount);
    importer.reset();
    context.drainChildren();

    // --- (a) the same requests one at a time, with one token ----------------
    const QList<QUrl> urls = server.requestedURLs();
    Error tokenError;
    const QByteArray bearer = "Bearer "
        + AppStoreConnectToken::sign(
            {"bench", "BENCH", keys.privateKey}, QDateTime::currentDateTimeUtc(), &tokenError);
    QNetworkAccessManager manager;
    QList<QByteArray> pages;
    qint64 t = steadyNs();
    for (const QUrl &url : urls) {
        QNetworkRequest request(url);
        request.setRawHeader("Authorization", bearer);
        QNetworkReply *reply = manager.get(request);
        QEventLoop wait;
        QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
        wait.exec();
        pages << reply->readAll();
        reply->deleteLater();
    }
    const double fetchMs = msSince(t);

    // --- (b) one JSON pass over them ------------------------------------------
    t = steadyNs();
    QHash<QString, QList<FeedFloors::Row>> byCountry;
    for (const QByteArray &page : pages) {
        for (const QJsonValue &value : QJsonDocument::fromJson(page)["data"].toArray()) {
            const QJsonObject attributes = value["attributes"].toObject();
            if (!attributes.contains("rating"))
                continue;
            byCountry[attributes["territory"].toString().left(2)]
                << FeedFloors::Row {value["id"].toString(), attributes["title"].toString(),
                       attributes["reviewerNickname"].toString(), QString(),
                       attributes["body"].toString().toUtf8(), attributes["rating"].toDouble(),
                       QDateTime::fromString(attributes["createdDate"].toString(), Qt::ISODate)};
        }
    }
    const double parseMs = msSince(t);

    // --- (c) the same rows, raw prepared inserts ----------------------------
    auto rawCoordinator = openStore(dir.filePath(QStringLiteral("connect-raw.db")));
    qint64 productRow = 0;
    {
        ManagedObjectContext rawContext(rawCoordinator);
        productRow = insertProducts(rawContext, 1).first()->objectID().rowId;
        rawContext.save();
    }
    QList<FeedFloors::Answer> answers;
    for (auto it = byCountry.cbegin(); it != byCountry.cend(); ++it)
        answers << FeedFloors::Answer {productRow, it.key(), it.value()};
    t = steadyNs();
    const qint64 written =
        FeedFloors::insertRaw(*rawCoordinator, answers, ReviewImporter::mergeBatchSize);
    const double insertMs = msSince(t);
    if (written != reviewCount)
        qFatal("raw inserts wrote %lld rows of %d", written, reviewCount);

    const double floorsMs = fetchMs + parseMs + insertMs;
    const double ratio = endToEndMs / floorsMs;
    std::printf("App Store Connect first load: %d reviews, %lld requests\n", reviewCount,
        qint64(urls.size()));
    std::printf("  end to end, key to last save:           %9.1f ms\n", endToEndMs);
    std::printf("  floors: fetch %.1f + parse %.1f + insert %.1f = %.1f ms\n", fetchMs, parseMs,
        insertMs, floorsMs);
    std::printf("  ratio end to end / floors:              %9.2f   (goal <= 2)   %s\n", ratio,
        ratio <= 2 ? "met" : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    TestEnvironment environment;
    QCoreApplication app(argc, argv);
    const bool tiny = app.arguments().contains(QStringLiteral("--tiny"));
    const int productCount = tiny ? 2 : 20;
    const int countryCount = tiny ? 2 : 40;
    QTemporaryDir dir;

    QStringList products;
    for (int p = 0; p < productCount; ++p)
        products << productIdentifier(p);
    QStringList countries;
    for (const auto &country : CountryTable::countries()) {
        if (countries.size() < countryCount)
            countries << country.code;
    }
    ServerThread server(products, countries);

    // --- The import, as the application runs it ---------------------------
    auto coordinator = openStore(dir.filePath(QStringLiteral("import.db")));
    ManagedObjectContext context(coordinator);
    for (int c = 0; c < countries.size(); ++c)
        context.insertNewObject(QStringLiteral("Country"),
            {{QStringLiteral("isoCode"), countries[c]}, {QStringLiteral("priority"), 100 - c},
                {QStringLiteral("region"), kRegion}});
    const auto productRecords = insertProducts(context, productCount);
    context.save();
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(server.rootURL(), Downloader::storeRootURLKey);
    defaults.setObject(QVariantMap {{kRegion, true}}, QStringLiteral("SelectedRegions"));

    Services services;
    services.context = &context;
    auto importer = std::make_unique<ReviewImporter>(services);
    importer->requestQueue().setRequestsPerSecond(0);

    // The largest gap between ticks of a 1 ms timer on the main thread, and
    // the largest amount of main-thread work between two ticks: on a busy
    // machine the first also counts time the thread waited for a core.
    qint64 lastTickNs = 0;
    qint64 lastCpuNs = 0;
    qint64 longestGapNs = 0;
    qint64 busiestGapNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = steadyNs();
        const qint64 cpu = threadCpuNs();
        longestGapNs = std::max(longestGapNs, now - lastTickNs);
        busiestGapNs = std::max(busiestGapNs, cpu - lastCpuNs);
        lastCpuNs = cpu;
        lastTickNs = now;
    });

    QEventLoop loop;
    qint64 endNs = 0;
    Error loadError;
    lastTickNs = steadyNs();
    lastCpuNs = threadCpuNs();
    ticker.start();
    const qint64 callNs = steadyNs();
    importer->loadReviewsForProducts(productRecords, [&](const Error &error) {
        endNs = steadyNs();
        loadError = error;
        loop.quit();
    });
    loop.exec();
    ticker.stop();
    if (loadError.isError())
        qFatal("import: %s", qPrintable(loadError.debugDescription()));
    const qint64 startNs = server.firstRequestNs() ? server.firstRequestNs() : callNs;
    const double endToEndMs = double(endNs - startNs) / 1e6;
    const double stallMs = std::max(0.0, double(longestGapNs) / 1e6 - 1.0);
    const double busiestMs = double(busiestGapNs) / 1e6;

    const qint64 expected = qint64(productCount) * countryCount * FeedServer::pageSize;
    const qint64 stored = context.countForFetchRequest(FetchRequest(QStringLiteral("Review")));
    if (stored != expected)
        qFatal("stored %lld reviews of %lld", stored, expected);
    for (const auto &product : productRecords)
        if (!product->lastReviewsUpdate().isValid())
            qFatal("a product was left out of date");
    importer.reset();
    context.drainChildren();

    // --- (a) the same pages, one at a time, bare network manager ------------
    const auto requests = server.feedRequests();
    QList<QUrl> urls;
    for (const auto &request : requests)
        urls << Downloader::reviewsURL(
            request.identifier, request.country, quint64(request.page), request.json);
    qint64 t = steadyNs();
    const QList<QByteArray> pages = FeedFloors::fetchOneByOne(urls);
    const double fetchMs = msSince(t);

    // --- (b) a bare reader pass over them -----------------------------------
    t = steadyNs();
    const auto parsed = FeedFloors::parse(pages);
    const double parseMs = msSince(t);

    // --- (c) the same rows, raw prepared inserts ----------------------------
    auto rawCoordinator = openStore(dir.filePath(QStringLiteral("raw.db")));
    QHash<QString, qint64> productRows;
    {
        ManagedObjectContext rawContext(rawCoordinator);
        for (const auto &product : insertProducts(rawContext, productCount))
            productRows.insert(product->identifier(), product->objectID().rowId);
        rawContext.save();
    }
    QList<FeedFloors::Answer> answers;
    for (qsizetype i = 0; i < parsed.size(); ++i) {
        if (parsed[i].isEmpty())
            continue;
        answers << FeedFloors::Answer {
            productRows.value(requests[i].identifier), requests[i].country.toUpper(), parsed[i]};
    }
    const int batch = std::min(FeedServer::pageSize, ReviewImporter::mergeBatchSize);
    t = steadyNs();
    const qint64 written = FeedFloors::insertRaw(*rawCoordinator, answers, batch);
    const double insertMs = msSince(t);
    if (written != expected)
        qFatal("raw inserts wrote %lld rows of %lld", written, expected);

    const double floorsMs = fetchMs + parseMs + insertMs;
    const double ratio = endToEndMs / floorsMs;
    std::printf("update: %d products x %d countries, %lld reviews, %lld requests\n", productCount,
        countryCount, expected, qint64(urls.size()));
    std::printf("  end to end, first request to last save: %9.1f ms\n", endToEndMs);
    std::printf("  floors: fetch %.1f + parse %.1f + insert %.1f (batches of %d) = %.1f ms\n",
        fetchMs, parseMs, insertMs, batch, floorsMs);
    std::printf("  ratio end to end / floors:              %9.2f   (goal <= 2)   %s\n", ratio,
        ratio <= 2 ? "met" : "MISSED");
    std::printf("  longest main-thread stall:              %9.1f ms (goal < 16) %s\n", stallMs,
        stallMs < 16 ? "met" : "MISSED");
    std::printf("  most main-thread CPU between two ticks: %9.1f ms\n", busiestMs);

    ratingsCase(dir, tiny);
    connectCase(dir, tiny);
    return 0;
}
