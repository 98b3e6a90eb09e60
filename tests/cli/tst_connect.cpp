#include "support/ConnectFake.h"
#include "support/FeedServer.h"
#include "support/ProcessRun.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The companion with the developer's own apps: a key from the environment,
// as under cron, against the feed server and the App Store Connect
// stand-in. The cases run in order on one store.
class ConnectCliTest : public QObject {
    Q_OBJECT

    static constexpr int historySize = 520;
    FeedServer feed_;
    ConnectFake connect_;
    QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();

    ProcessRun cli(const QStringList &arguments) const
    {
        QProcess process;
        process.setProgram(qEnvironmentVariable("RK_CLI"));
        process.setArguments(arguments);
        process.setProcessEnvironment(environment_);
        return ProcessRun::of(process);
    }

    QJsonArray reviews(const QStringList &options = {}) const
    {
        return QJsonDocument::fromJson(cli(QStringList {"reviews", "111", "--json"} + options).out)
            .array();
    }

    static QJsonObject reviewOf(const QString &id, const QString &title, const QString &text,
        const QString &reviewer, const QString &created)
    {
        return {{"id", id}, {"rating", 4}, {"title", title}, {"body", text},
            {"reviewerNickname", reviewer}, {"createdDate", created}, {"territory", "USA"}};
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariable("RK_CLI").isEmpty())
            QSKIP("RK_CLI is not set");
        feed_.setLookupRecord("111", QString(),
            {{"trackId", 111}, {"kind", "software"}, {"trackName", "Mine"},
                {"wrapperType", "software"}, {"version", "2.0"}});
        feed_.reviews("111", "US") = StoreAnswers::numberedReviews(1, 2);

        // The whole history: more than the feed's 500 in one country, and
        // the feed's first review once more, written a little differently.
        QJsonArray history;
        for (int i = 0; i < historySize; ++i)
            history.append(
                reviewOf(QString("asc-%1").arg(i), "Old", QString("Old %1").arg(i), "Someone",
                    QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC)
                        .addSecs(-3600 * i)
                        .toString(Qt::ISODate)));
        QJsonObject first = reviewOf("asc-feed", "Title 1", "Text of review 1  & more <b>",
            "A reviewer", "2026-01-02T17:30:00Z");
        first.insert("response",
            QJsonObject {{"id", "answer-1"}, {"responseBody", "Thank you"},
                {"lastModifiedDate", "2026-01-03T08:00:00Z"}, {"state", "PUBLISHED"}});
        history.prepend(first);
        connect_.write("connect/apps.json", QJsonArray {QJsonObject {{"id", "111"}}});
        connect_.write("connect/reviews-111.json", history);
        connect_.write("AuthKey.p8", connect_.keys.privateKey);
        connect_.write("Other.p8", TestKeys::make().privateKey);

        // No secret service: the key comes from the environment.
        environment_.remove("DBUS_SESSION_BUS_ADDRESS");
        environment_.insert("REVIEWKEEPER_ASC_ISSUER", "issuer");
        environment_.insert("REVIEWKEEPER_ASC_KEY_ID", "KEY");
        environment_.insert("REVIEWKEEPER_ASC_KEY_FILE", connect_.path("AuthKey.p8"));
        QCOMPARE(cli({"config", "StoreRootURL", feed_.rootURL()}).status, 0);
        QCOMPARE(cli({"config", "AppStoreConnectURL", connect_.server.rootURL()}).status, 0);
    }

    // A first update stores every review the account has, the feed's own
    // once, with its reply.
    void firstUpdateStoresTheWholeHistory()
    {
        const ProcessRun added = cli({"add", "111"});
        QVERIFY2(added.status == 0, added.err.constData());
        const QJsonArray all = reviews();
        QCOMPARE(all.size(), historySize + 2);
        QJsonObject matched;
        for (const QJsonValue &value : all)
            if (value["identifier"] == "r1")
                matched = value.toObject();
        QCOMPARE(matched["response"].toObject(),
            (QJsonObject {{"body", "Thank you"}, {"state", "PUBLISHED"},
                {"lastModified", "2026-01-03T08:00:00Z"}}));
        QCOMPARE(reviews({"--unanswered"}).size(), historySize + 1);
    }

    // A reply is stored once the service took it, and so is its deletion;
    // a key whose role may not reply changes nothing.
    void replyAndDelete()
    {
        const ProcessRun replied = cli({"reply", "asc-7", "We fixed this in 2.0."});
        QVERIFY2(replied.status == 0, replied.err.constData());
        const auto responseOf = [this](const QString &identifier) {
            for (const QJsonValue &value : reviews())
                if (value["identifier"] == identifier)
                    return value["response"];
            return QJsonValue(QJsonValue::Undefined);
        };
        QCOMPARE(responseOf("asc-7")["state"], "PENDING_PUBLISH");
        QCOMPARE(responseOf("asc-7")["body"], "We fixed this in 2.0.");

        FakeAppStoreConnect::Options readOnly;
        readOnly.readOnlyKey = true;
        connect_.serve(readOnly);
        const ProcessRun refused = cli({"reply", "asc-7", "--delete"});
        QCOMPARE(refused.status, 1);
        QVERIFY(refused.err.contains("This App Store Connect key may read reviews but not reply "
                                     "to them; its role needs to allow replies."));
        QCOMPARE(responseOf("asc-7")["state"], "PENDING_PUBLISH");

        connect_.serve({});
        QCOMPARE(cli({"reply", "asc-7", "--delete"}).status, 1); // the fake forgot it
        QCOMPARE(cli({"reply", "r2", "Thanks"}).status, 1); // the feed's own review
        QCOMPARE(cli({"reply", "asc-7"}).status, 2);
        QCOMPARE(cli({"reply", "asc-7", QString(5971, 'x')}).status, 2);
    }

    // A refused key fails the update, yet the feed is read and nothing
    // stored is lost; a spent budget leaves the app for the next update
    // without failing.
    void refusedKeyAndSpentBudget()
    {
        // Rated in the US now, so a routine update reads its feed there.
        feed_.setLookupRecord("111", "US",
            {{"trackId", 111}, {"kind", "software"}, {"trackName", "Mine"},
                {"wrapperType", "software"}, {"version", "2.0"}, {"averageUserRating", 4.0},
                {"userRatingCount", 3}});
        feed_.reviews("111", "US") = StoreAnswers::numberedReviews(1, 3);
        environment_.insert("REVIEWKEEPER_ASC_KEY_FILE", connect_.path("Other.p8"));
        const ProcessRun refused = cli({"update"});
        QCOMPARE(refused.status, 1);
        QVERIFY(refused.err.contains("App Store Connect refused the key"));
        QCOMPARE(reviews().size(), historySize + 3);

        environment_.insert("REVIEWKEEPER_ASC_KEY_FILE", connect_.path("AuthKey.p8"));
        FakeAppStoreConnect::Options spent;
        spent.hourlyBudget = 1;
        connect_.serve(spent);
        const ProcessRun waiting = cli({"update"});
        QCOMPARE(waiting.status, 0);
        QVERIFY2(waiting.err.contains("one app waits for the next update"), waiting.err.constData());
    }
};

RK_TEST_MAIN(ConnectCliTest)
#include "tst_connect.moc"
