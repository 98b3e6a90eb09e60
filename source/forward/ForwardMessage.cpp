#include "forward/ForwardMessage.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace ForwardMessage {

namespace {

// Review texts past this length are cut in chat messages; the full text is
// one click away in the application.
constexpr int textLimit = 1000;
constexpr int titleLimit = 200;
constexpr int metaLimit = 300;
// Discord counts these across every embed of one message.
constexpr int discordEmbedTotal = 6000;
// Teams turns away messages past about 28 KB; leave room for the envelope.
constexpr qsizetype teamsBodyBytes = 27000;

const QString separator = QStringLiteral(" · ");

std::optional<int> starCount(std::optional<double> rating)
{
    if (!rating || std::isnan(*rating))
        return std::nullopt;
    return int(std::lround(std::clamp(*rating, 0.0, 5.0)));
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString isoDate(const QDateTime &date)
{
    return date.isValid() ? date.toUTC().toString(Qt::ISODate) : QString();
}

// Only web pages are linked: the services refuse a message with any other URL.
bool isWebURL(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == u"https" || url.scheme() == u"http")
        && !url.host().isEmpty();
}

// "2 new and 1 edited reviews of Product"
QString summary(const ForwardBatch &batch)
{
    const auto edited = std::count_if(batch.reviews.cbegin(), batch.reviews.cend(),
        [](const ForwardedReview &review) { return review.edited; });
    const auto fresh = batch.reviews.size() - edited;
    QStringList parts;
    if (fresh > 0)
        parts << QString::number(fresh) + QStringLiteral(" new");
    if (edited > 0)
        parts << QString::number(edited) + QStringLiteral(" edited");
    QString text = parts.join(QStringLiteral(" and "))
        + (batch.reviews.size() == 1 ? QStringLiteral(" review") : QStringLiteral(" reviews"));
    if (!batch.product.title.isEmpty())
        text += QStringLiteral(" of ") + shortened(batch.product.title, titleLimit);
    return text;
}

// Reviewer, storefront, version, product and the edited mark, those there are.
QString metaLine(const ForwardedReview &review, const QString &product)
{
    QStringList parts;
    for (const QString &part : {review.reviewer, review.countryCode})
        if (!part.isEmpty())
            parts << part;
    if (!review.version.isEmpty())
        parts << QStringLiteral("Version ") + review.version;
    if (!product.isEmpty())
        parts << product;
    if (review.edited)
        parts << QStringLiteral("Edited");
    return shortened(parts.join(separator), metaLimit);
}

QString headline(const ForwardedReview &review, int limit)
{
    const QString mark = stars(review.rating);
    if (mark.isEmpty() && review.title.isEmpty())
        return QStringLiteral("(no title)");
    if (mark.isEmpty() || review.title.isEmpty())
        return shortened(mark + review.title, limit);
    return shortened(mark + u' ' + review.title, limit);
}

// The chat services refuse a message past their limits; callers split
// batches by batchLimit(), this only guards the service's bounds.
QList<ForwardedReview> firstReviews(const QList<ForwardedReview> &reviews, int limit)
{
    return reviews.size() > limit ? reviews.first(limit) : reviews;
}

// Slack reads &, < and > as markup in every text; the escapes count against
// its limits, so the cut is made on the escaped text.
QString slackEscaped(const QString &text, int limit)
{
    QString all = text;
    all.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
    if (all.size() <= limit)
        return all;
    QString out;
    for (qsizetype i = 0; i < text.size() && limit > 0; ++i) {
        QString piece = slackEscaped(text.at(i), 5);
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            piece += text.at(++i);
        if (out.size() + piece.size() > limit - 1)
            return out + QStringLiteral("…");
        out += piece;
    }
    return out;
}

QByteArray slackBody(const ForwardBatch &batch)
{
    // Two blocks a review: 20 reviews stay under Slack's 50 blocks a message.
    QJsonArray attachments;
    const QString product = shortened(batch.product.title, titleLimit);
    for (const ForwardedReview &review : firstReviews(batch.reviews, batchLimit(Kind::Slack))) {
        QString head = stars(review.rating);
        if (!review.title.isEmpty())
            head += (head.isEmpty() ? QString() : QStringLiteral(" "))
                + QStringLiteral("*%1*").arg(slackEscaped(review.title, titleLimit));
        // A section's text holds at most 3000 characters.
        QString section = head;
        if (!review.text.isEmpty())
            section += (head.isEmpty() ? QString() : QStringLiteral("\n"))
                + slackEscaped(shortened(review.text, textLimit), 3000 - head.size() - 1);
        if (section.isEmpty())
            section = QStringLiteral("(no text)");
        const QString meta = slackEscaped(metaLine(review, product), 3000);
        QJsonArray blocks {QJsonObject {
            {"type", "section"}, {"text", QJsonObject {{"type", "mrkdwn"}, {"text", section}}}}};
        if (!meta.isEmpty())
            blocks.append(QJsonObject {{"type", "context"},
                {"elements", QJsonArray {QJsonObject {{"type", "mrkdwn"}, {"text", meta}}}}});
        attachments.append(QJsonObject {
            {"color", QStringLiteral("#%1").arg(colourOf(review.rating), 6, 16, QChar(u'0'))},
            {"blocks", blocks}});
    }
    return compact(
        QJsonObject {{"text", slackEscaped(summary(batch), 3000)}, {"attachments", attachments}});
}

QByteArray discordBody(const ForwardBatch &batch)
{
    const QList<ForwardedReview> reviews = firstReviews(batch.reviews, batchLimit(Kind::Discord));
    QStringList titles, footers, texts;
    qsizetype fixed = 0;
    for (const ForwardedReview &review : reviews) {
        titles << headline(review, 256);
        footers << metaLine(review, shortened(batch.product.title, titleLimit));
        texts << shortened(review.text, textLimit);
        fixed += titles.last().size() + footers.last().size();
    }
    // What the titles and footers leave of the 6000 characters goes to the
    // descriptions, the short ones first so that their rest goes to the long.
    QList<qsizetype> order(reviews.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
        [&](qsizetype a, qsizetype b) { return texts.at(a).size() < texts.at(b).size(); });
    qsizetype left = std::max<qsizetype>(0, discordEmbedTotal - fixed);
    for (qsizetype i = 0; i < order.size(); ++i) {
        const qsizetype share = left / (order.size() - i);
        QString &text = texts[order.at(i)];
        text = shortened(text, int(share));
        left -= text.size();
    }

    QJsonArray embeds;
    for (qsizetype i = 0; i < reviews.size(); ++i) {
        const ForwardedReview &review = reviews.at(i);
        QJsonObject embed {{"color", colourOf(review.rating)}, {"title", titles.at(i)}};
        if (!texts.at(i).isEmpty())
            embed.insert("description", texts.at(i));
        if (!footers.at(i).isEmpty())
            embed.insert("footer", QJsonObject {{"text", footers.at(i)}});
        if (review.dateReviewed.isValid())
            embed.insert("timestamp", isoDate(review.dateReviewed));
        if (isWebURL(batch.product.storeURL))
            embed.insert("url", batch.product.storeURL);
        embeds.append(embed);
    }
    // No review text may ping @everyone, a role or a user.
    return compact(QJsonObject {{"content", shortened(summary(batch), 2000)}, {"embeds", embeds},
        {"allowed_mentions", QJsonObject {{"parse", QJsonArray()}}}});
}

QString teamsColour(std::optional<double> rating)
{
    const auto count = starCount(rating);
    if (!count)
        return QStringLiteral("Default");
    if (*count <= 2)
        return QStringLiteral("Attention");
    return *count == 3 ? QStringLiteral("Warning") : QStringLiteral("Good");
}

QByteArray teamsBody(const ForwardBatch &batch, int limit)
{
    QJsonArray body {QJsonObject {{"type", "TextBlock"}, {"size", "Large"}, {"weight", "Bolder"},
        {"wrap", true}, {"text", shortened(batch.product.title, titleLimit)}}};
    for (const ForwardedReview &review : firstReviews(batch.reviews, batchLimit(Kind::Teams))) {
        QJsonArray items {QJsonObject {{"type", "TextBlock"}, {"weight", "Bolder"}, {"wrap", true},
            {"color", teamsColour(review.rating)}, {"text", headline(review, titleLimit)}}};
        if (!review.text.isEmpty())
            items.append(QJsonObject {
                {"type", "TextBlock"}, {"wrap", true}, {"text", shortened(review.text, limit)}});
        items.append(QJsonObject {{"type", "TextBlock"}, {"size", "Small"}, {"isSubtle", true},
            {"wrap", true}, {"text", metaLine(review, QString())}});
        body.append(QJsonObject {
            {"type", "Container"}, {"separator", true}, {"spacing", "Medium"}, {"items", items}});
    }
    QJsonObject card {{"$schema", "http://adaptivecards.io/schemas/adaptive-card.json"},
        {"type", "AdaptiveCard"}, {"version", "1.4"}, {"body", body}};
    if (isWebURL(batch.product.storeURL))
        card.insert("actions",
            QJsonArray {QJsonObject {{"type", "Action.OpenUrl"}, {"title", "Open in the Store"},
                {"url", batch.product.storeURL}}});
    return compact(QJsonObject {{"type", "message"},
        {"attachments",
            QJsonArray {QJsonObject {{"contentType", "application/vnd.microsoft.card.adaptive"},
                {"contentUrl", QJsonValue::Null}, {"content", card}}}}});
}

QByteArray webhookBody(const ForwardBatch &batch)
{
    const ForwardedProduct &product = batch.product;
    QJsonArray reviews;
    for (const ForwardedReview &review : batch.reviews) {
        const auto rating = review.rating && !std::isnan(*review.rating)
            ? QJsonValue(*review.rating)
            : QJsonValue(QJsonValue::Null);
        const QString date = isoDate(review.dateReviewed);
        reviews.append(QJsonObject {{"identifier", review.identifier},
            {"countryCode", review.countryCode}, {"rating", rating}, {"title", review.title},
            {"text", review.text}, {"reviewer", review.reviewer}, {"version", review.version},
            {"dateReviewed", date.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(date)},
            {"edited", review.edited}});
    }
    return compact(
        QJsonObject {{"product",
                         QJsonObject {{"identifier", product.identifier}, {"title", product.title},
                             {"kind", product.kind}, {"storeURL", product.storeURL}}},
            {"reviews", reviews}});
}

} // namespace

