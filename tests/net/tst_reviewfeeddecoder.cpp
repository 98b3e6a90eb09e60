#include "net/ReviewFeedDecoder.h"
#include "platform/Log.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QtTest>

using Decoder = ReviewFeedDecoder;

// Feed pages in both formats: the real pages captured from the store, and
// pages of our own for the rules that decide which entries become records.
class ReviewFeedDecoderTest : public QObject {
    Q_OBJECT

private:
    QStringList logged_;

    static QByteArray fixture(const QString &name)
    {
        QFile file(qEnvironmentVariable("RK_FIXTURES") + '/' + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static bool haveFixtures()
    {
        const QString folder = qEnvironmentVariable("RK_FIXTURES");
        return !folder.isEmpty() && QDir(folder).exists();
    }

    static QByteArray xmlEntry(const QByteArray &id)
    {
        return "<entry><updated>2015-08-25T01:45:00-07:00</updated><id>" + id + "</id><title>Title "
            + id + "</title><content type=\"text\">Body " + id
            + "</content><content type=\"html\">&lt;b&gt;Body&lt;/b&gt;</content>"
              "<im:voteSum>3</im:voteSum><im:voteCount>4</im:voteCount><im:rating>4</im:rating>"
              "<im:version>2.0</im:version><author><name>Reviewer "
            + id + "</name></author></entry>";
    }

    static QByteArray without(QByteArray entry, const QList<QByteArray> &parts)
    {
        for (const QByteArray &part : parts)
            entry.replace(part, "");
        return entry;
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

    // first and last: "id|title|rating|version|reviewer|votes"; updated: the
    // first date as the store wrote it, empty where the page has no dates.
    void realPages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("updated");
        const auto row = [](const char *file, int count, const char *first, const char *last,
                             const char *updated) {
            QTest::newRow(file) << QString(file) << count << QString(first) << QString(last)
                                << QString(updated);
        };
        row("reviews-jp-xml-1.xml", 50, "1248275433|お気に入り登録|1|3.4|佑介⭐️|0/0",
            "1088919577|意味ない。|1|3.1|グリグリグリ|2/2", "2015-08-25T01:45:00-07:00");
        row("reviews-gb-json-1.json", 4,
            "6504352127|Amazing photos integration|5|1.1.0|immeallme|0/0",
            "6091772301|Informative, ads-free and very neat|5|1.0.0|Kel@Kai boon|0/0", "");
        row("reviews-us-podcast-json-1.json", 50, "8414391645|Two Years|5||Human #6293839583|0/0",
            "6265841230|5/5|5||Daniel!777|0/0", "2022-03-02T19:05:59-07:00");
    }

    void realPages()
    {
        if (!haveFixtures())
            QSKIP("store fixtures not available");
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, updated);
        const QByteArray data = fixture(file);
        QVERIFY(!data.isEmpty());
        const auto records = file.endsWith(".xml") ? Decoder::xmlDataToReviewsArray(data)
                                                   : Decoder::jsonDataToReviewsArray(data);
        QVERIFY(records);
        QCOMPARE(records->size(), count);
        const auto fields = [](const QVariantMap &r) {
            return QStringList {r.value("identifier").toString(), r.value("title").toString(),
                r.value("rating").toString(), r.value("version").toString(),
                r.value("reviewer").toString(),
                r.value("voteSum").toString() + "/" + r.value("voteCount").toString()}
                .join('|');
        };
        QCOMPARE(fields(records->first()), first);
        QCOMPARE(fields(records->last()), last);

        QSet<QString> identifiers;
        for (const QVariantMap &record : std::as_const(*records)) {
            identifiers.insert(record.value("identifier").toString());
            QVERIFY(!record.value("text").toString().isEmpty());
            QCOMPARE(record.contains("updated"), !updated.isEmpty());
        }
        QCOMPARE(identifiers.size(), count);
        QCOMPARE(records->first().value("updated").toString(), updated);
        QVERIFY(logged_.isEmpty());
    }

    // The store's empty pages have no records; the page past the tenth is
    // plain text, not JSON, and is logged.
    void realPagesWithoutReviews()
    {
        if (!haveFixtures())
            QSKIP("store fixtures not available");
        for (const QString name : {"reviews-en-json-empty-1.json",
                 "reviews-gb-json-past-last-page.json", "reviews-gb-json-unknown-app.json"})
            QVERIFY2(!Decoder::jsonDataToReviewsArray(fixture(name)), qPrintable(name));
        QVERIFY(logged_.isEmpty());
        QVERIFY(!Decoder::jsonDataToReviewsArray(fixture("reviews-us-page-11-error.txt")));
        QCOMPARE(logged_.size(), 1);
        QVERIFY(logged_.first().startsWith("Error parsing json: "));
        QVERIFY(!Decoder::xmlDataToReviewsArray(fixture("reviews-us-page-11-error.txt")));
    }

    // An entry with one content element only, or without author, rating or
    // id, is skipped; missing dates, votes and versions take the defaults.
    void xmlEntryRules()
    {
        QVariantMap expected {{"title", "Title 1"}, {"text", "Body 1"}, {"reviewer", "Reviewer 1"},
            {"version", "2.0"}, {"rating", "4"}, {"voteSum", "3"}, {"voteCount", "4"},
            {"identifier", "1"}, {"updated", "2015-08-25T01:45:00-07:00"}};
        const auto one = Decoder::xmlDataToReviewsArray(xmlPage(xmlEntry("1")));
        QCOMPARE(one.value_or(QList<QVariantMap>()).value(0), expected);

        const auto skipped = Decoder::xmlDataToReviewsArray(xmlPage(xmlEntry("6")
            + without(xmlEntry("2"), {"<content type=\"html\">&lt;b&gt;Body&lt;/b&gt;</content>"})
            + without(xmlEntry("3"), {"<author><name>Reviewer 3</name></author>"})
            + without(xmlEntry("4"), {"<im:rating>4</im:rating>"})
            + without(xmlEntry("5"), {"<id>5</id>"}) + xmlEntry("7")));
        QVERIFY(skipped);
        QCOMPARE(skipped->size(), 2);
        QCOMPARE(skipped->at(1).value("identifier").toString(), QString("7"));

        const auto bare = Decoder::xmlDataToReviewsArray(xmlPage(without(xmlEntry("1"),
            {"<updated>2015-08-25T01:45:00-07:00</updated>", "<im:voteSum>3</im:voteSum>",
                "<im:voteCount>4</im:voteCount>", "<im:version>2.0</im:version>"})));
        expected.insert(
            {{"version", "n/a"}, {"voteSum", "0"}, {"voteCount", "0"}, {"updated", ""}});
        QCOMPARE(bare.value_or(QList<QVariantMap>()).value(0), expected);

        QVERIFY(!Decoder::xmlDataToReviewsArray(xmlPage("")));
        QVERIFY(!Decoder::xmlDataToReviewsArray(QByteArray()));
        QVERIFY(!Decoder::xmlDataToReviewsArray(xmlPage("<entry>just text</entry>")));
        QCOMPARE(logged_, QStringList {"Unsupported entry: QString"});
    }

    // A cut page keeps its complete entries and never turns the open one
    // into a record.
    void cutOffXmlDropsTheOpenEntry()
    {
        const QByteArray page = xmlPage(xmlEntry("1") + xmlEntry("2") + xmlEntry("3"));
        const auto cut =
            Decoder::xmlDataToReviewsArray(page.left(page.indexOf("<author><name>Reviewer 3")));
        QCOMPARE(cut.value_or(QList<QVariantMap>()).size(), 2);

        for (qsizetype length = 0; length < page.size(); length += 7) {
            const auto records = Decoder::xmlDataToReviewsArray(page.left(length));
            for (const QVariantMap &record : records.value_or(QList<QVariantMap>())) {
                QVERIFY(record.value("reviewer").toString().startsWith("Reviewer "));
                QCOMPARE(record.value("version").toString(), QString("2.0"));
            }
        }
    }

    // Entries that are no review (the product's own first entry, no author,
    // no text, no object) are skipped; nulls take the defaults, numbers are read.
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
        const auto records = Decoder::jsonDataToReviewsArray(page);
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
        QCOMPARE(records->at(2).value("identifier").toString(), QString("6108405527"));
        QVERIFY(logged_.isEmpty());
    }

