#include "net/ISO8601DateFormatter.h"
#include "net/ReviewFeedDecoder.h"
#include "platform/Log.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QtTest>

// Feed pages in both formats: the real pages captured from the store, and
// pages of our own for the rules that decide which entries become records.
class ReviewFeedDecoderTest : public QObject {
    Q_OBJECT

private:
    QStringList logged_;

    static QByteArray fixture(const QString &name)
    {
        QFile file(qEnvironmentVariable("RK_FIXTURES") + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

    static bool haveFixtures()
    {
        const QString folder = qEnvironmentVariable("RK_FIXTURES");
        return !folder.isEmpty() && QDir(folder).exists();
    }

    static QByteArray xmlEntry(const QByteArray &id, const QByteArray &extra = {})
    {
        return "<entry><updated>2015-08-25T01:45:00-07:00</updated><id>" + id + "</id><title>Title "
            + id + "</title><content type=\"text\">Body " + id
            + "</content><content type=\"html\">&lt;b&gt;Body&lt;/b&gt;</content>"
              "<im:voteSum>3</im:voteSum><im:voteCount>4</im:voteCount><im:rating>4</im:rating>"
              "<im:version>2.0</im:version><author><name>Reviewer "
            + id + "</name></author>" + extra + "</entry>";
    }

    static QByteArray xmlPage(const QByteArray &entries)
    {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?><feed "
               "xmlns:im=\"http://itunes.apple.com/rss\" xmlns=\"http://www.w3.org/2005/Atom\">"
               "<id>feed</id><title>Reviews</title><author><name>Store</name></author>"
            + entries + "</feed>";
    }

private Q_SLOTS:
    void init()
    {
        logged_.clear();
        setLogSink([this](const QString &line) { logged_.append(line); });
    }

    void cleanup() { setLogSink({}); }

    void realPages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("first"); // id, title, rating, version, reviewer, votes
        QTest::addColumn<QStringList>("last");
        QTest::addColumn<QString>("firstUpdatedUtc"); // empty: the page has no dates

        QTest::newRow("jp xml") << "reviews-jp-xml-1.xml" << 50
                                << QStringList {"1248275433", "お気に入り登録", "1", "3.4",
                                       "佑介⭐️", "0/0"}
                                << QStringList {"1088919577", "意味ない。", "1", "3.1",
                                       "グリグリグリ", "2/2"}
                                << "2015-08-25T08:45:00Z";
        QTest::newRow("jp json") << "reviews-jp-json-1.json" << 50
                                 << QStringList {"1205430410", "あまり", "4", "3.3", "m.aaa...",
                                        "0/0"}
                                 << QStringList {"1085809035", "使えます。", "5", "3.1", "HayaAki",
                                        "1/1"}
                                 << "";
        QTest::newRow("cn json") << "reviews-cn-json-1.json" << 50
                                 << QStringList {"6455612413", "越来越烂", "1", "12.0",
                                        "lxzyzwoout", "0/0"}
                                 << QStringList {"6436982592", "点击开发文档闪退", "1", "12.0",
                                        "liolinlinlin", "2/2"}
                                 << "";
        QTest::newRow("gb json") << "reviews-gb-json-1.json" << 4
                                 << QStringList {"6504352127", "Amazing photos integration", "5",
                                        "1.1.0", "immeallme", "0/0"}
                                 << QStringList {"6091772301", "", "5", "1.0.0", "Kel@Kai boon",
                                        "0/0"}
                                 << "";
        QTest::newRow("us podcast json")
            << "reviews-us-podcast-json-1.json" << 50
            << QStringList {"8414391645", "Two Years", "5", "", "Human #6293839583", "0/0"}
            << QStringList {"6265841230", "5/5", "5", "", "Daniel!777", "0/0"}
            << "2022-03-03T02:05:59Z";
    }

    void realPages()
    {
        if (!haveFixtures())
            QSKIP("store fixtures not available");
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QStringList, first);
        QFETCH(QStringList, last);
        QFETCH(QString, firstUpdatedUtc);
        const QByteArray data = fixture(file);
        QVERIFY(!data.isEmpty());
        const auto records = file.endsWith(QLatin1String(".xml"))
            ? ReviewFeedDecoder::xmlDataToReviewsArray(data)
            : ReviewFeedDecoder::jsonDataToReviewsArray(data);
        QVERIFY(records);
        QCOMPARE(records->size(), count);
        const auto check = [](const QVariantMap &record, const QStringList &expected) {
            QCOMPARE(record.value("identifier").toString(), expected.at(0));
            if (!expected.at(1).isEmpty())
                QCOMPARE(record.value("title").toString(), expected.at(1));
            QCOMPARE(record.value("rating").toString(), expected.at(2));
            QCOMPARE(record.value("version").toString(), expected.at(3));
            QCOMPARE(record.value("reviewer").toString(), expected.at(4));
            QCOMPARE(
                record.value("voteSum").toString() + "/" + record.value("voteCount").toString(),
                expected.at(5));
        };
        check(records->first(), first);
        check(records->last(), last);

        ISO8601DateFormatter formatter;
        QSet<QString> identifiers;
        for (const QVariantMap &record : std::as_const(*records)) {
            identifiers.insert(record.value("identifier").toString());
            QVERIFY(!record.value("text").toString().isEmpty());
            QVERIFY(
                QStringList({"1", "2", "3", "4", "5"}).contains(record.value("rating").toString()));
            if (!firstUpdatedUtc.isEmpty()) {
                const QDateTime date = formatter.dateFromString(record.value("updated").toString());
                QVERIFY2(date.isValid(), qPrintable(record.value("updated").toString()));
            } else {
                QVERIFY(!record.contains("updated"));
            }
        }
        QCOMPARE(identifiers.size(), count);
        if (!firstUpdatedUtc.isEmpty()) {
            const QDateTime date =
                formatter.dateFromString(records->first().value("updated").toString());
            QCOMPARE(date.toUTC().toString(Qt::ISODate), firstUpdatedUtc);
        }
        QVERIFY(logged_.isEmpty());
    }

