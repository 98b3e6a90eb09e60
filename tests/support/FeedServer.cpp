#include "support/FeedServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

QString key(const QString &identifier, const QString &country)
{
    return identifier + QLatin1Char('/') + country.toLower();
}

} // namespace

FeedServer::FeedServer()
{
    http_.setRecordsRequests(false);
    http_.setFallback([this](const LocalHttpServer::Request &request) { return answer(request); });
    http_.listen();
}

QList<StoreAnswers::Review> &FeedServer::reviews(const QString &identifier, const QString &country)
{
    return reviews_[key(identifier, country)];
}

void FeedServer::setLookupRecord(
    const QString &identifier, const QString &country, QJsonObject record)
{
    record.insert(QStringLiteral("trackId"), identifier.toLongLong());
    lookups_.insert(key(identifier, country), record);
}

void FeedServer::clearRecorded()
{
    feedRequests_.clear();
    lookupRequests_.clear();
}

std::optional<LocalHttpServer::Response> FeedServer::answer(const LocalHttpServer::Request &request)
{
    static const QRegularExpression feedPath(QStringLiteral(
        "^/([^/]+)/rss/customerreviews/page=(\\d+)/id=([^/]+)/sortBy=mostRecent/(xml|json)$"));
    const QString path = request.path();
    std::optional<LocalHttpServer::Response> response;
    if (const auto match = feedPath.match(path); match.hasMatch()) {
        FeedRequest feed {match.captured(1), match.captured(3), match.captured(2).toInt(),
            match.captured(4) == QLatin1String("json")};
        feedRequests_ << feed;
        if (feedOverride_)
            response = feedOverride_(feed);
        if (!response) {
            const auto all = reviews_.value(key(feed.identifier, feed.country));
            const auto page = all.mid((feed.page - 1) * pageSize, pageSize);
            response = feed.json
                ? LocalHttpServer::Response::ok(
                    StoreAnswers::jsonFeedPage(page), "application/json")
                : LocalHttpServer::Response::ok(StoreAnswers::xmlFeedPage(page), "application/xml");
        }
    } else if (path == QLatin1String("/lookup")) {
        const QUrlQuery query = request.query();
        LookupRequest lookup {query.queryItemValue(QStringLiteral("country")),
            query.queryItemValue(QStringLiteral("id")).split(QLatin1Char(','), Qt::SkipEmptyParts)};
        lookupRequests_ << lookup;
        if (lookupOverride_)
            response = lookupOverride_(lookup);
        if (!response) {
            QJsonArray results;
            for (const QString &identifier : lookup.identifiers) {
                const auto found = lookups_.constFind(key(identifier, lookup.country));
                if (found != lookups_.cend())
                    results.append(*found);
            }
            response = LocalHttpServer::Response::ok(
                QJsonDocument(QJsonObject {{QStringLiteral("resultCount"), int(results.size())},
                                  {QStringLiteral("results"), results}})
                    .toJson(QJsonDocument::Compact),
                "application/json");
        }
    }
    if (response && delayMs_ > 0 && response->delayMs == 0)
        response->delayMs = delayMs_;
    return response;
}