    // A single entry is a page of one; pages without entries, answers that are
    // no feed and pages too deep to read give no records and do not crash.
    void jsonShapes()
    {
        const auto single = Decoder::jsonDataToReviewsArray(
            R"({"feed":{"entry":{"author":{"name":{"label":"A"}},"title":{"label":"T"},
                "content":{"label":"C"},"im:rating":{"label":"2"},"id":{"label":"1"}}}})");
        QCOMPARE(single.value_or(QList<QVariantMap>()).size(), 1);
        for (const char *empty :
            {R"({"feed":{"author":{}}})", R"({"feed":{"entry":null}})", "[1,2,3]"})
            QVERIFY(!Decoder::jsonDataToReviewsArray(empty));
        QVERIFY(logged_.isEmpty());

        QVERIFY(!Decoder::jsonDataToReviewsArray(R"({"feed":{"entry":"text"}})"));
        QCOMPARE(logged_, QStringList {"Unsupported entry: QString"});

        QVERIFY(!Decoder::jsonDataToReviewsArray("{\"feed\":{\"entry\":[\xff\xfe]}}"));
        QVERIFY(
            !Decoder::jsonDataToReviewsArray(QByteArray(100000, '[') + QByteArray(100000, ']')));
    }
};

RK_TEST_MAIN(ReviewFeedDecoderTest)
#include "tst_reviewfeeddecoder.moc"
