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

class UpdateControlTest : public QObject {
    Q_OBJECT

    struct Run {
        ManualClock clock;
        UpdateFixture fixture;
        std::unique_ptr<UpdateController> control;
        Run()
        {
            Clock::setShared(&clock);
            control = std::make_unique<UpdateController>(fixture.services, fixture.host);
            control->reviewController().requestQueue().setRequestsPerSecond(0);
            control->ratingsViewController().requestQueue().setRequestsPerSecond(0);
            UserDefaults &defaults = UserDefaults::standard();
            defaults.setDouble(86400, QStringLiteral("AutomaticUpdateInterval"));
            defaults.setBool(true, QStringLiteral("AutoUpdateAtStartup"));
            defaults.setBool(false, QStringLiteral("RateLimitExceededSuppress"));
            defaults.removeObjectForKey(QStringLiteral("LastAutomaticUpdate"));
        }
        ~Run()
        {
            control.reset();
            Clock::setShared(nullptr);
        }
        bool waitIdle()
        {
            const bool idle =
                waitFor([&] { return control->runningUpdates() == 0; }, &clock, 20000);
            control->drainMerges();
            return idle;
        }
        std::shared_ptr<App> app(const QString &identifier, double hoursSinceUpdate)
        {
            auto app = fixture.app(identifier);
            app->setValue(QStringLiteral("lastReviewsUpdate"),
                clock.now().addSecs(qint64(-hoursSinceUpdate * 3600)));
            fixture.addRating(app, QStringLiteral("US"), 1);
            return app;
        }
        QSet<QString> askedProducts() const
        {
            QSet<QString> asked;
            for (const auto &request : fixture.server.feedRequests())
                asked.insert(request.identifier);
            return asked;
        }
    };

private Q_SLOTS:
    void scheduledUpdatePicksExactlyTheDueProducts()
    {
        Run run;
        LogCapture log;
        run.app(QStringLiteral("1"), 25);
        auto fresh = run.app(QStringLiteral("2"), 2);
        run.control->performScheduledReviewsAndRatingsUpdate();
        QVERIFY(run.control->isAutoUpdating());
        QCOMPARE(run.fixture.host.shown, 1);
        // A timer firing meanwhile starts nothing.
        run.control->performScheduledReviewsAndRatingsUpdate();
        QCOMPARE(log.matching(QStringLiteral("Automatic Updating in Progress…")).size(), 1);
        QVERIFY(run.waitIdle());
        QCOMPARE(run.askedProducts(), QSet<QString> {QStringLiteral("1")});
        for (const auto &lookup : run.fixture.server.lookupRequests())
            QCOMPARE(lookup.identifiers, QStringList {QStringLiteral("1")});
        QVERIFY(!run.fixture.server.lookupRequests().isEmpty());
        QCOMPARE(log.matching(QStringLiteral("Updating reviews for 1 products")).size(), 1);
        QVERIFY(!run.control->isAutoUpdating());
        QCOMPARE(UserDefaults::standard().dateForKey(QStringLiteral("LastAutomaticUpdate")),
            run.clock.now());
        QCOMPARE(run.fixture.host.hidden, 1);
        QCOMPARE(run.fixture.services.activities, 0);

        // Now nothing is due.
        run.fixture.server.clearRecorded();
        fresh->setValue(QStringLiteral("lastReviewsUpdate"), run.clock.now());
        run.control->performScheduledReviewsAndRatingsUpdate();
        QCOMPARE(log.matching(QStringLiteral("All reviews are up to date")).size(), 1);
        QCOMPARE(run.control->runningUpdates(), 0);
    }

    void timerStartupAndWake()
    {
        Run run;
        auto app = run.app(QStringLiteral("3"), 30);
        NotificationCenter &center = NotificationCenter::defaultCenter();
        center.post(kApplicationDidStartNotification);
        QVERIFY(run.control->hasAutoUpdateTimer());
        QCOMPARE(center.observerCount(NSWorkspaceDidWakeNotification), 1);
        run.clock.advanceSeconds(1.9);
        QCOMPARE(run.control->runningUpdates(), 0);
        run.clock.advanceSeconds(0.2);
        QCOMPARE(run.control->runningUpdates(), 1);
        QVERIFY(run.waitIdle());
        QCOMPARE(run.askedProducts(), QSet<QString> {QStringLiteral("3")});

        // An hour later the timer looks again; the product is current now.
        run.fixture.server.clearRecorded();
        run.clock.advanceSeconds(3600);
        QVERIFY(run.waitIdle());
        QVERIFY(run.fixture.server.feedRequests().isEmpty());

        // Waking looks again five seconds later.
        app->setValue(QStringLiteral("lastReviewsUpdate"), run.clock.now().addDays(-2));
        center.post(NSWorkspaceDidWakeNotification);
        run.clock.advanceSeconds(4.9);
        QCOMPARE(run.control->runningUpdates(), 0);
        run.clock.advanceSeconds(0.2);
        QCOMPARE(run.control->runningUpdates(), 1);
        QVERIFY(run.waitIdle());

        // A longer interval keeps the timer; 0 stops it and stops watching wake.
        UserDefaults::standard().setDouble(3600 * 48, QStringLiteral("AutomaticUpdateInterval"));
        center.post(kAutoUpdateTimeDidChangeNotification);
        QVERIFY(run.control->hasAutoUpdateTimer());
        UserDefaults::standard().setDouble(0, QStringLiteral("AutomaticUpdateInterval"));
        center.post(kAutoUpdateTimeDidChangeNotification);
        QVERIFY(!run.control->hasAutoUpdateTimer());
        QCOMPARE(center.observerCount(NSWorkspaceDidWakeNotification), 0);
    }