    void realPagesWithoutReviews()
    {
        if (!haveFixtures())
            QSKIP("store fixtures not available");
        for (const char *name : {"reviews-en-json-empty-1.json",
                 "reviews-gb-json-past-last-page.json", "reviews-gb-json-unknown-app.json"}) {
            QVERIFY2(!ReviewFeedDecoder::jsonDataToReviewsArray(fixture(QString::fromLatin1(name))),
                name);
        }
        QVERIFY(logged_.isEmpty());
        // The page past the tenth is plain text, not JSON.
        QVERIFY(
            !ReviewFeedDecoder::jsonDataToReviewsArray(fixture("reviews-us-page-11-error.txt")));
        QCOMPARE(logged_.size(), 1);
        QVERIFY(logged_.first().startsWith(QLatin1String("Error parsing json: ")));
        QVERIFY(!ReviewFeedDecoder::xmlDataToReviewsArray(fixture("reviews-us-page-11-error.txt")));
    }

    void xmlEntryRules()
    {
        const QByteArray single = xmlPage(xmlEntry("1"));
        const auto one = ReviewFeedDecoder::xmlDataToReviewsArray(single);
        QVERIFY(one);
        QCOMPARE(one->size(), 1);
        QCOMPARE(one->first(),
            (QVariantMap {{"title", "Title 1"}, {"text", "Body 1"}, {"reviewer", "Reviewer 1"},
                {"version", "2.0"}, {"rating", "4"}, {"voteSum", "3"}, {"voteCount", "4"},
                {"identifier", "1"}, {"updated", "2015-08-25T01:45:00-07:00"}}));

        // One content element only, no author, no rating, no id: skipped.
        QByteArray singleContent = xmlEntry("2");
        singleContent.replace("<content type=\"html\">&lt;b&gt;Body&lt;/b&gt;</content>", "");
        QByteArray noAuthor = xmlEntry("3");
        noAuthor.replace("<author><name>Reviewer 3</name></author>", "");
        QByteArray noRating = xmlEntry("4");
        noRating.replace("<im:rating>4</im:rating>", "");
        QByteArray noId = xmlEntry("5");
        noId.replace("<id>5</id>", "");
        const auto skipped = ReviewFeedDecoder::xmlDataToReviewsArray(
            xmlPage(xmlEntry("6") + singleContent + noAuthor + noRating + noId + xmlEntry("7")));
        QVERIFY(skipped);
        QCOMPARE(skipped->size(), 2);
        QCOMPARE(skipped->at(0).value("identifier").toString(), QStringLiteral("6"));
        QCOMPARE(skipped->at(1).value("identifier").toString(), QStringLiteral("7"));

        const auto onlyNoAuthor = ReviewFeedDecoder::xmlDataToReviewsArray(xmlPage(noAuthor));
        QVERIFY(onlyNoAuthor);
        QVERIFY(onlyNoAuthor->isEmpty());
        QVERIFY(logged_.isEmpty());
    }

