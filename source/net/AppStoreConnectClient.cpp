#include "net/AppStoreConnectClient.h"

#include "net/RequestQueue.h"
#include "net/ServiceAddress.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/PreferenceKeys.h"
#include "platform/StringFormat.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <memory>

const QString AppStoreConnectClient::defaultURL =
    QStringLiteral("https://api.appstoreconnect.apple.com/");

namespace {

constexpr double requestTimeout = 30.0;

QString text(const char *source)
{
    return localized("AppStoreConnect", source);
}

Error connectError(int code, const QString &description, const QString &reason = {})
{
    QVariantMap info {{Error::LocalizedDescriptionKey, description}};
    if (!reason.isEmpty())
        info.insert(Error::LocalizedFailureReasonKey, reason);
    return Error(AppStoreConnectToken::ErrorDomain, code, info);
}

QUrl apiURL(const QString &path, const QString &query = {})
{
    QUrl url(AppStoreConnectClient::rootURL() + path);
    if (!query.isEmpty())
        url.setQuery(query);
    return url;
}

QString pathPiece(const QString &identifier)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(identifier));
}

} // namespace

struct AppStoreConnectClient::State : std::enable_shared_from_this<State> {
    using Answer = std::function<void(const QByteArray &data, const Error &error)>;

    RequestQueue *queue = nullptr;
    AppStoreConnectKey key;
    AppStoreConnectToken token;
    AppStoreConnectRateLimit rateLimit;

    void send(const QByteArray &method, const QUrl &url, const QByteArray &body, Answer answer);

    // Reads `url` and the pages its answers link to, for as long as the
    // handler wants more; the completion has every item read.
    template<typename T, typename Decode>
    void readList(
        const QUrl &url, Decode decode, PageHandler<T> pageHandler, ListCompletion<T> completion)
    {
        readPages<T>(url, decode, std::move(pageHandler), std::make_shared<QList<T>>(),
            std::move(completion));
    }

    template<typename T, typename Decode>
    void readPages(const QUrl &url, Decode decode, PageHandler<T> pageHandler,
        std::shared_ptr<QList<T>> collected, ListCompletion<T> completion)
    {
        send("GET", url, {},
            [self = shared_from_this(), decode, pageHandler, collected, completion](
                const QByteArray &data, const Error &error) {
                if (error) {
                    completion(*collected, error);
                    return;
                }
                const auto page = decode(data);
                if (!page) {
                    completion(*collected,
                        connectError(MalformedAnswer,
                            text("App Store Connect's answer could not be read.")));
                    return;
                }
                collected->append(page->items);
                const bool wantsMore = !pageHandler || pageHandler(page->items);
                if (wantsMore && !page->next.isEmpty())
                    self->readPages<T>(page->next, decode, pageHandler, collected, completion);
                else
                    completion(*collected, {});
            });
    }
};

AppStoreConnectClient::AppStoreConnectClient(RequestQueue *queue)
    : state_(std::make_shared<State>())
{
    state_->queue = queue;
}

QString AppStoreConnectClient::rootURL()
{
    return serviceAddress(Preference::AppStoreConnectURL, defaultURL);
}

void AppStoreConnectClient::setKey(const AppStoreConnectKey &key)
{
    state_->key = key;
}

AppStoreConnectKey AppStoreConnectClient::key() const
{
    return state_->key;
}

AppStoreConnectRateLimit AppStoreConnectClient::rateLimit() const
{
    return state_->rateLimit;
}

bool AppStoreConnectClient::budgetSpent() const
{
    const int remaining = state_->rateLimit.remaining;
    return remaining >= 0 && remaining < reserveRequests;
}

Error AppStoreConnectClient::errorFor(
    int statusCode, const QByteArray &body, const QByteArray &method)
{
    if (statusCode < 400)
        return {};
    const QString message = AppStoreConnectDecoder::errorMessage(body);
    switch (statusCode) {
    case Unauthorized:
        return connectError(Unauthorized,
            text("App Store Connect refused the key. Check the issuer ID, the key ID and the "
                 "key file."),
            message);
    case Forbidden:
        if (method != "GET")
            return connectError(Forbidden,
                text("This App Store Connect key may read reviews but not reply to them; its "
                     "role needs to allow replies."),
                message);
        return connectError(
            Forbidden, text("App Store Connect does not let this key read reviews."), message);
    case NotFound:
        return connectError(
            NotFound, text("App Store Connect does not show this app to the key."), message);
    case RateLimited:
        return connectError(RateLimited,
            text("App Store Connect's hourly request limit is reached; the rest waits for the "
                 "next update."),
            message);
    default:
        return connectError(statusCode,
            formatString(text("App Store Connect answered with error %i."), statusCode), message);
    }
}

