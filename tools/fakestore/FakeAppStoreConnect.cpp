#include "FakeAppStoreConnect.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrlQuery>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <memory>

using Response = LocalHttpServer::Response;

namespace {

Response errorAnswer(int status, const char *code, const QString &title, const QString &detail)
{
    const QJsonObject error {
        {"status", QString::number(status)}, {"code", code}, {"title", title}, {"detail", detail}};
    return Response::withStatus(status,
        QJsonDocument(QJsonObject {{"errors", QJsonArray {error}}}).toJson(QJsonDocument::Compact))
        .withHeader("Content-Type", "application/json");
}

Response jsonAnswer(int status, const QJsonObject &document)
{
    return Response::withStatus(status, QJsonDocument(document).toJson(QJsonDocument::Compact))
        .withHeader("Content-Type", "application/json");
}

std::optional<QJsonObject> jsonObject(const QByteArray &data)
{
    const QJsonDocument document = QJsonDocument::fromJson(data);
    return document.isObject() ? std::optional(document.object()) : std::nullopt;
}

// A JWT's signature (r||s) checked against a PEM public key, over ES256.
bool verifiesES256(const QByteArray &input, const QByteArray &raw, const QByteArray &publicKey)
{
    if (raw.size() != 64)
        return false;
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(publicKey.constData(), int(publicKey.size())), &BIO_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr, &EVP_PKEY_free);
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> signature(
        ECDSA_SIG_new(), &ECDSA_SIG_free);
    if (!key || !signature)
        return false;
    const auto *bytes = reinterpret_cast<const unsigned char *>(raw.constData());
    ECDSA_SIG_set0(
        signature.get(), BN_bin2bn(bytes, 32, nullptr), BN_bin2bn(bytes + 32, 32, nullptr));
    unsigned char *der = nullptr;
    const int derLength = i2d_ECDSA_SIG(signature.get(), &der);
    if (derLength <= 0)
        return false;
    std::unique_ptr<unsigned char, void (*)(unsigned char *)> derOwner(
        der, [](unsigned char *p) { OPENSSL_free(p); });
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(
        EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    return context
        && EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1
        && EVP_DigestVerify(context.get(), der, size_t(derLength),
               reinterpret_cast<const unsigned char *>(input.constData()), size_t(input.size()))
        == 1;
}

QByteArray fromBase64Url(const QByteArray &text)
{
    const auto result = QByteArray::fromBase64Encoding(
        text, QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    return result ? *result : QByteArray();
}

} // namespace

FakeAppStoreConnect::FakeAppStoreConnect(const QString &folder, Options options)
    : folder_(folder + QStringLiteral("/connect")), options_(std::move(options))
{
}

QString FakeAppStoreConnect::checkToken(
    const QByteArray &authorization, const QByteArray &publicKey, const QDateTime &now)
{
    if (!authorization.startsWith("Bearer "))
        return QStringLiteral("no bearer token");
    const QList<QByteArray> parts = authorization.mid(7).trimmed().split('.');
    if (parts.size() != 3)
        return QStringLiteral("not a JSON Web Token");
    const auto header = jsonObject(fromBase64Url(parts[0]));
    const auto payload = jsonObject(fromBase64Url(parts[1]));
    if (!header || !payload)
        return QStringLiteral("the token's header or payload is no JSON object");
    if (header->value("alg") != QLatin1String("ES256") || header->value("typ") != "JWT"
        || header->value("kid").toString().isEmpty())
        return QStringLiteral("the header needs alg ES256, typ JWT and a kid");
    if (payload->value("aud") != QLatin1String("appstoreconnect-v1")
        || payload->value("iss").toString().isEmpty())
        return QStringLiteral("the payload needs iss and aud appstoreconnect-v1");
    const qint64 issued = payload->value("iat").toInteger(-1);
    const qint64 expiry = payload->value("exp").toInteger(-1);
    const qint64 seconds = now.toSecsSinceEpoch();
    if (issued < 0 || expiry <= issued || expiry - issued > 20 * 60)
        return QStringLiteral("the token must live at most 20 minutes");
    if (expiry <= seconds || issued > seconds + 60)
        return QStringLiteral("the token has expired or is not valid yet");
    if (!verifiesES256(parts[0] + '.' + parts[1], fromBase64Url(parts[2]), publicKey))
        return QStringLiteral("the signature does not verify");
    return {};
}

std::optional<Response> FakeAppStoreConnect::answer(const LocalHttpServer::Request &request)
{
    if (!request.path().startsWith(QLatin1String("/v1/")))
        return std::nullopt;
    ++requests_;
    const int remaining = std::max(0, options_.hourlyBudget - requests_);
    Response response = [&] {
        if (requests_ > options_.hourlyBudget)
            return errorAnswer(429, "RATE_LIMIT_EXCEEDED",
                QStringLiteral("The request rate limit has been reached."),
                QStringLiteral("We've received too many requests for this API. Please wait and try "
                               "again or slow down your request rate."));
        const QString refusal = checkToken(
            request.header("Authorization"), options_.publicKey, QDateTime::currentDateTimeUtc());
        if (!refusal.isEmpty())
            return errorAnswer(401, "NOT_AUTHORIZED",
                QStringLiteral("Authentication credentials are missing or invalid."),
                QStringLiteral("Provide a properly configured and signed bearer token, and make "
                               "sure that it has not expired (%1).")
                    .arg(refusal));
        return route(request);
    }();
    return response.withHeader("X-Rate-Limit",
        QStringLiteral("user-hour-lim:%1;user-hour-rem:%2;")
            .arg(options_.hourlyBudget)
            .arg(remaining)
            .toLatin1());
}

Response FakeAppStoreConnect::route(const LocalHttpServer::Request &request)
{
    static const QRegularExpression appPath(QStringLiteral("^/v1/apps/([^/]+)/(\\w+)$"));
    static const QRegularExpression versionPath(
        QStringLiteral("^/v1/appStoreVersions/([^/]+)/customerReviews$"));
    static const QRegularExpression replyPath(
        QStringLiteral("^/v1/customerReviewResponses/([^/]+)$"));
    const QString path = request.path();
    const auto notFound = [] {
        return errorAnswer(404, "NOT_FOUND",
            QStringLiteral("The specified resource does not exist"),
            QStringLiteral("There is no resource with this id."));
    };

    if (request.method == "POST" && path == QLatin1String("/v1/customerReviewResponses"))
        return createReply(request);
    if (request.method == "DELETE") {
        const auto match = replyPath.match(path);
        return match.hasMatch() ? deleteReply(match.captured(1)) : notFound();
    }
    if (request.method != "GET")
        return errorAnswer(405, "METHOD_NOT_ALLOWED", QStringLiteral("The request is not allowed"),
            QStringLiteral("This method is not allowed here."));

    const QList<QJsonObject> apps = readList(QStringLiteral("apps.json"));
    if (path == QLatin1String("/v1/apps")) {
        QJsonArray data;
        for (const QJsonObject &app : apps)
            data.append(QJsonObject {{"type", "apps"}, {"id", app.value("id")},
                {"attributes",
                    QJsonObject {
                        {"name", app.value("name")}, {"bundleId", app.value("bundleId")}}}});
        return jsonAnswer(
            200, {{"data", data}, {"links", QJsonObject {{"self", QString(root_ + path.mid(1))}}}});
    }
    if (const auto match = appPath.match(path); match.hasMatch()) {
        const QString appID = match.captured(1);
        if (std::none_of(apps.begin(), apps.end(),
                [&](const QJsonObject &app) { return app.value("id").toString() == appID; }))
            return notFound();
        if (match.captured(2) == QLatin1String("customerReviews")) {
            QList<const Review *> reviews;
            for (const Review &review : reviewsOf(appID))
                reviews.append(&review);
            return reviewPage(request, reviews, path);
        }
        if (match.captured(2) == QLatin1String("appStoreVersions")) {
            QList<QJsonObject> versions = readList(QStringLiteral("versions-%1.json").arg(appID));
            std::sort(
                versions.begin(), versions.end(), [](const QJsonObject &a, const QJsonObject &b) {
                    return a.value("createdDate").toString() > b.value("createdDate").toString();
                });
            QJsonArray data;
            for (const QJsonObject &version : versions)
                data.append(QJsonObject {{"type", "appStoreVersions"}, {"id", version.value("id")},
                    {"attributes",
                        QJsonObject {{"versionString", version.value("versionString")},
                            {"createdDate", version.value("createdDate")}}}});
            return jsonAnswer(200, {{"data", data}});
        }
        return notFound();
    }
    if (const auto match = versionPath.match(path); match.hasMatch()) {
        for (const QJsonObject &app : apps) {
            const QString appID = app.value("id").toString();
            for (const QJsonObject &version :
                readList(QStringLiteral("versions-%1.json").arg(appID))) {
                if (version.value("id").toString() != match.captured(1))
                    continue;
                QList<const Review *> reviews;
                for (const Review &review : reviewsOf(appID))
                    if (review.version == version.value("versionString").toString())
                        reviews.append(&review);
                return reviewPage(request, reviews, path);
            }
        }
    }
    return notFound();
}

Response FakeAppStoreConnect::reviewPage(const LocalHttpServer::Request &request,
    QList<const Review *> reviews, const QString &path) const
{
    QUrlQuery query = request.query();
    if (query.queryItemValue("sort") == QLatin1String("createdDate"))
        std::reverse(reviews.begin(), reviews.end()); // kept newest first

    const int limit = std::clamp(query.queryItemValue("limit").toInt(), 1, options_.pageLimit);
    const int cursor = std::max(0, query.queryItemValue("cursor").toInt());
    const bool withReplies = query.queryItemValue("include").split(',').contains("response");
    QJsonArray data;
    QJsonArray included;
    for (qsizetype i = cursor; i < std::min<qsizetype>(reviews.size(), cursor + limit); ++i) {
        QJsonObject resource = reviews[i]->resource;
        const QString id = resource.value("id").toString();
        if (replies_.contains(id)) {
            const QJsonObject reply = replies_.value(id);
            resource.insert("relationships",
                QJsonObject {{"response",
                    QJsonObject {{"data",
                        QJsonObject {
                            {"type", "customerReviewResponses"}, {"id", reply.value("id")}}}}}});
            if (withReplies)
                included.append(reply);
        }
        data.append(resource);
    }
    QJsonObject links {{"self", QString(root_ + QString::fromLatin1(request.target.mid(1)))}};
    if (cursor + limit < reviews.size()) {
        query.removeAllQueryItems("cursor");
        query.addQueryItem("cursor", QString::number(cursor + limit));
        links.insert(
            "next", QString(root_ + path.mid(1) + '?' + query.toString(QUrl::FullyEncoded)));
    }
    QJsonObject document {{"data", data}, {"links", links},
        {"meta",
            QJsonObject {{"paging", QJsonObject {{"total", reviews.size()}, {"limit", limit}}}}}};
    if (withReplies)
        document.insert("included", included);
    return jsonAnswer(200, document);
}

Response FakeAppStoreConnect::createReply(const LocalHttpServer::Request &request)
{
    if (options_.readOnlyKey)
        return errorAnswer(403, "FORBIDDEN_ERROR",
            QStringLiteral("This request is forbidden for security reasons"),
            QStringLiteral("The API key in use does not allow this request"));
    const auto document = jsonObject(request.body);
    const QJsonObject data = document ? document->value("data").toObject() : QJsonObject();
    const QString text = data.value("attributes").toObject().value("responseBody").toString();
    const QString reviewID = data.value("relationships")
                                 .toObject()
                                 .value("review")
                                 .toObject()
                                 .value("data")
                                 .toObject()
                                 .value("id")
                                 .toString();
    if (data.value("type") != QLatin1String("customerReviewResponses") || text.isEmpty()
        || text.size() > 5970)
        return errorAnswer(422, "ENTITY_UNPROCESSABLE",
            QStringLiteral("The request entity is not valid"),
            QStringLiteral("A reply needs a review and a body of at most 5970 characters."));
    bool known = false;
    for (const QString &file : folder_.entryList({QStringLiteral("reviews-*.json")}, QDir::Files)) {
        const QString appID = file.mid(8).chopped(5);
        for (const Review &review : reviewsOf(appID))
            known = known || review.resource.value("id").toString() == reviewID;
    }
    if (!known)
        return errorAnswer(404, "NOT_FOUND",
            QStringLiteral("The specified resource does not exist"),
            QStringLiteral("There is no review with this id."));
    const QJsonObject reply {{"type", "customerReviewResponses"},
        {"id", QString(QStringLiteral("response-") + reviewID)},
        {"attributes",
            QJsonObject {{"responseBody", text},
                {"lastModifiedDate", QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
                {"state", "PENDING_PUBLISH"}}}};
    replies_.insert(reviewID, reply);
    return jsonAnswer(201, {{"data", reply}});
}

Response FakeAppStoreConnect::deleteReply(const QString &replyID)
{
    if (options_.readOnlyKey)
        return errorAnswer(403, "FORBIDDEN_ERROR",
            QStringLiteral("This request is forbidden for security reasons"),
            QStringLiteral("The API key in use does not allow this request"));
    for (auto it = replies_.begin(); it != replies_.end(); ++it) {
        if (it->value("id").toString() == replyID) {
            replies_.erase(it);
            return Response::withStatus(204);
        }
    }
    return errorAnswer(404, "NOT_FOUND", QStringLiteral("The specified resource does not exist"),
        QStringLiteral("There is no reply with this id."));
}

const QList<FakeAppStoreConnect::Review> &FakeAppStoreConnect::reviewsOf(const QString &appID)
{
    auto it = reviews_.find(appID);
    if (it != reviews_.end())
        return *it;
    QList<Review> reviews;
    for (const QJsonObject &record : readList(QStringLiteral("reviews-%1.json").arg(appID))) {
        const QString id = record.value("id").toString();
        QJsonObject attributes = record;
        for (const char *name : {"id", "version", "response"})
            attributes.remove(name);
        reviews.append(
            {QJsonObject {{"type", "customerReviews"}, {"id", id}, {"attributes", attributes}},
                record.value("version").toString(),
                QDateTime::fromString(record.value("createdDate").toString(), Qt::ISODate)});
        const QJsonObject reply = record.value("response").toObject();
        if (!reply.isEmpty()) {
            QJsonObject replyAttributes = reply;
            replyAttributes.remove("id");
            replies_.insert(id,
                QJsonObject {{"type", "customerReviewResponses"}, {"id", reply.value("id")},
                    {"attributes", replyAttributes}});
        }
    }
    std::stable_sort(reviews.begin(), reviews.end(),
        [](const Review &a, const Review &b) { return a.created > b.created; });
    return *reviews_.insert(appID, reviews);
}

QList<QJsonObject> FakeAppStoreConnect::readList(const QString &name) const
{
    QFile file(folder_.filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QJsonObject> list;
    for (const QJsonValue &value : QJsonDocument::fromJson(file.readAll()).array())
        list.append(value.toObject());
    return list;
}
