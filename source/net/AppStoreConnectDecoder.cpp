#include "net/AppStoreConnectDecoder.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::optional<QJsonObject> documentOf(const QByteArray &data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QDateTime dateOf(const QJsonValue &value)
{
    QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return date.isValid() ? date.toUTC() : QDateTime();
}

std::optional<AppStoreConnectReply> replyOf(const QJsonObject &resource)
{
    const QJsonObject attributes = resource.value("attributes").toObject();
    AppStoreConnectReply reply {resource.value("id").toString(),
        attributes.value("responseBody").toString(), dateOf(attributes.value("lastModifiedDate")),
        attributes.value("state").toString()};
    if (reply.identifier.isEmpty() || reply.body.isEmpty())
        return std::nullopt;
    return reply;
}

// The list of a page and its next link; nullopt when `data` is no list document.
template<typename T, typename Read>
std::optional<AppStoreConnectPage<T>> pageOf(const QByteArray &data, Read read)
{
    const auto document = documentOf(data);
    if (!document || !document->value("data").isArray())
        return std::nullopt;
    AppStoreConnectPage<T> page;
    for (const QJsonValue &value : document->value("data").toArray()) {
        const QJsonObject resource = value.toObject();
        if (resource.value("id").toString().isEmpty())
            continue;
        if (auto item = read(resource, *document))
            page.items.append(std::move(*item));
    }
    const QUrl next(document->value("links").toObject().value("next").toString());
    if (next.isValid() && (next.scheme() == "https" || next.scheme() == "http"))
        page.next = next;
    return page;
}

} // namespace

namespace AppStoreConnectDecoder {

std::optional<AppStoreConnectPage<AppStoreConnectReview>> reviewPage(const QByteArray &data)
{
    QHash<QString, AppStoreConnectReply> replies;
    if (const auto document = documentOf(data)) {
        for (const QJsonValue &value : document->value("included").toArray()) {
            const QJsonObject resource = value.toObject();
            if (resource.value("type").toString() != "customerReviewResponses")
                continue;
            if (auto reply = replyOf(resource))
                replies.insert(reply->identifier, *reply);
        }
    }
    return pageOf<AppStoreConnectReview>(data,
        [&replies](const QJsonObject &resource,
            const QJsonObject &) -> std::optional<AppStoreConnectReview> {
            const QJsonObject attributes = resource.value("attributes").toObject();
            const int rating = attributes.value("rating").toInt();
            if (rating < 1 || rating > 5)
                return std::nullopt;
            AppStoreConnectReview review {resource.value("id").toString(), rating,
                attributes.value("title").toString(), attributes.value("body").toString(),
                attributes.value("reviewerNickname").toString(),
                dateOf(attributes.value("createdDate")),
                attributes.value("territory").toString().toUpper(), std::nullopt};
            const QString replyID = resource.value("relationships")
                                        .toObject()
                                        .value("response")
                                        .toObject()
                                        .value("data")
                                        .toObject()
                                        .value("id")
                                        .toString();
            if (!replyID.isEmpty() && replies.contains(replyID))
                review.reply = replies.value(replyID);
            return review;
        });
}

std::optional<AppStoreConnectPage<AppStoreConnectApp>> appPage(const QByteArray &data)
{
    return pageOf<AppStoreConnectApp>(data, [](const QJsonObject &resource, const QJsonObject &) {
        const QJsonObject attributes = resource.value("attributes").toObject();
        return std::optional(AppStoreConnectApp {resource.value("id").toString(),
            attributes.value("name").toString(), attributes.value("bundleId").toString()});
    });
}

std::optional<AppStoreConnectPage<AppStoreConnectVersion>> versionPage(const QByteArray &data)
{
    return pageOf<AppStoreConnectVersion>(
        data, [](const QJsonObject &resource, const QJsonObject &) {
            const QJsonObject attributes = resource.value("attributes").toObject();
            return std::optional(AppStoreConnectVersion {resource.value("id").toString(),
                attributes.value("versionString").toString(),
                dateOf(attributes.value("createdDate"))});
        });
}

std::optional<AppStoreConnectReply> reply(const QByteArray &data)
{
    const auto document = documentOf(data);
    if (!document)
        return std::nullopt;
    return replyOf(document->value("data").toObject());
}

QString errorMessage(const QByteArray &data)
{
    const auto document = documentOf(data);
    if (!document)
        return {};
    const QJsonObject error = document->value("errors").toArray().first().toObject();
    const QString title = error.value("title").toString().trimmed();
    const QString detail = error.value("detail").toString().trimmed();
    if (title.isEmpty() || detail.isEmpty() || title == detail)
        return title.isEmpty() ? detail : title;
    return title + QStringLiteral(": ") + detail;
}

AppStoreConnectRateLimit rateLimit(const QByteArray &header)
{
    AppStoreConnectRateLimit limit;
    for (const QByteArray &part : header.split(';')) {
        const qsizetype colon = part.indexOf(':');
        if (colon < 0)
            continue;
        bool ok = false;
        const int value = part.mid(colon + 1).trimmed().toInt(&ok);
        if (!ok || value < 0)
            continue;
        const QByteArray name = part.left(colon).trimmed();
        if (name == "user-hour-lim")
            limit.hourlyLimit = value;
        else if (name == "user-hour-rem")
            limit.remaining = value;
    }
    return limit;
}

} // namespace AppStoreConnectDecoder
