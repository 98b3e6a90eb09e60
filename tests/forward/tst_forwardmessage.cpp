#include "forward/ForwardMessage.h"
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
    return {QStringLiteral("id%1").arg(rating.value_or(0)), QStringLiteral("DE"), rating,
        QStringLiteral("Title"), text, QStringLiteral("Reviewer"), QStringLiteral("2.1"),
        QDateTime(QDate(2024, 3, 1), QTime(12, 0), QTimeZone(7200)), edited};
}

// One 1-star review with markup, an edited 3-star one, a long 5-star one and
// one without rating.
ForwardBatch batch()
{
    return {{QStringLiteral("123"), QStringLiteral("Acme"), QStringLiteral("app"),
                QStringLiteral("https://apps.apple.com/app/id123")},
        {review(1, mention), review(3, QStringLiteral("ok"), true), review(5, longText),
            review(std::nullopt, QStringLiteral("fine"))},
        QStringLiteral("delivery-1")};
}

// The object of a body, empty when the body is no JSON object.
QJsonObject parsed(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    return error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
}

// Each review's part of a message, with its colour as the kind writes it.
QList<QPair<QString, QJsonObject>> reviewParts(Kind kind, const QJsonObject &json)
{
    QList<QPair<QString, QJsonObject>> parts;
    const auto card = json["attachments"][0]["content"];
    QJsonArray list = kind == Kind::Slack ? json["attachments"].toArray()
        : kind == Kind::Discord           ? json["embeds"].toArray()
        : kind == Kind::Teams             ? card["body"].toArray()
                                          : json["reviews"].toArray();
    if (kind == Kind::Teams && !list.isEmpty())
        list.removeFirst(); // the product's heading
    for (const QJsonValue &value : list) {
        const QJsonObject part = value.toObject();
        QString colour = part["color"].toString();
        if (kind == Kind::Discord)
            colour = QStringLiteral("#%1").arg(part["color"].toInt(), 6, 16, QChar(u'0'));
        else if (kind == Kind::Teams)
            colour = part["items"][0]["color"].toString();
        parts.append({colour, part});
    }
    return parts;
}