    void disabledAutomaticUpdatesDoNothingAtStartup()
    {
        Run run;
        run.app(QStringLiteral("4"), 30);
        UserDefaults::standard().setDouble(0, QStringLiteral("AutomaticUpdateInterval"));
        NotificationCenter::defaultCenter().post(kApplicationDidStartNotification);
        run.clock.advanceSeconds(10);
        QVERIFY(!run.control->hasAutoUpdateTimer());
        QCOMPARE(run.control->runningUpdates(), 0);
    }

    void rateLimitAlertIsSilentDuringAutomaticUpdatesAndSuppressible()
    {
        Run run;
        run.app(QStringLiteral("5"), 30);
        run.control->performScheduledReviewsAndRatingsUpdate();
        NotificationCenter::defaultCenter().post(kRateLimitExceededNotification);
        QCOMPARE(run.fixture.host.alerts, 0);
        QVERIFY(run.waitIdle());

        NotificationCenter::defaultCenter().post(kRateLimitExceededNotification);
        QCOMPARE(run.fixture.host.alerts, 1);
        QVERIFY(!UserDefaults::standard().boolForKey(QStringLiteral("RateLimitExceededSuppress")));
        run.fixture.host.tickSuppression = true;
        NotificationCenter::defaultCenter().post(kRateLimitExceededNotification);
        QCOMPARE(run.fixture.host.alerts, 2);
        NotificationCenter::defaultCenter().post(kRateLimitExceededNotification);
        QCOMPARE(run.fixture.host.alerts, 2);
    }

    void failedRatingsLoadIsPresentedAndSkipsTheReviews()
    {
        Run run;
        auto app = run.app(QStringLiteral("6"), 30);
        run.fixture.server.setLookupOverride(
            [](const FeedServer::LookupRequest &) -> std::optional<LocalHttpServer::Response> {
                return LocalHttpServer::Response::withStatus(500, "<html>down</html>");
            });
        run.fixture.host.selection = app;
        run.control->performLoadAction();
        QVERIFY(run.waitIdle());
        QCOMPARE(run.fixture.host.errors.size(), 1);
        QVERIFY(run.fixture.server.feedRequests().isEmpty());
        QCOMPARE(run.fixture.host.shown, 1);
        QCOMPARE(run.fixture.host.hidden, 1);
        QCOMPARE(run.fixture.services.activities, 0);

        // A book has no ratings: only its reviews are loaded.
        auto book = run.fixture.store.context->insertNewObject<Product>(QStringLiteral("Book"));
        book->setValue(QStringLiteral("identifier"), QStringLiteral("66"));
        QVERIFY(run.fixture.store.context->save());
        run.fixture.server.clearRecorded();
        run.control->performLoadAction(book);
        QVERIFY(run.waitIdle());
        QVERIFY(run.fixture.server.lookupRequests().isEmpty());
        QCOMPARE(run.askedProducts(), QSet<QString> {QStringLiteral("66")});
        QCOMPARE(run.fixture.host.errors.size(), 1);
    }

    void addedProductsStartOneUpdateOfExactlyThose()
    {
        Run run;
        auto a = run.app(QStringLiteral("7"), 30);
        auto b = run.app(QStringLiteral("8"), 30);
        run.app(QStringLiteral("9"), 30);
        int finished = 0;
        NotificationCenter::defaultCenter().post(kNewProductsAddedNotification, nullptr,
            {{QStringLiteral("products"),
                QVariantList {QVariant::fromValue<ManagedObjectPtr>(a),
                    QVariant::fromValue<ManagedObjectPtr>(b)}}});
        QCOMPARE(run.control->runningUpdates(), 1);
        QVERIFY(run.waitIdle());
        QCOMPARE(run.askedProducts(), QSet<QString>({QStringLiteral("7"), QStringLiteral("8")}));
        QCOMPARE(run.fixture.server.lookupRequests().size(), 3);

        // Update all takes every product; a cancel still ends it once.
        run.fixture.server.clearRecorded();
        run.fixture.server.setDelayMs(50);
        run.control->performLoadAllAction(std::nullopt, [&] { ++finished; });
        run.control->performCancelLoadAction();
        QVERIFY(run.waitIdle());
        QCOMPARE(finished, 1);
        QCOMPARE(run.fixture.host.shown, 2);
        QCOMPARE(run.fixture.host.hidden, 2);
    }
};

RK_TEST_MAIN(UpdateControlTest)
#include "tst_updatecontrol.moc"
