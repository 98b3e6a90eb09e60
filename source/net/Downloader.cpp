#include "net/Downloader.h"
#include "platform/PreferenceKeys.h"

#include "net/ISO8601DateFormatter.h"
#include "net/RequestQueue.h"
#include "net/ReviewFeedDecoder.h"
#include "net/ServiceAddress.h"
#include "net/URLError.h"
#include "platform/Dispatch.h"
#include "platform/DispatchGroup.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QPointer>

#include <cstring>
#include <memory>

const QString Downloader::defaultStoreRootURL = QStringLiteral("https://itunes.apple.com/");
const QString Downloader::storeRootURLKey = Preference::StoreRootURL;

namespace {

RequestQueue &queueOrMain(RequestQueue *queue)
{
    return queue ? *queue : RequestQueue::mainQueue();
}

URLRequest storeRequest(const QUrl &url)
{
    return URLRequest(url, Downloader::requestTimeout);
}

// A path or query piece taken from outside (identifier, country code): only
// unreserved characters stay as they are.
QString pathPiece(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// The "results" of a lookup or search answer: nullopt when the body is no
// JSON (logged) or the key is missing or null.
std::optional<Downloader::ProductRecords> resultsOf(const QByteArray &data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        logLine(formatString(QStringLiteral("Error parsing json: %@"), parseError.errorString()));
        return std::nullopt;
    }
    const QJsonValue results = document.object().value(QStringLiteral("results"));
    if (!results.isArray())
        return std::nullopt;
    Downloader::ProductRecords records;
    const QJsonArray array = results.toArray();
    records.reserve(array.size());
    for (const QJsonValue &value : array) {
        if (value.isObject())
            records.append(value.toObject());
    }
    return records;
}

} // namespace

Downloader &Downloader::sharedInstance()
{
    static Downloader instance;
    return instance;
}

// One formatter per thread: the importers parse dates on their own threads at
// the same time, and a formatter must not parse on two threads at once.
ISO8601DateFormatter &Downloader::isoDateFormatter()
{
    thread_local ISO8601DateFormatter formatter;
    return formatter;
}

QString Downloader::storeRootURL()
{
    return serviceAddress(storeRootURLKey, defaultStoreRootURL);
}

QString Downloader::entityListForOptions(quint64 options)
{
    QStringList entities;
    if (options & SearchIOSApps)
        entities << QStringLiteral("software") << QStringLiteral("iPadSoftware");
    if (options & SearchMacApps)
        entities << QStringLiteral("macSoftware");
    if (options & SearchBooks)
        entities << QStringLiteral("ebook");
    if (options & SearchPodcasts)
        entities << QStringLiteral("podcast");
    return entities.join(QLatin1Char(','));
}

// The characters allowed in a URL query, minus those that would end or
// rewrite the term inside the query: "&", "=", "+", ";" (and "#", which is
// not allowed anyway). Everything else becomes %XX of its UTF-8 bytes.
QString Downloader::encodedSearchTerm(const QString &term)
{
    static constexpr char kept[] = "-._~!$'()*,:@/?";
    const QByteArray bytes = term.toUtf8();
    QString encoded;
    encoded.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
            || (byte >= '0' && byte <= '9') || (byte != 0 && std::strchr(kept, byte))) {
            encoded.append(QLatin1Char(c));
        } else {
            encoded.append(QStringLiteral("%%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper());
        }
    }
    return encoded;
}

QUrl Downloader::reviewsURL(
    const QString &identifier, const QString &countryCode, quint64 page, bool json)
{
    const QString text = formatString(json
            ? QStringLiteral("%@%@/rss/customerreviews/page=%ld/id=%@/sortBy=mostRecent/json")
            : QStringLiteral("%@%@/rss/customerreviews/page=%ld/id=%@/sortBy=mostRecent/xml"),
        storeRootURL(), pathPiece(countryCode), page, pathPiece(identifier));
    return QUrl(text);
}