QString text(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

class ForwardMessageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bodies_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("colours");
        QTest::addColumn<int>("longKept"); // characters of the long text left
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("editedMark");
        const QStringList hex {"#d93f3f", "#f2a900", "#2eb67d", "#9aa0a6"};
        const QString escaped = QStringLiteral("&lt;@everyone&gt; &amp; &lt;script&gt;");
        QTest::newRow("slack") << Kind::Slack << hex << 999 << escaped << "Edited";
        QTest::newRow("discord") << Kind::Discord << hex << 999 << mention << "Edited";
        QTest::newRow("teams") << Kind::Teams
                               << QStringList {"Attention", "Warning", "Good", "Default"} << 999
                               << mention << "Edited";
        QTest::newRow("webhook") << Kind::Webhook << QStringList {"", "", "", ""} << 3000 << mention
                                 << "\"edited\":true";
    }

    void bodies()
    {
        QFETCH(Kind, kind);
        QFETCH(QStringList, colours);
        QFETCH(int, longKept);
        QFETCH(QString, markup);
        QFETCH(QString, editedMark);
        const auto parts = reviewParts(kind, parsed(body(kind, batch())));
        QCOMPARE(parts.size(), 4);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QCOMPARE(parts.at(i).first, colours.at(i));
            QCOMPARE(text(parts.at(i).second).contains(editedMark), i == 1);
        }
        QVERIFY(text(parts.at(0).second).contains(markup));
        QCOMPARE(text(parts.at(2).second).count(u'ж'), longKept);
    }

    // Full batches of long texts stay within what each service accepts.
    void limits()
    {
        ForwardBatch full = batch();
        full.product.title = QString(400, u'P');
        full.reviews.clear();
        for (int i = 0; i < 25; ++i) {
            ForwardedReview item = review(i % 5 + 1, QString(3000, i % 2 ? u'&' : u'界'));
            item.title = QString(300, u'T');
            item.reviewer = QString(300, u'R');
            full.reviews.append(item);
        }

        const QJsonObject discord = parsed(body(Kind::Discord, full));
        QCOMPARE(discord["embeds"].toArray().size(), 10);
        QVERIFY(discord["allowed_mentions"]["parse"].isArray());
        QVERIFY(discord["allowed_mentions"]["parse"].toArray().isEmpty());
        qsizetype total = 0;
        for (const QJsonValue &embed : discord["embeds"].toArray()) {
            QVERIFY(embed["title"].toString().size() <= 256);
            QVERIFY(embed["footer"]["text"].toString().size() <= 2048);
            total += embed["title"].toString().size() + embed["description"].toString().size()
                + embed["footer"]["text"].toString().size();
        }
        QVERIFY2(total <= 6000 && total > 5000, qPrintable(QString::number(total)));

        const QJsonObject slack = parsed(body(Kind::Slack, full));
        QCOMPARE(slack["attachments"].toArray().size(), 20);
        int blocks = 0;
        for (const QJsonValue &attachment : slack["attachments"].toArray()) {
            blocks += attachment["blocks"].toArray().size();
            const QString section = attachment["blocks"][0]["text"]["text"].toString();
            QVERIFY(section.size() <= 3000);
            // No escape is cut in half.
            QVERIFY(!section.contains(QRegularExpression("&(?!amp;|lt;|gt;)")));
        }
        QVERIFY(blocks <= 50);

        const QByteArray teams = body(Kind::Teams, full);
        QVERIFY2(teams.size() <= 28000, qPrintable(QString::number(teams.size())));
        QCOMPARE(reviewParts(Kind::Teams, parsed(teams)).size(), 10);
        const auto attachment = parsed(teams)["attachments"][0];
        QCOMPARE(attachment["contentType"].toString(),
            QString("application/vnd.microsoft.card.adaptive"));
        QCOMPARE(attachment["content"]["type"].toString(), QString("AdaptiveCard"));
        QCOMPARE(attachment["content"]["version"].toString(), QString("1.4"));
        QCOMPARE(attachment["content"]["actions"][0]["url"].toString(), full.product.storeURL);
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
        QVERIFY(reviews[1]["dateReviewed"].isNull());
        QVERIFY(reviews[3]["rating"].isNull());
        QCOMPARE(reviews[2]["rating"].toDouble(), 5.0);

        const auto signedHeaders = headers(Kind::Webhook, plain, json, QStringLiteral("clé"));
        const QByteArray mac =
            QMessageAuthenticationCode::hash(json, "cl\xc3\xa9", QCryptographicHash::Sha256);
        QCOMPARE(signedHeaders,
            (QList<Header> {{"Content-Type", "application/json"},
                {"X-ReviewKeeper-Delivery", "delivery-1"},
                {"X-ReviewKeeper-Signature", "sha256=" + mac.toHex()}}));
        QCOMPARE(headers(Kind::Webhook, plain, json, QString()).size(), 2);
        QCOMPARE(headers(Kind::Slack, plain, json, QStringLiteral("clé")),
            (QList<Header> {{"Content-Type", "application/json"}}));
    }

    void shortening_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("within") << "abc" << 3 << "abc";
        QTest::newRow("cut") << "abcdef" << 4 << "abc…";
        QTest::newRow("pair at the cut") << "ab😀cd" << 4 << "ab…";
        QTest::newRow("pair before the cut") << "a😀bcd" << 4 << "a😀…";
        QTest::newRow("space at the cut") << "ab  cdef" << 5 << "ab…";
        QTest::newRow("nothing") << "abc" << 0 << "";
    }

    void shortening()
    {
        QFETCH(QString, text);
        QFETCH(int, limit);
        QFETCH(QString, expected);
        QCOMPARE(shortened(text, limit), expected);
    }

    // Ratings round to the nearest star, for the colour as for the stars.
    void ratings()
    {
        const QList<std::tuple<std::optional<double>, int, QString>> rows {{2.4, 0xD93F3F, "★★☆☆☆"},
            {2.5, 0xF2A900, "★★★☆☆"}, {3.6, 0x2EB67D, "★★★★☆"}, {std::nullopt, 0x9AA0A6, ""}};
        for (const auto &[rating, colour, mark] : rows) {
            QCOMPARE(colourOf(rating), colour);
            QCOMPARE(stars(rating), mark);
        }
        QVERIFY(kindNamed("TEAMS") == Kind::Teams);
        QVERIFY(!kindNamed("mail"));
    }
};

RK_TEST_MAIN(ForwardMessageTest)
#include "tst_forwardmessage.moc"
