#include "support/UpdateFixture.h"

#include "net/RequestQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "support/TestEnvironment.h"
#include "update/RatingsImporter.h"
#include "update/ReviewImporter.h"
#include "update/UpdateController.h"

#include <QSet>
#include <QTest>

namespace {

struct Clocked {
    ManualClock clock;
    Clocked() { Clock::setShared(&clock); }
    ~Clocked() { Clock::setShared(nullptr); }
};

// The controller on a manual clock, updating daily and at start-up.
struct Run : Clocked, UpdateFixture {
    UpdateController control {services, host};
    NotificationCenter &center = NotificationCenter::defaultCenter();
    Run()
    {
        control.reviewController().requestQueue().setRequestsPerSecond(0);
        control.ratingsViewController().requestQueue().setRequestsPerSecond(0);
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setDouble(86400, "AutomaticUpdateInterval");
        defaults.setBool(true, "AutoUpdateAtStartup");
        defaults.setBool(false, "RateLimitExceededSuppress");
        defaults.removeObjectForKey("LastAutomaticUpdate");
    }
    bool waitIdle()
    {
        const bool idle = waitFor([&] { return control.runningUpdates() == 0; }, &clock, 20000);
        control.drainMerges();
        return idle;
    }
    std::shared_ptr<App> app(const QString &identifier, double hoursSinceUpdate)
    {
        auto app = UpdateFixture::app(identifier);
        app->setValue("lastReviewsUpdate", clock.now().addSecs(qint64(-hoursSinceUpdate * 3600)));
        addRating(app, "US", 1);
        return app;
    }
    QSet<QString> askedProducts() const
    {
        QSet<QString> asked;
        for (const auto &request : server.feedRequests())
            asked.insert(request.identifier);
        return asked;
    }
};

} // namespace

class UpdateControlTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scheduledUpdatePicksExactlyTheDueProducts()
    {
        Run run;
        LogCapture log;
        run.app("1", 25);
        auto fresh = run.app("2", 2);
        run.control.performScheduledReviewsAndRatingsUpdate();
        QVERIFY(run.control.isAutoUpdating());
        // A timer firing meanwhile starts nothing, and the rate limit alert
        // stays silent until the automatic update is over.
        run.control.performScheduledReviewsAndRatingsUpdate();
        QCOMPARE(log.matching("Automatic Updating in Progress…").size(), 1);
        run.center.post(kRateLimitExceededNotification);
        QCOMPARE(run.host.alerts, 0);
        QVERIFY(run.waitIdle());
        run.center.post(kRateLimitExceededNotification);
        QCOMPARE(run.host.alerts, 1);
        QCOMPARE(run.askedProducts(), QSet<QString> {"1"});
        QVERIFY(!run.server.lookupRequests().isEmpty());
        for (const auto &lookup : run.server.lookupRequests())
            QCOMPARE(lookup.identifiers, QStringList {"1"});
        QVERIFY(!run.control.isAutoUpdating());
        QCOMPARE(UserDefaults::standard().dateForKey("LastAutomaticUpdate"), run.clock.now());
        QCOMPARE(run.services.activities, 0);

        // Now nothing is due.
        fresh->setValue("lastReviewsUpdate", run.clock.now());
        run.control.performScheduledReviewsAndRatingsUpdate();
        QCOMPARE(log.matching("All reviews are up to date").size(), 1);
        QCOMPARE(run.control.runningUpdates(), 0);
    }

    void timerStartupAndWake()
    {
        Run run;
        auto app = run.app("3", 30);
        run.center.post(kApplicationDidStartNotification);
        QVERIFY(run.control.hasAutoUpdateTimer());
        QCOMPARE(run.center.observerCount(NSWorkspaceDidWakeNotification), 1);
        run.clock.advanceSeconds(1.9);
        QCOMPARE(run.control.runningUpdates(), 0);
        run.clock.advanceSeconds(0.2);
        QCOMPARE(run.control.runningUpdates(), 1);
        QVERIFY(run.waitIdle());
        QCOMPARE(run.askedProducts(), QSet<QString> {"3"});

        // An hour later the timer looks again.
        app->setValue("lastReviewsUpdate", run.clock.now().addDays(-2));
        run.server.clearRecorded();
        run.clock.advanceSeconds(3600);
        QVERIFY(run.waitIdle());
        QCOMPARE(run.askedProducts(), QSet<QString> {"3"});

        // Waking looks again five seconds later.
        app->setValue("lastReviewsUpdate", run.clock.now().addDays(-2));
        run.center.post(NSWorkspaceDidWakeNotification);
        run.clock.advanceSeconds(4.9);
        QCOMPARE(run.control.runningUpdates(), 0);
        run.clock.advanceSeconds(0.2);
        QCOMPARE(run.control.runningUpdates(), 1);
        QVERIFY(run.waitIdle());

        // 0 stops the timer and stops watching wake.
        UserDefaults::standard().setDouble(0, "AutomaticUpdateInterval");
        run.center.post(kAutoUpdateTimeDidChangeNotification);
        QVERIFY(!run.control.hasAutoUpdateTimer());
        QCOMPARE(run.center.observerCount(NSWorkspaceDidWakeNotification), 0);

        // Turned off, start-up updates nothing.
        app->setValue("lastReviewsUpdate", run.clock.now().addDays(-2));
        run.center.post(kApplicationDidStartNotification);
        run.clock.advanceSeconds(10);
        QVERIFY(!run.control.hasAutoUpdateTimer());
        QCOMPARE(run.control.runningUpdates(), 0);
    }

    void failedRatingsLoadIsPresentedAndSkipsTheReviews()
    {
        Run run;
        run.host.selection = run.app("6", 30);
        run.server.setLookupOverride(
            [](const FeedServer::LookupRequest &) -> std::optional<LocalHttpServer::Response> {
                return LocalHttpServer::Response::withStatus(500, "<html>down</html>");
            });
        run.control.performLoadAction();
        QVERIFY(run.waitIdle());
        QCOMPARE(run.host.errors.size(), 1);
        QVERIFY(run.server.feedRequests().isEmpty());
        QCOMPARE(run.host.shown, 1);
        QCOMPARE(run.host.hidden, 1);
        QCOMPARE(run.services.activities, 0);

        // A book has no ratings: only its reviews are loaded.
        auto book = run.store.context->insertNewObject<Product>("Book", {{"identifier", "66"}});
        QVERIFY(run.store.context->save());
        run.server.clearRecorded();
        run.control.performLoadAction(book);
        QVERIFY(run.waitIdle());
        QVERIFY(run.server.lookupRequests().isEmpty());
        QCOMPARE(run.askedProducts(), QSet<QString> {"66"});
        QCOMPARE(run.host.errors.size(), 1);
    }

    void addedProductsStartOneUpdateOfExactlyThose()
    {
        Run run;
        auto a = run.app("7", 30);
        auto b = run.app("8", 30);
        run.app("9", 30);
        run.center.post(kNewProductsAddedNotification, nullptr,
            {{"products",
                QVariantList {QVariant::fromValue<ManagedObjectPtr>(a),
                    QVariant::fromValue<ManagedObjectPtr>(b)}}});
        QCOMPARE(run.control.runningUpdates(), 1);
        QVERIFY(run.waitIdle());
        QCOMPARE(run.askedProducts(), QSet<QString>({"7", "8"}));
        QCOMPARE(run.server.lookupRequests().size(), 3);

        // Update all takes every product; a cancel still ends it once.
        run.server.clearRecorded();
        run.server.setDelayMs(50);
        int finished = 0;
        run.control.performLoadAllAction(std::nullopt, [&] { ++finished; });
        run.control.performCancelLoadAction();
        QVERIFY(run.waitIdle());
        QCOMPARE(finished, 1);
        QCOMPARE(run.host.shown, 2);
        QCOMPARE(run.host.hidden, 2);
    }
};

RK_TEST_MAIN(UpdateControlTest)
#include "tst_updatecontrol.moc"