    void xmlDefaults()
    {
        QByteArray bare = xmlEntry("1");
        for (const char *part :
            {"<updated>2015-08-25T01:45:00-07:00</updated>", "<im:voteSum>3</im:voteSum>",
                "<im:voteCount>4</im:voteCount>", "<im:version>2.0</im:version>"})
            bare.replace(part, "");
        const auto records = ReviewFeedDecoder::xmlDataToReviewsArray(xmlPage(bare));
        QVERIFY(records);
        QCOMPARE(records->size(), 1);
        const QVariantMap record = records->first();
        QCOMPARE(record.value("updated"), QVariant(QString(QLatin1String(""))));
        QCOMPARE(record.value("version").toString(), QStringLiteral("n/a"));
        QCOMPARE(record.value("voteSum").toString(), QStringLiteral("0"));
        QCOMPARE(record.value("voteCount").toString(), QStringLiteral("0"));
    }

    void xmlPagesWithoutEntries()
    {
        QVERIFY(!ReviewFeedDecoder::xmlDataToReviewsArray(xmlPage("")));
        QVERIFY(!ReviewFeedDecoder::xmlDataToReviewsArray(QByteArray()));
        QVERIFY(logged_.isEmpty());
        QVERIFY(!ReviewFeedDecoder::xmlDataToReviewsArray(xmlPage("<entry>just text</entry>")));
        QCOMPARE(logged_, QStringList {"Unsupported entry: QString"});
    }

    void cutOffXmlDropsTheOpenEntry()
    {
        const QByteArray page = xmlPage(xmlEntry("1") + xmlEntry("2") + xmlEntry("3"));
        // Cut inside the third entry, after its rating but before its author:
        // the first two stay, the third is not turned into a record.
        const qsizetype third = page.indexOf("<entry><updated>", page.indexOf("<id>3</id>") - 60);
        const QByteArray insideThird = page.left(page.indexOf("<author><name>Reviewer 3"));
        QVERIFY(third > 0);
        const auto cut = ReviewFeedDecoder::xmlDataToReviewsArray(insideThird);
        QVERIFY(cut);
        QCOMPARE(cut->size(), 2);
        QCOMPARE(cut->last().value("identifier").toString(), QStringLiteral("2"));

        // Cut right after a complete entry: nothing open, all complete entries stay.
        const QByteArray afterSecond = page.left(page.indexOf("<entry>", third));
        const auto whole = ReviewFeedDecoder::xmlDataToReviewsArray(afterSecond + "<entry><id>");
        QVERIFY(whole);
        QCOMPARE(whole->size(), 2);
        const auto clean = ReviewFeedDecoder::xmlDataToReviewsArray(afterSecond);
        QVERIFY(clean);
        QCOMPARE(clean->size(), 2);

        // Every cut of a page gives complete records only.
        for (qsizetype length = 0; length < page.size(); length += 7) {
            const auto records = ReviewFeedDecoder::xmlDataToReviewsArray(page.left(length));
            if (!records)
                continue;
            for (const QVariantMap &record : *records) {
                QVERIFY(record.value("updated").toString().endsWith(QLatin1String("-07:00")));
                QVERIFY(record.value("reviewer").toString().startsWith(QLatin1String("Reviewer ")));
                QCOMPARE(record.value("voteCount").toString(), QStringLiteral("4"));
                QCOMPARE(record.value("version").toString(), QStringLiteral("2.0"));
            }
        }
        // Only entry cut off: an empty page.
        const auto onlyEntry = ReviewFeedDecoder::xmlDataToReviewsArray(
            xmlPage(xmlEntry("1")).left(xmlPage(xmlEntry("1")).indexOf("<author>")));
        QVERIFY(!onlyEntry || onlyEntry->isEmpty());
    }

