#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <atomic>

class MergeTest : public QObject {
    Q_OBJECT

    static FetchRequest reviewRequest(
        const ObjectID &product, const QString &country, const QString &identifier)
    {
        FetchRequest request(QStringLiteral("Review"));
        request.predicate = Predicate::format(
            QStringLiteral("product == %@ AND countryCode ==[c] %@ AND identifier == %@"), product,
            country, identifier);
        return request;
    }

    // What the review import does per page: complete known reviews, insert
    // new ones, save into the main context.
    static void mergePage(ManagedObjectContext &child, const ObjectID &productId,
        const QString &country, const QStringList &identifiers)
    {
        auto product = std::dynamic_pointer_cast<Product>(child.existingObject(productId));
        for (const QString &identifier : identifiers) {
            const auto known =
                child.executeFetchRequest(reviewRequest(productId, country, identifier));
            if (!known.isEmpty()) {
                known.first()->setValue(QStringLiteral("completed"), true);
                continue;
            }
            StoreFixture::review(child, product, identifier, country);
        }
        Error error;
        QVERIFY2(child.save(&error), qPrintable(error.debugDescription()));
    }

private Q_SLOTS:
    void childMergeKeepsTheMainContextsUnsavedEdits()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        auto review =
            StoreFixture::review(*store.context, app, QStringLiteral("r1"), QStringLiteral("DE"));
        QVERIFY(store.context->save());
        review->setRead(true); // not saved

        auto child = store.context->newPrivateContext();
        const QDateTime stamp = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
        const ObjectID reviewId = review->objectID();
        child->performAndWait([&] {
            auto mine = child->existingObject(reviewId);
            QVERIFY(mine);
            QCOMPARE(mine->value(QStringLiteral("read")).toBool(), false);
            mine->setValue(QStringLiteral("dateUpdated"), stamp);
            QVERIFY(child->save());
        });
        QCOMPARE(review->read(), std::optional<bool>(true));
        QCOMPARE(review->dateUpdated(), stamp);
        // The merge's save wrote the main context's edit along with it.
        QVERIFY(!store.context->hasChanges());

