#include "forward/ForwardMessage.h"
#include "model/ForwardRules.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QRegularExpression>
#include <QTimeZone>
#include <QtTest>

using namespace ForwardMessage;
Q_DECLARE_METATYPE(ForwardMessage::Kind)

namespace {

const QString mention = QStringLiteral("<@everyone> & <script>");
const QString longText(3000, u'ж');

ForwardedReview review(std::optional<double> rating, const QString &text, bool edited = false)
{
    return {"id", "DE", rating, "Title", text, "Reviewer", "2.1",
        QDateTime(QDate(2024, 3, 1), QTime(12, 0), QTimeZone(7200)), edited};
}

// A 1-star review with markup, an edited 3-star one, a long 5-star one and
// one without rating; the ratings round to their stars.
ForwardBatch batch()
{
    return {{"123", "Acme", "app", "https://apps.apple.com/app/id123"},
        {review(1.4, mention), review(2.5, "ok", true), review(4.6, longText),
            review(std::nullopt, "fine")},
        "delivery-1"};
}

// Empty when the body is no JSON object, so that every check after fails.
QJsonObject parsed(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

// Each review's part of a message.
QJsonArray reviewParts(Kind kind, const QJsonObject &json)
{
    if (kind == Kind::Teams) // after the product's heading
        return QJsonArray::fromVariantList(
            json["attachments"][0]["content"]["body"].toArray().toVariantList().mid(1));
    return json[kind == Kind::Slack ? "attachments"
            : kind == Kind::Discord ? "embeds"
                                    : "reviews"]
        .toArray();
}

QString text(const QJsonValue &part)
{
    return QString::fromUtf8(QJsonDocument(part.toObject()).toJson(QJsonDocument::Compact));
}
} // namespace

class ForwardMessageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bodies_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QVariantList>("colours");
        QTest::addColumn<int>("longKept"); // characters of the long text left
        QTest::addColumn<QString>("markup");
        QTest::newRow("slack") << Kind::Slack
                               << QVariantList {"#d93f3f", "#f2a900", "#2eb67d", "#9aa0a6"} << 999
                               << "&lt;@everyone&gt; &amp; &lt;script&gt;";
        QTest::newRow("discord") << Kind::Discord
                                 << QVariantList {0xD93F3F, 0xF2A900, 0x2EB67D, 0x9AA0A6} << 999
                                 << mention;
        QTest::newRow("teams") << Kind::Teams
                               << QVariantList {"Attention", "Warning", "Good", "Default"} << 999
                               << mention;
        QTest::newRow("webhook") << Kind::Webhook << QVariantList() << 3000 << mention;
    }

    void bodies()
    {
        QFETCH(Kind, kind);
        QFETCH(QVariantList, colours);
        QFETCH(int, longKept);
        QFETCH(QString, markup);
        const QString editedMark = kind == Kind::Webhook ? "\"edited\":true" : "Edited";
        const QJsonArray parts = reviewParts(kind, parsed(body(kind, batch())));
        QCOMPARE(parts.size(), 4);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QJsonValue colour =
                kind == Kind::Teams ? parts[i]["items"][0]["color"] : parts[i]["color"];
            QVERIFY(colours.isEmpty() || colour == QJsonValue::fromVariant(colours.at(i)));
            QCOMPARE(text(parts[i]).contains(editedMark), i == 1);
        }
        QVERIFY(text(parts[0]).contains(markup));
        QCOMPARE(text(parts[1]).contains("★★★☆☆"), kind != Kind::Webhook);
        QCOMPARE(text(parts[2]).count(u'ж'), longKept);
    }

    // Full batches of long texts stay within what each service accepts.
    void limits()
    {
        ForwardBatch full {
            {"1", QString(400, u'P'), "app", "https://apps.apple.com/app/id1"}, {}, "d"};
        for (int i = 0; i < 25; ++i)
            full.reviews.append({"id", "DE", i % 5 + 1, QString(300, u'T'),
                QString(3000, i % 2 ? u'&' : u'界'), QString(300, u'R'), "2.1", {}, false});

        const QJsonObject discord = parsed(body(Kind::Discord, full));
        QCOMPARE(discord["embeds"].toArray().size(), 10);
        QCOMPARE(discord["allowed_mentions"]["parse"], QJsonValue(QJsonArray()));
        qsizetype total = 0;
        for (const QJsonValue &embed : discord["embeds"].toArray()) {
            total += embed["title"].toString().size() + embed["description"].toString().size()
                + embed["footer"]["text"].toString().size();
        }
        QVERIFY2(total <= 6000 && total > 5000, qPrintable(QString::number(total)));

        const QJsonObject slack = parsed(body(Kind::Slack, full));
        QCOMPARE(slack["attachments"].toArray().size(), 20);
        for (const QJsonValue &attachment : slack["attachments"].toArray()) {
            QCOMPARE(attachment["blocks"].toArray().size(), 2); // 50 blocks a message at most
            const QString section = attachment["blocks"][0]["text"]["text"].toString();
            QVERIFY(section.size() <= 3000);
            // No escape is cut in half.
            QVERIFY(!section.contains(QRegularExpression("&(?!amp;|lt;|gt;)")));
        }

        const QByteArray teams = body(Kind::Teams, full);
        QVERIFY2(teams.size() <= 28000, qPrintable(QString::number(teams.size())));
        QCOMPARE(reviewParts(Kind::Teams, parsed(teams)).size(), 10);
        const auto attachment = parsed(teams)["attachments"][0];
        const auto card = attachment["content"];
        QCOMPARE((QStringList {attachment["contentType"].toString(), card["type"].toString(),
                     card["version"].toString(), card["actions"][0]["url"].toString()}),
            (QStringList {"application/vnd.microsoft.card.adaptive", "AdaptiveCard", "1.4",
                full.product.storeURL}));
    }

    void webhook()
    {
        ForwardBatch plain = batch();
        plain.reviews[1].dateReviewed = QDateTime();
        const QByteArray json = body(Kind::Webhook, plain);
        const QJsonObject object = parsed(json);
        QCOMPARE(object.keys(), (QStringList {"product", "reviews"}));
        QCOMPARE(object["product"].toObject().keys(),
            (QStringList {"identifier", "kind", "storeURL", "title"}));
        const QJsonArray reviews = object["reviews"].toArray();
        QCOMPARE(reviews[0].toObject().keys(),
            (QStringList {"countryCode", "dateReviewed", "edited", "identifier", "rating",
                "reviewer", "text", "title", "version"}));
        QCOMPARE(reviews[0]["dateReviewed"].toString(), QString("2024-03-01T10:00:00Z"));
        QVERIFY(reviews[1]["dateReviewed"].isNull() && reviews[3]["rating"].isNull());
        QCOMPARE(reviews[2]["rating"], QJsonValue(4.6));

        const auto signedHeaders = headers(Kind::Webhook, plain, json, QStringLiteral("clé"));
        const QByteArray mac =
            QMessageAuthenticationCode::hash(json, "cl\xc3\xa9", QCryptographicHash::Sha256);
        QCOMPARE(signedHeaders,
            (QList<Header> {{"Content-Type", "application/json"},
                {"X-ReviewKeeper-Delivery", "delivery-1"},
                {"X-ReviewKeeper-Signature", "sha256=" + mac.toHex()}}));
        QCOMPARE(headers(Kind::Webhook, plain, json, QString()).size(), 2);
    }

    void shortening()
    {
        const QList<std::tuple<QString, int, QString>> rows {{"abc", 3, "abc"},
            {"abcdef", 4, "abc…"}, {"ab😀cd", 4, "ab…"}, {"a😀bcd", 4, "a😀…"}, {"ab  cdef", 5, "ab…"},
            {"abc", 0, ""}};
        for (const auto &[text, limit, expected] : rows)
            QCOMPARE(shortened(text, limit), expected);
    }

    // Which reviews a destination's rules let through, and the rules kept
    // as a map read back the same (odd stored values read as defaults).
    void rules()
    {
        ForwardRules narrow;
        narrow.products = {"1"};
        narrow.minRating = 2;
        narrow.maxRating = 4;
        narrow.countries = {"DE"};
        narrow.keywords = {"crash"};
        narrow.edited = false;
        const struct {
            ForwardRules rules;
            QString product, country;
            std::optional<double> rating;
            QString text;
            bool edit, passes;
        } rows[] {{{}, "9", "us", std::nullopt, "", true, true},
            {narrow, "1", "de", 3.0, "It CRASHES", false, true},
            {narrow, "2", "de", 3.0, "crash", false, false},
            {narrow, "1", "fr", 3.0, "crash", false, false},
            {narrow, "1", "de", 5.0, "crash", false, false},
            {narrow, "1", "de", std::nullopt, "crash", false, false},
            {narrow, "1", "de", 3.0, "fine", false, false},
            {narrow, "1", "de", 3.0, "crash", true, false}};
        for (const auto &row : rows)
            QCOMPARE(
                row.rules.matches(row.product, row.country, row.rating, {}, row.text, row.edit),
                row.passes);
        QCOMPARE(ForwardRules::fromMap(narrow.toMap()), narrow);
        QCOMPARE(ForwardRules::fromMap({{"minRating", 9}, {"maxRating", "x"}}), ForwardRules());
    }
};

RK_TEST_MAIN(ForwardMessageTest)
#include "tst_forwardmessage.moc"