QUrl Downloader::lookupURL(const QStringList &identifiers, const QString &countryCode)
{
    QStringList pieces;
    pieces.reserve(identifiers.size());
    for (const QString &identifier : identifiers)
        pieces << pathPiece(identifier);
    const QString country = countryCode.size() >= 2
        ? formatString(QStringLiteral("&country=%@"), pathPiece(countryCode))
        : QString();
    return QUrl(formatString(QStringLiteral("%@id=%@%@&limit=%ld"),
        QString(storeRootURL() + QStringLiteral("lookup?")), pieces.join(QLatin1Char(',')), country,
        resultLimit));
}

QUrl Downloader::searchURL(const QString &term, quint64 options)
{
    return QUrl(formatString(QStringLiteral("%@term=%@&entity=%@&limit=%ld"),
        QString(storeRootURL() + QStringLiteral("search?")), encodedSearchTerm(term),
        entityListForOptions(options), resultLimit));
}

bool Downloader::checkResponse(const HTTPURLResponse &response)
{
    // Every answer is accepted; the status reaches the callers as the error
    // the request queue made of it.
    Q_UNUSED(response.statusCode());
    return true;
}

void Downloader::reviewsForId(const QString &identifier, const QString &countryCode,
    const QString &format, quint64 maxPages, RequestQueue *queue, ReviewsCompletion completion,
    PageHandler pageHandler)
{
    const quint64 pages = maxPages == 0 ? 1 : std::min<quint64>(maxPages, maximumFeedPages);
    if (format.isNull() || format.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0)
        RSSById(
            identifier, countryCode, pages, queue, std::move(completion), std::move(pageHandler));
    else if (format.compare(QLatin1String("json"), Qt::CaseInsensitive) == 0)
        JSONById(
            identifier, countryCode, pages, queue, std::move(completion), std::move(pageHandler));
}

void Downloader::RSSById(const QString &identifier, const QString &countryCode, quint64 maxPages,
    RequestQueue *queue, ReviewsCompletion completion, PageHandler pageHandler)
{
    pagedFeed(identifier, countryCode, maxPages, false, queue, std::move(completion),
        std::move(pageHandler));
}

void Downloader::JSONById(const QString &identifier, const QString &countryCode, quint64 maxPages,
    RequestQueue *queue, ReviewsCompletion completion, PageHandler pageHandler)
{
    pagedFeed(identifier, countryCode, maxPages, true, queue, std::move(completion),
        std::move(pageHandler));
}

namespace {

// One paged download: each page's handler enqueues the next page, so it
// joins the end of the queue behind the pages of other products.
struct PagedFeed : std::enable_shared_from_this<PagedFeed> {
    QString identifier;
    QString countryCode;
    bool json = false;
    quint64 pageLimit = 1;
    quint64 page = 1;
    QPointer<RequestQueue> queue;
    Downloader::FeedRecords collected;
    Downloader::ReviewsCompletion completion;
    Downloader::PageHandler pageHandler;

    void enqueue()
    {
        if (!queue) {
            deliver(URLError::errorWithCode(URLError::Cancelled));
            return;
        }
        queue->addRequest(storeRequest(Downloader::reviewsURL(identifier, countryCode, page, json)),
            [self = shared_from_this()](const HTTPURLResponse &response, const QByteArray &data,
                const Error &error) { self->answered(response, data, error); });
    }

    void answered(const HTTPURLResponse &response, const QByteArray &data, const Error &error)
    {
        Downloader::sharedInstance().checkResponse(response);
        qsizetype decoded = 0;
        bool wantsMore = true;
        if (!data.isEmpty() && !error) {
            const auto records = json ? ReviewFeedDecoder::jsonDataToReviewsArray(data)
                                      : ReviewFeedDecoder::xmlDataToReviewsArray(data);
            if (records) {
                decoded = records->size();
                collected.append(*records);
                if (decoded > 0 && pageHandler)
                    wantsMore = pageHandler(page, *records);
            }
        }
        if (decoded > 0 && wantsMore && page + 1 <= pageLimit) {
            ++page;
            enqueue();
            return;
        }
        deliver(error);
    }