std::optional<Kind> kindNamed(const QString &name)
{
    for (Kind kind : {Kind::Slack, Kind::Discord, Kind::Teams, Kind::Webhook})
        if (name.compare(nameOf(kind), Qt::CaseInsensitive) == 0)
            return kind;
    return std::nullopt;
}

QString nameOf(Kind kind)
{
    switch (kind) {
    case Kind::Slack:
        return QStringLiteral("slack");
    case Kind::Discord:
        return QStringLiteral("discord");
    case Kind::Teams:
        return QStringLiteral("teams");
    case Kind::Webhook:
        break;
    }
    return QStringLiteral("webhook");
}

QString displayName(Kind kind)
{
    switch (kind) {
    case Kind::Slack:
        return QStringLiteral("Slack");
    case Kind::Discord:
        return QStringLiteral("Discord");
    case Kind::Teams:
        return QStringLiteral("Microsoft Teams");
    case Kind::Webhook:
        break;
    }
    return QStringLiteral("Webhook");
}

int batchLimit(Kind kind)
{
    switch (kind) {
    case Kind::Slack:
        return 20;
    case Kind::Discord:
    case Kind::Teams:
        return 10;
    case Kind::Webhook:
        break;
    }
    return 50;
}

QByteArray body(Kind kind, const ForwardBatch &batch)
{
    switch (kind) {
    case Kind::Slack:
        return slackBody(batch);
    case Kind::Discord:
        return discordBody(batch);
    case Kind::Teams:
        break;
    case Kind::Webhook:
        return webhookBody(batch);
    }
    // Texts in other scripts take up to three bytes a character: cut them
    // further until the card fits.
    int limit = textLimit;
    QByteArray json = teamsBody(batch, limit);
    while (json.size() > teamsBodyBytes && limit > 0) {
        limit = limit * 3 / 4;
        json = teamsBody(batch, limit);
    }
    return json;
}