        // Both values are in the store.
        child->performAndWait([&] {
            auto stored = child->executeFetchRequest(
                reviewRequest(app->objectID(), QStringLiteral("de"), QStringLiteral("r1")));
            QCOMPARE(stored.size(), 1);
            QCOMPARE(stored.first()->value(QStringLiteral("read")).toBool(), true);
            QCOMPARE(stored.first()->value(QStringLiteral("dateUpdated")).toDateTime(), stamp);
        });
    }

    void childInsertAnnouncesTheProductWithItsReviewsKey()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();

        QList<ObjectChange> heard;
        store.context->observeObject(
            app->objectID(), nullptr, [&](const ObjectChange &change) { heard << change; });
        int notifications = 0;
        store.context->observeChanges(nullptr, [&](const ChangeNotification &n) {
            ++notifications;
            QCOMPARE(n.inserted.size(), 2); // the review and its content
            QVERIFY(n.updated.contains(app->objectID()));
        });
        auto child = store.context->newPrivateContext();
        const ObjectID appId = app->objectID();
        child->performAndWait(
            [&] { mergePage(*child, appId, QStringLiteral("US"), {QStringLiteral("a")}); });
        QCoreApplication::processEvents();
        QCOMPARE(heard.size(), 1);
        QCOMPARE(heard.first().kind, ObjectChange::Kind::Updated);
        QCOMPARE(heard.first().keys, QSet<QString> {QStringLiteral("reviews")});
        QCOMPARE(notifications, 1);
        QCOMPARE(app->countOfObjects(QStringLiteral("reviews")), 1);
    }

    void oneSaveOfFiveHundredReviewsIsOneAnnouncement()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        int notifications = 0, inserted = 0, productCalls = 0;
        store.context->observeChanges(nullptr, [&](const ChangeNotification &n) {
            ++notifications;
            inserted += n.inserted.size();
        });
        store.context->observeObject(
            app->objectID(), nullptr, [&](const ObjectChange &) { ++productCalls; });
        auto child = store.context->newPrivateContext();
        QStringList identifiers;
        for (int i = 0; i < 500; ++i)
            identifiers << QString::number(i);
        const ObjectID appId = app->objectID();
        child->performAndWait([&] { mergePage(*child, appId, QStringLiteral("US"), identifiers); });
        QTest::qWait(20);
        QCOMPARE(notifications, 1);
        QCOMPARE(inserted, 1000);
        QCOMPARE(productCalls, 1);
        QCOMPARE(store.count(QStringLiteral("Review")), 500);
    }

    void pushNamingARecordTheMainContextDeletedIsDropped()
    {
        StoreFixture store;
        LogCapture log;
        auto app = store.app(QStringLiteral("1"));
        auto first =
            StoreFixture::review(*store.context, app, QStringLiteral("r1"), QStringLiteral("US"));
        auto second =
            StoreFixture::review(*store.context, app, QStringLiteral("r2"), QStringLiteral("US"));
        QVERIFY(store.context->save());
        const ObjectID firstId = first->objectID(), secondId = second->objectID();

        auto child = store.context->newPrivateContext();
        std::shared_ptr<ManagedObject> childFirst, childSecond;
        child->performAndWait([&] {
            childFirst = child->existingObject(firstId);
            childSecond = child->existingObject(secondId);
        });
        // One deletion pending, one already saved.
        store.context->deleteObject(first);
        child->performAndWait([&] {
            childFirst->setValue(QStringLiteral("voteSum"), 3);
            QVERIFY(child->save());
        });
        QCOMPARE(log.matching(QStringLiteral("Dropped merged changes to Review")).size(), 1);
        QVERIFY(store.context->save());
        store.context->deleteObject(second);
        QVERIFY(store.context->save());
        child->performAndWait([&] {
            childSecond->setValue(QStringLiteral("voteSum"), 4);
            QVERIFY(child->save());
        });
        QCOMPARE(log.matching(QStringLiteral("Dropped merged changes to Review")).size(), 2);

        // Later saves still work, both ways.
        child->performAndWait([&] {
            mergePage(*child, app->objectID(), QStringLiteral("US"), {QStringLiteral("r3")});
            childFirst.reset();
            childSecond.reset();
        });
        app->setValue(QStringLiteral("title"), QStringLiteral("Weather"));
        QVERIFY(store.context->save());
        QCOMPARE(store.count(QStringLiteral("Review")), 1);
        QCOMPARE(store.count(QStringLiteral("ReviewContent")), 1);
    }

    void reviewsForAProductDeletedMeanwhileAreDropped()
    {
        StoreFixture store;
        LogCapture log;
        auto doomed = store.app(QStringLiteral("1"));
        auto kept = store.app(QStringLiteral("2"));
        QVERIFY(store.context->save());
        const ObjectID doomedId = doomed->objectID(), keptId = kept->objectID();
        auto child = store.context->newPrivateContext();
        std::shared_ptr<ManagedObject> held;
        child->performAndWait([&] { held = child->existingObject(doomedId); });
        store.context->deleteObject(doomed);
        QVERIFY(store.context->save());
        child->performAndWait([&] {
            auto product = std::dynamic_pointer_cast<Product>(held);
            StoreFixture::review(*child, product, QStringLiteral("orphan"), QStringLiteral("US"));
            mergePage(*child, keptId, QStringLiteral("US"), {QStringLiteral("fine")});
            held.reset();
        });
        QCOMPARE(log.matching(QStringLiteral("its owner was deleted")).size(), 2);
        QCOMPARE(store.count(QStringLiteral("Review")), 1);
        QCOMPARE(store.count(QStringLiteral("ReviewContent")), 1);
    }

    void twoMergesInARowNeverInsertTwice()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        QVERIFY(store.context->save());
        const ObjectID appId = app->objectID();
        auto reviews = store.context->newPrivateContext();
        auto other = store.context->newPrivateContext();
        const QStringList page {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        for (int round = 0; round < 20; ++round) {
            // The second merge starts the moment the first has saved, on
            // the same context and on another one.
            reviews->perform([&, round] {
                mergePage(
                    *reviews, appId, round % 2 ? QStringLiteral("de") : QStringLiteral("DE"), page);
                other->perform([&] { mergePage(*other, appId, QStringLiteral("DE"), page); });
            });
            reviews->perform([&] { mergePage(*reviews, appId, QStringLiteral("DE"), page); });
        }
        store.context->drainChildren();
        QCOMPARE(store.count(QStringLiteral("Review")), 3);
        QCOMPARE(store.count(QStringLiteral("ReviewContent")), 3);
    }

    void childFetchRefreshesUnchangedRecords()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        auto review =
            StoreFixture::review(*store.context, app, QStringLiteral("r1"), QStringLiteral("US"));
        QVERIFY(store.context->save());
        auto child = store.context->newPrivateContext();
        ManagedObjectPtr held;
        child->performAndWait([&] { held = child->existingObject(review->objectID()); });
        review->setValue(QStringLiteral("reviewer"), QStringLiteral("Jörg"));
        QVERIFY(store.context->save());
        child->performAndWait([&] {
            const auto again = child->executeFetchRequest(
                reviewRequest(app->objectID(), QStringLiteral("US"), QStringLiteral("r1")));
            QCOMPARE(again.size(), 1);
            QCOMPARE(again.first().get(), held.get());
            QCOMPARE(held->value(QStringLiteral("reviewer")).toString(), QStringLiteral("Jörg"));
            held.reset();
        });
    }

    void mergesWhileTheMainThreadEdits()
    {
        // Runs under ThreadSanitizer too: the child imports while the main
        // thread edits, counts and saves.
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        QVERIFY(store.context->save());
        const ObjectID appId = app->objectID();
        auto child = store.context->newPrivateContext();
        std::atomic<int> merged {0};
        for (int batch = 0; batch < 20; ++batch)
            child->perform([&, batch] {
                QStringList page;
                for (int i = 0; i < 25; ++i)
                    page << QStringLiteral("%1-%2").arg(batch).arg(i);
                mergePage(*child, appId, QStringLiteral("FR"), page);
                ++merged;
            });
        int edits = 0;
        while (merged.load() < 20) {
            app->setValue(QStringLiteral("title"), QStringLiteral("Title %1").arg(++edits));
            QVERIFY(store.count(QStringLiteral("Review"),
                        Predicate::format(QStringLiteral("product == %@ AND read == NO"), app))
                >= 0);
            QVERIFY(store.context->save());
            QCoreApplication::processEvents();
        }
        store.context->drainChildren();
        QCOMPARE(store.count(QStringLiteral("Review")), 500);
        QCOMPARE(app->title(), QStringLiteral("Title %1").arg(edits));
    }

    void drainingRunsQueuedMergesBeforeTheLastSave()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        QVERIFY(store.context->save());
        const ObjectID appId = app->objectID();
        auto child = store.context->newPrivateContext();
        for (int i = 0; i < 5; ++i)
            child->perform(
                [&, i] { mergePage(*child, appId, QStringLiteral("GB"), {QString::number(i)}); });
        store.context->drainChildren();
        QCOMPARE(store.count(QStringLiteral("Review")), 5);
        QVERIFY(!store.context->hasChanges());
    }
};

RK_TEST_MAIN(MergeTest)
#include "tst_merge.moc"