void AppStoreConnectClient::State::send(
    const QByteArray &method, const QUrl &url, const QByteArray &body, Answer answer)
{
    Error error;
    const QByteArray bearer = token.token(key, Clock::shared().now(), &error);
    if (bearer.isEmpty()) {
        dispatchMain([answer, error] { answer({}, error); });
        return;
    }
    URLRequest request(url, requestTimeout);
    request.setHTTPMethod(method);
    request.setValue("Bearer " + bearer, "Authorization");
    request.setValue("application/json", "Accept");
    if (!body.isEmpty()) {
        request.setValue("application/json", "Content-Type");
        request.setHTTPBody(body);
    }
    RequestQueue &target = queue ? *queue : RequestQueue::mainQueue();
    target.addRequest(request,
        [self = shared_from_this(), answer, method](
            const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
            const QByteArray header = response.valueForHTTPHeaderField("X-Rate-Limit");
            if (!header.isEmpty())
                self->rateLimit = AppStoreConnectDecoder::rateLimit(header);
            if (error && response.isNull()) {
                answer({},
                    connectError(error.code(), text("App Store Connect cannot be reached."),
                        error.localizedDescription()));
                return;
            }
            answer(data, errorFor(response.statusCode(), data, method));
        });
}

void AppStoreConnectClient::apps(ListCompletion<AppStoreConnectApp> completion)
{
    state_->readList<AppStoreConnectApp>(
        apiURL(QStringLiteral("v1/apps"),
            QStringLiteral("limit=%1&fields[apps]=name,bundleId").arg(pageLimit)),
        &AppStoreConnectDecoder::appPage, {}, std::move(completion));
}

void AppStoreConnectClient::reviews(const QString &appID,
    PageHandler<AppStoreConnectReview> pageHandler,
    ListCompletion<AppStoreConnectReview> completion, Order order)
{
    const QLatin1String sort(order == Order::NewestFirst ? "-createdDate" : "createdDate");
    state_->readList<AppStoreConnectReview>(
        apiURL(QStringLiteral("v1/apps/%1/customerReviews").arg(pathPiece(appID)),
            QStringLiteral("sort=%1&limit=%2&include=response").arg(sort).arg(pageLimit)),
        &AppStoreConnectDecoder::reviewPage, std::move(pageHandler), std::move(completion));
}

void AppStoreConnectClient::versions(
    const QString &appID, ListCompletion<AppStoreConnectVersion> completion)
{
    state_->readList<AppStoreConnectVersion>(
        apiURL(QStringLiteral("v1/apps/%1/appStoreVersions").arg(pathPiece(appID)),
            QStringLiteral("limit=%1").arg(pageLimit)),
        &AppStoreConnectDecoder::versionPage, {}, std::move(completion));
}

void AppStoreConnectClient::versionReviews(const QString &versionID,
    PageHandler<AppStoreConnectReview> pageHandler,
    ListCompletion<AppStoreConnectReview> completion)
{
    state_->readList<AppStoreConnectReview>(
        apiURL(QStringLiteral("v1/appStoreVersions/%1/customerReviews").arg(pathPiece(versionID)),
            QStringLiteral("sort=-createdDate&limit=%1").arg(pageLimit)),
        &AppStoreConnectDecoder::reviewPage, std::move(pageHandler), std::move(completion));
}

void AppStoreConnectClient::reply(
    const QString &reviewID, const QString &text, ReplyCompletion completion)
{
    const QJsonObject document {{"data",
        QJsonObject {{"type", "customerReviewResponses"},
            {"attributes", QJsonObject {{"responseBody", text}}},
            {"relationships",
                QJsonObject {{"review",
                    QJsonObject {{"data",
                        QJsonObject {{"type", "customerReviews"}, {"id", reviewID}}}}}}}}}};
    state_->send("POST", apiURL(QStringLiteral("v1/customerReviewResponses")),
        QJsonDocument(document).toJson(QJsonDocument::Compact),
        [completion](const QByteArray &data, const Error &error) {
            if (error) {
                completion(std::nullopt, error);
                return;
            }
            const auto reply = AppStoreConnectDecoder::reply(data);
            completion(reply,
                reply ? Error()
                      : connectError(MalformedAnswer,
                          ::text("App Store Connect's answer could not be read.")));
        });
}

void AppStoreConnectClient::deleteReply(const QString &replyID, Completion completion)
{
    state_->send("DELETE",
        apiURL(QStringLiteral("v1/customerReviewResponses/%1").arg(pathPiece(replyID))), {},
        [completion](const QByteArray &, const Error &error) { completion(error); });
}