QList<Header> headers(
    Kind kind, const ForwardBatch &batch, const QByteArray &body, const QString &secret)
{
    QList<Header> list {{"Content-Type", "application/json"}};
    if (kind != Kind::Webhook)
        return list;
    list.append({"X-ReviewKeeper-Delivery", batch.deliveryId.toUtf8()});
    if (!secret.isEmpty())
        list.append({"X-ReviewKeeper-Signature", signature(body, secret)});
    return list;
}

QByteArray signature(const QByteArray &body, const QString &secret)
{
    return "sha256="
        + QMessageAuthenticationCode::hash(body, secret.toUtf8(), QCryptographicHash::Sha256)
              .toHex();
}

int colourOf(std::optional<double> rating)
{
    const auto count = starCount(rating);
    if (!count)
        return 0x9AA0A6;
    if (*count <= 2)
        return 0xD93F3F;
    return *count == 3 ? 0xF2A900 : 0x2EB67D;
}

QString stars(std::optional<double> rating)
{
    const auto count = starCount(rating);
    if (!count)
        return QString();
    return QString(*count, u'★') + QString(5 - *count, u'☆');
}

QString shortened(const QString &text, int limit)
{
    if (text.size() <= limit)
        return text;
    if (limit <= 0)
        return QString();
    qsizetype cut = limit - 1;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    while (cut > 0 && text.at(cut - 1).isSpace())
        --cut;
    return text.left(cut) + QStringLiteral("…");
}

} // namespace ForwardMessage
