#include "FakeStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QRegularExpression>

using Response = LocalHttpServer::Response;

namespace {

// Store entity names and the "kind" of the records they find.
QString kindForEntity(const QString &entity)
{
    if (entity == QLatin1String("software") || entity == QLatin1String("iPadSoftware"))
        return QStringLiteral("software");
    if (entity == QLatin1String("macSoftware"))
        return QStringLiteral("mac-software");
    if (entity == QLatin1String("ebook"))
        return QStringLiteral("ebook");
    if (entity == QLatin1String("podcast"))
        return QStringLiteral("podcast");
    return {};
}

QByteArray resultsAnswer(const QList<QJsonObject> &records)
{
    QJsonArray results;
    for (const QJsonObject &record : records)
        results.append(record);
    return QJsonDocument(QJsonObject {{"resultCount", int(records.size())}, {"results", results}})
        .toJson(QJsonDocument::Compact);
}

// A name from a request that becomes part of a file path: no separators, no
// dot-dot, nothing hidden.
bool isPlainName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]*$"));
    return plain.match(name).hasMatch() && !name.contains(QLatin1String(".."));
}

QByteArray httpDate(const QDateTime &time)
{
    return QLocale::c()
        .toString(time.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
        .toLatin1();
}

} // namespace

FakeStore::FakeStore(const QString &folder, Options options)
    : folder_(folder),
      options_(options),
      translator_({options.libreOpen}),
      connect_(folder, options.connect)
{
}

void FakeStore::setOptions(const Options &options)
{
    options_ = options;
    connect_.setOptions(options.connect);
}

void FakeStore::attach(LocalHttpServer &server)
{
    root_ = server.rootURL();
    connect_.setRoot(root_);
    server.setFallback([this](const LocalHttpServer::Request &request) -> std::optional<Response> {
        return answer(request);
    });
}

Response FakeStore::storeAnswer(
    const LocalHttpServer::Request &request, QByteArray body, QByteArray contentType) const
{
    QByteArray etag;
    if (options_.etag) {
        etag =
            '"' + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex().left(16) + '"';
    }
    Response response = !etag.isEmpty() && request.header("If-None-Match") == etag
        ? Response::withStatus(304)
        : Response::ok(std::move(body), std::move(contentType));
    if (!etag.isEmpty())
        response.withHeader("ETag", etag);
    if (!options_.cacheControl.isEmpty())
        response.withHeader("Cache-Control", options_.cacheControl);
    if (options_.expiresIn) {
        response.withHeader(
            "Expires", httpDate(QDateTime::currentDateTimeUtc().addSecs(*options_.expiresIn)));
    }
    return response;
}

