// Request queue overhead: the same GET requests through a RequestQueue (two
// at once, unpaced, as the shared queue) and through the bare network manager
// keeping two in flight; then answers served by the queue's own cache rule
// beside the same cache entries read straight from the disk cache.
//   bench_requestqueue [--tiny]
#include "LocalHttpServer.h"
#include "net/RequestQueue.h"
#include "platform/NetworkAccess.h"
#include "platform/SharedURLCache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QByteArray body(4096, 'r');

// Runs a real event loop, as the application does: deferred deletions only
// happen there, and without them posted events pile up on both sides.
void runUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start();
    if (!done())
        loop.exec();
}

double throughQueue(const QList<QUrl> &urls)
{
    RequestQueue queue;
    int finished = 0;
    int failures = 0;
    QElapsedTimer timer;
    timer.start();
    for (const QUrl &url : urls) {
        queue.addRequest(URLRequest(url),
            [&](const HTTPURLResponse &, const QByteArray &data, const Error &error) {
                ++finished;
                if (error || data.size() != body.size())
                    ++failures;
            });
    }
    runUntil([&] { return finished == urls.size(); });
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (failures)
        std::fprintf(stderr, "queue: %d failed requests\n", failures);
    return seconds;
}

double throughManager(const QList<QUrl> &urls)
{
    QNetworkAccessManager &manager = NetworkAccess::sharedManager();
    int next = 0;
    int finished = 0;
    int failures = 0;
    std::function<void()> startNext = [&] {
        if (next >= urls.size())
            return;
        QNetworkReply *reply = manager.get(QNetworkRequest(urls.at(next++)));
        QObject::connect(reply, &QNetworkReply::finished, reply, [&, reply] {
            if (reply->error() != QNetworkReply::NoError || reply->readAll().size() != body.size())
                ++failures;
            reply->deleteLater();
            ++finished;
            startNext();
        });
    };
    QElapsedTimer timer;
    timer.start();
    startNext();
    startNext();
    runUntil([&] { return finished == urls.size(); });
    if (failures)
        std::fprintf(stderr, "manager: %d failed requests\n", failures);
    return double(timer.nsecsElapsed()) / 1e9;
}

// The floor of an answer served from the cache: its entry and body read.
double fromDiskCache(SharedURLCache &cache, const QList<QUrl> &urls)
{
    int failures = 0;
    QElapsedTimer timer;
    timer.start();
    for (const QUrl &url : urls) {
        const QNetworkCacheMetaData metaData = cache.metaData(url);
        const std::unique_ptr<QIODevice> device(cache.data(url));
        if (!metaData.isValid() || !device || device->readAll().size() != body.size())
            ++failures;
    }
    if (failures)
        std::fprintf(stderr, "disk cache: %d entries missing\n", failures);
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool tiny = app.arguments().contains(QStringLiteral("--tiny"));
    const int count = tiny ? 20 : 2000;
    const int repeats = tiny ? 1 : 3;

    // The server answers on its own thread, so both sides wait for it alike.
    QThread serverThread;
    serverThread.start();
    QObject serverContext;
    serverContext.moveToThread(&serverThread);
    LocalHttpServer *server = nullptr;
    QMetaObject::invokeMethod(
        &serverContext,
        [&] {
            server = new LocalHttpServer;
            server->setRecordsRequests(false);
            server->setFallback([](const LocalHttpServer::Request &) {
                auto response = LocalHttpServer::Response::ok(body);
                response.withHeader("Cache-Control", "max-age=60");
                return std::optional(response);
            });
            server->listen();
        },
        Qt::BlockingQueuedConnection);

    auto urls = [&](const QString &side, int round) {
        QList<QUrl> list;
        for (int i = 0; i < count; ++i)
            list << server->url(QStringLiteral("/%1/%2/%3").arg(side).arg(round).arg(i));
        return list;
    };

    double bestQueue = 1e300;
    double bestManager = 1e300;
    for (int round = 0; round < repeats; ++round) {
        bestQueue = std::min(bestQueue, throughQueue(urls(QStringLiteral("q"), round)));
        bestManager = std::min(bestManager, throughManager(urls(QStringLiteral("m"), round)));
    }
    std::printf("network: %d requests, 4 KiB each, 2 at once\n", count);
    std::printf("  RequestQueue      %8.1f requests/s\n", count / bestQueue);
    std::printf("  bare manager      %8.1f requests/s\n", count / bestManager);
    std::printf("  ratio (queue time / manager time) %.2f\n", bestQueue / bestManager);

    // Cache: filled by the queue once, then every entry read back both ways.
    QTemporaryDir cacheFolder;
    auto *cache = new SharedURLCache(cacheFolder.path());
    NetworkAccess::installSharedURLCache(cache);
    const QList<QUrl> cached = urls(QStringLiteral("c"), 0);
    throughQueue(cached);
    double bestOwnRule = 1e300;
    double bestDisk = 1e300;
    for (int round = 0; round < repeats; ++round) {
        bestOwnRule = std::min(bestOwnRule, throughQueue(cached));
        bestDisk = std::min(bestDisk, fromDiskCache(*cache, cached));
    }
    std::printf("cache: %d entries read back\n", count);
    std::printf("  queue's own rule  %8.1f µs per answer\n", bestOwnRule / count * 1e6);
    std::printf("  disk cache alone  %8.1f µs per answer\n", bestDisk / count * 1e6);
    std::printf("  ratio (own rule / disk cache) %.2f\n", bestOwnRule / bestDisk);

    // Adding to a long queue: every add looks for an equal request waiting.
    {
        RequestQueue queue;
        queue.setSuspended(true);
        const QList<QUrl> waiting = urls(QStringLiteral("w"), 0);
        QElapsedTimer timer;
        timer.start();
        for (const QUrl &url : waiting)
            queue.addRequest(URLRequest(url), {});
        const double adding = double(timer.nsecsElapsed()) / 1e9;
        timer.restart();
        queue.cancelAllRequests();
        const double cancelling = double(timer.nsecsElapsed()) / 1e9;
        std::printf("queue of %d waiting requests\n", count);
        std::printf("  adding            %8.2f µs per request\n", adding / count * 1e6);
        std::printf("  cancelling all    %8.2f µs per request\n", cancelling / count * 1e6);
    }

    QMetaObject::invokeMethod(
        &serverContext, [&] { delete server; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    return 0;
}