    void jsonEntryRules()
    {
        const QByteArray page = R"({"feed":{"entry":[
            {"im:name":{"label":"The App"},"id":{"label":"app"},"title":{"label":"The App"}},
            {"author":{"name":{"label":"Ann"}},"title":{"label":"Nice"},"content":{"label":"Body"},
             "im:rating":{"label":"5"},"id":{"label":"r1"},"im:version":{"label":"1.0"},
             "im:voteSum":{"label":"1"},"im:voteCount":{"label":"2"},
             "updated":{"label":"2021-01-30T09:25:47-07:00"}},
            {"author":{"name":{"label":"Bob"}},"title":{"label":"Plain"},"content":{"label":"Text"},
             "im:rating":{"label":"3"},"id":{"label":"r2"},
             "im:version":null,"im:voteSum":{"label":null},"updated":null},
            {"author":{"name":{"label":"Cy"}},"title":{"label":"Null"},"content":{"label":null},
             "im:rating":{"label":"3"},"id":{"label":"r3"}},
            {"author":null,"title":{"label":"Null"},"content":{"label":"x"},
             "im:rating":{"label":"3"},"id":{"label":"r4"}},
            "not an object",
            {"author":{"name":{"label":"Di"}},"title":{"label":"Numbers"},"content":{"label":"y"},
             "im:rating":{"label":4},"id":{"label":6108405527}}
        ]}})";
        const auto records = ReviewFeedDecoder::jsonDataToReviewsArray(page);
        QVERIFY(records);
        QCOMPARE(records->size(), 3);
        QCOMPARE(records->at(0),
            (QVariantMap {{"title", "Nice"}, {"text", "Body"}, {"reviewer", "Ann"},
                {"version", "1.0"}, {"rating", "5"}, {"voteSum", "1"}, {"voteCount", "2"},
                {"identifier", "r1"}, {"updated", "2021-01-30T09:25:47-07:00"}}));
        QCOMPARE(records->at(1),
            (QVariantMap {{"title", "Plain"}, {"text", "Text"}, {"reviewer", "Bob"},
                {"version", "n/a"}, {"rating", "3"}, {"voteSum", "0"}, {"voteCount", "0"},
                {"identifier", "r2"}}));
        QCOMPARE(records->at(2).value("identifier").toString(), QStringLiteral("6108405527"));
        QCOMPARE(records->at(2).value("rating").toString(), QStringLiteral("4"));
        QVERIFY(logged_.isEmpty());
    }

    void jsonShapes()
    {
        const auto single = ReviewFeedDecoder::jsonDataToReviewsArray(
            R"({"feed":{"entry":{"author":{"name":{"label":"A"}},"title":{"label":"T"},
                "content":{"label":"C"},"im:rating":{"label":"2"},"id":{"label":"1"}}}})");
        QVERIFY(single);
        QCOMPARE(single->size(), 1);

        QVERIFY(!ReviewFeedDecoder::jsonDataToReviewsArray(R"({"feed":{"author":{}}})"));
        QVERIFY(!ReviewFeedDecoder::jsonDataToReviewsArray(R"({"feed":{"entry":null}})"));
        QVERIFY(!ReviewFeedDecoder::jsonDataToReviewsArray(R"([1,2,3])"));
        QVERIFY(logged_.isEmpty());

        QVERIFY(!ReviewFeedDecoder::jsonDataToReviewsArray(R"({"feed":{"entry":"text"}})"));
        QCOMPARE(logged_, QStringList {"Unsupported entry: QString"});

        logged_.clear();
        QVERIFY(!ReviewFeedDecoder::jsonDataToReviewsArray(
            "<html><head><title>502 Bad Gateway</title></head><body>nginx</body></html>"));
        QCOMPARE(logged_.size(), 1);
        QVERIFY(logged_.first().startsWith(QLatin1String("Error parsing json: ")));

        logged_.clear();
        QVERIFY(!ReviewFeedDecoder::jsonDataToReviewsArray("{\"feed\":{\"entry\":[\xff\xfe]}}"));
        QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
        QVERIFY(!ReviewFeedDecoder::jsonDataToReviewsArray(deep));
    }
};

RK_TEST_MAIN(ReviewFeedDecoderTest)
#include "tst_reviewfeeddecoder.moc"