    void deliver(const Error &error)
    {
        if (!completion)
            return;
        dispatchMain(
            [completion = completion, records = collected, error] { completion(records, error); });
    }
};

} // namespace

void Downloader::pagedFeed(const QString &identifier, const QString &countryCode, quint64 maxPages,
    bool json, RequestQueue *queue, ReviewsCompletion completion, PageHandler pageHandler)
{
    auto feed = std::make_shared<PagedFeed>();
    feed->identifier = identifier;
    feed->countryCode = countryCode;
    feed->json = json;
    feed->pageLimit = std::min<quint64>(maxPages, maximumFeedPages);
    feed->queue = &queueOrMain(queue);
    feed->completion = std::move(completion);
    feed->pageHandler = std::move(pageHandler);
    feed->enqueue();
}

void Downloader::lookupByIds(const QStringList &identifiers, const QString &countryCode,
    RequestQueue *queue, LookupCompletion completion)
{
    if (identifiers.isEmpty()) {
        if (completion)
            dispatchMain([completion] { completion({}, {}); });
        return;
    }
    struct Combined {
        ProductRecords results;
        Error error;
    };
    auto combined = std::make_shared<Combined>();
    DispatchGroup group;
    RequestQueue &target = queueOrMain(queue);
    for (qsizetype start = 0; start < identifiers.size(); start += lookupBatchSize) {
        group.enter();
        target.addRequest(
            storeRequest(lookupURL(identifiers.mid(start, lookupBatchSize), countryCode)),
            [combined, group](const HTTPURLResponse &response, const QByteArray &data,
                const Error &error) mutable {
                Downloader::sharedInstance().checkResponse(response);
                if (error) {
                    combined->error = error;
                } else if (!data.isEmpty()) {
                    if (const auto results = resultsOf(data))
                        combined->results.append(*results);
                }
                group.leave();
            });
    }
    group.notify([combined, completion] {
        if (completion)
            dispatchMain(
                [combined, completion] { completion(combined->results, combined->error); });
    });
}

void Downloader::lookupById(const QString &identifier, const QString &countryCode,
    RequestQueue *queue, SingleLookupCompletion completion)
{
    lookupByIds({identifier}, countryCode, queue,
        [completion](const ProductRecords &results, const Error &error) {
            if (!completion)
                return;
            if (!results.isEmpty() && !error)
                completion(results.first(), error);
            else
                completion(std::nullopt, error);
        });
}

void Downloader::search(
    const QString &term, quint64 options, RequestQueue *queue, SearchCompletion completion)
{
    queueOrMain(queue).addRequest(storeRequest(searchURL(term, options)),
        [completion](const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
            Downloader::sharedInstance().checkResponse(response);
            std::optional<ProductRecords> results;
            if (!data.isEmpty() && !error)
                results = resultsOf(data);
            if (completion)
                dispatchMain([completion, results, error] { completion(results, error); });
        });
}

void Downloader::loadImageFromURL(const QUrl &url, RequestQueue &queue, ImageCompletion completion)
{
    queue.addRequest(storeRequest(url),
        [completion](const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
            Downloader::sharedInstance().checkResponse(response);
            QImage image;
            Error handedOn;
            if (!data.isEmpty() && !error) {
                image = QImage::fromData(data);
            } else if (error.domain() == Error::URLErrorDomain
                && error.code() == URLError::TimedOut) {
                logLine(QStringLiteral("Loading image timed out."));
            } else if (!error.isCancellation()) {
                handedOn = error;
            }
            if (completion)
                dispatchMain([completion, image, handedOn] { completion(image, handedOn); });
        });
}