Response FakeStore::answer(const LocalHttpServer::Request &request)
{
    static const QRegularExpression feed(
        QStringLiteral(
            "^/(\\w{2})/rss/customerreviews/page=(\\d+)/id=(\\d+)/sortBy=mostRecent/(xml|json)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString path = request.path();
    const auto match = feed.match(path);
    if (match.hasMatch())
        return reviews(request, match.captured(1).toLower(), match.captured(3),
            match.captured(2).toInt(), match.captured(4).toLower());
    if (path == QLatin1String("/lookup"))
        return lookup(request);
    if (path == QLatin1String("/search"))
        return search(request);
    if (path.startsWith(QLatin1String("/images/")))
        return image(request, path.mid(8));
    if (auto connected = connect_.answer(request))
        return *connected;
    if (auto translated = translator_.answer(request))
        return *translated;
    if (auto received = receivers_.answer(request))
        return *received;
    return Response::withStatus(404, "<html><body>Not found</body></html>");
}

Response FakeStore::reviews(const LocalHttpServer::Request &request, const QString &country,
    const QString &identifier, int page, const QString &format)
{
    const QByteArray contentType =
        format == QLatin1String("xml") ? "application/xml" : "application/json";
    if (format == QLatin1String("xml")) {
        if (options_.rateLimit >= 0 && ++xmlFeedRequests_ > options_.rateLimit)
            return Response::withStatus(403, "<html><body>Forbidden</body></html>");
        if (const int status = options_.failingCountries.value(country))
            return Response::withStatus(status, "<html><body>Refused</body></html>");
    }
    QFile file(folder_.filePath(
        QStringLiteral("reviews/%1/%2/%3.%4").arg(country, identifier).arg(page).arg(format)));
    Response response;
    if (file.open(QIODevice::ReadOnly)) {
        response = storeAnswer(request, file.readAll(), contentType);
    } else if (format == QLatin1String("xml")) {
        // Past the last page, and for products it does not know, the store
        // answers a feed without entries.
        response = storeAnswer(request,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<feed xmlns:im=\"http://itunes.apple.com/rss\" "
            "xmlns=\"http://www.w3.org/2005/Atom\" xml:lang=\"en\">"
            "<title>iTunes Store: Customer Reviews</title></feed>\n",
            contentType);
    } else {
        response = storeAnswer(request,
            "{\"feed\":{\"title\":{\"label\":\"iTunes Store: Customer Reviews\"}}}", contentType);
    }
    if (options_.cutPages.contains(QStringLiteral("%1/%2").arg(country).arg(page)))
        response.cutAfterBytes = response.body.size() / 2;
    return response;
}

std::optional<QJsonObject> FakeStore::readRecord(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray text = file.readAll();
    text.replace("{root}", root_.toUtf8());
    const QJsonDocument document = QJsonDocument::fromJson(text);
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<QJsonObject> FakeStore::product(
    const QString &identifier, const QString &country) const
{
    if (!isPlainName(identifier))
        return std::nullopt;
    if (isPlainName(country)) {
        if (auto record = readRecord(folder_.filePath(
                QStringLiteral("products/%1/%2.json").arg(country.toLower(), identifier))))
            return record;
    }
    return readRecord(folder_.filePath(QStringLiteral("products/%1.json").arg(identifier)));
}

QList<QJsonObject> FakeStore::allProducts() const
{
    QList<QJsonObject> records;
    const QDir products(folder_.filePath(QStringLiteral("products")));
    for (const QString &name :
        products.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        if (auto record = readRecord(products.filePath(name)))
            records.append(*record);
    }
    return records;
}

Response FakeStore::lookup(const LocalHttpServer::Request &request)
{
    const QUrlQuery query = request.query();
    const QString country = query.queryItemValue(QStringLiteral("country"));
    const int limit = query.hasQueryItem(QStringLiteral("limit"))
        ? query.queryItemValue(QStringLiteral("limit")).toInt()
        : 50;
    QList<QJsonObject> records;
    for (const QString &identifier :
        query.queryItemValue(QStringLiteral("id")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (records.size() >= limit)
            break;
        if (auto record = product(identifier.trimmed(), country))
            records.append(*record);
    }
    return storeAnswer(request, resultsAnswer(records), "text/javascript; charset=utf-8");
}

Response FakeStore::search(const LocalHttpServer::Request &request)
{
    const QUrlQuery query = request.query();
    const QString term = query.queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded);
    QStringList kinds;
    for (const QString &entity :
        query.queryItemValue(QStringLiteral("entity")).split(QLatin1Char(','), Qt::SkipEmptyParts))
        kinds << kindForEntity(entity);
    const int limit = query.hasQueryItem(QStringLiteral("limit"))
        ? query.queryItemValue(QStringLiteral("limit")).toInt()
        : 50;
    QList<QJsonObject> found;
    for (const QJsonObject &record : allProducts()) {
        if (found.size() >= limit)
            break;
        const QString kind = record.value(QStringLiteral("kind")).toString();
        if (!kinds.isEmpty() && !kinds.contains(kind))
            continue;
        const QString name = record.value(QStringLiteral("trackName")).toString();
        const QString artist = record.value(QStringLiteral("artistName")).toString();
        if (name.contains(term, Qt::CaseInsensitive) || artist.contains(term, Qt::CaseInsensitive))
            found.append(record);
    }
    return storeAnswer(request, resultsAnswer(found), "text/javascript; charset=utf-8");
}

Response FakeStore::image(const LocalHttpServer::Request &request, const QString &name)
{
    if (!isPlainName(name))
        return Response::withStatus(404, "Not found");
    QFile file(folder_.filePath(QStringLiteral("images/") + name));
    if (!file.open(QIODevice::ReadOnly))
        return Response::withStatus(404, "Not found");
    const QByteArray type =
        name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ? "image/png" : "image/jpeg";
    return storeAnswer(request, file.readAll(), type);
}
