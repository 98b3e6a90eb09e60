#include "support/StoreAnswers.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace StoreAnswers {

QList<Review> numberedReviews(int first, int count)
{
    QList<Review> reviews;
    for (int n = first; n < first + count; ++n) {
        Review review;
        review.identifier = QStringLiteral("r%1").arg(n);
        review.title = QStringLiteral("Title %1").arg(n);
        review.text = QStringLiteral("Text of review %1 & more <b>").arg(n);
        reviews.append(review);
    }
    return reviews;
}

QByteArray xmlFeedPage(const QList<Review> &reviews)
{
    auto escaped = [](const QString &text) { return text.toHtmlEscaped().toUtf8(); };
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<feed xmlns:im=\"http://itunes.apple.com/rss\" "
                     "xmlns=\"http://www.w3.org/2005/Atom\" xml:lang=\"en\">\n"
                     "<id>https://itunes.apple.com/us/rss/customerreviews/xml</id>"
                     "<title>iTunes Store: Customer Reviews</title>\n"
                     "<updated>2026-01-02T10:00:00-07:00</updated>\n";
    for (const Review &review : reviews) {
        xml += "<entry>\n<updated>" + escaped(review.updated) + "</updated>\n";
        xml += "<id>" + escaped(review.identifier) + "</id>\n";
        xml += "<title>" + escaped(review.title) + "</title>\n";
        xml += "<content type=\"text\">" + escaped(review.text) + "</content>\n";
        xml += "<im:contentType term=\"Application\" label=\"Application\"/>\n";
        xml += "<im:voteSum>" + escaped(review.voteSum) + "</im:voteSum>\n<im:voteCount>"
            + escaped(review.voteCount) + "</im:voteCount>\n";
        xml += "<im:rating>" + escaped(review.rating) + "</im:rating>\n";
        xml += "<im:version>" + escaped(review.version) + "</im:version>\n";
        xml += "<author><name>" + escaped(review.reviewer)
            + "</name><uri>https://itunes.apple.com/us/reviews/id1</uri></author>\n";
        xml += "<content type=\"html\">" + escaped(review.text.toHtmlEscaped()) + "</content>\n";
        xml += "</entry>\n";
    }
    xml += "</feed>\n";
    return xml;
}

QByteArray jsonFeedPage(const QList<Review> &reviews)
{
    auto label = [](const QString &text) { return QJsonObject {{"label", text}}; };
    QJsonArray entries;
    for (const Review &review : reviews) {
        QJsonObject entry {
            {"author",
                QJsonObject {{"name", label(review.reviewer)},
                    {"uri", label("https://itunes.apple.com/us/reviews/id1")}}},
            {"updated", label(review.updated)},
            {"im:version", label(review.version)},
            {"im:rating", label(review.rating)},
            {"id", label(review.identifier)},
            {"title", label(review.title)},
            {"content",
                QJsonObject {
                    {"label", review.text}, {"attributes", QJsonObject {{"type", "text"}}}}},
            {"im:voteSum", label(review.voteSum)},
            {"im:voteCount", label(review.voteCount)},
        };
        entries.append(entry);
    }
    QJsonObject feed {{"id", label("https://itunes.apple.com/us/rss/customerreviews/json")}};
    if (!entries.isEmpty())
        feed.insert("entry", entries);
    return QJsonDocument(QJsonObject {{"feed", feed}}).toJson(QJsonDocument::Compact);
}

QByteArray lookupAnswer(const QList<qint64> &trackIds, const QString &kind)
{
    QJsonArray results;
    for (qint64 id : trackIds) {
        results.append(
            QJsonObject {{"trackId", id}, {"trackName", QStringLiteral("Product %1").arg(id)},
                {"kind", kind}, {"averageUserRating", 4.5}, {"userRatingCount", 120}});
    }
    return QJsonDocument(QJsonObject {{"resultCount", int(trackIds.size())}, {"results", results}})
        .toJson(QJsonDocument::Compact);
}

QByteArray pngImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace StoreAnswers
