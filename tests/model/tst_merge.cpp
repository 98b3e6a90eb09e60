#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <atomic>

namespace {
FetchRequest reviewRequest(
    const ObjectID &product, const QString &country, const QString &identifier)
{
    FetchRequest request("Review");
    request.predicate =
        Predicate::format("product == %@ AND countryCode ==[c] %@ AND identifier == %@", product,
            country, identifier);
    return request;
}

// What the review import does per page: complete known reviews, insert
// new ones, save into the main context.
void mergePage(ManagedObjectContext &child, const ObjectID &productId, const QString &country,
    const QStringList &identifiers)
{
    auto product = std::dynamic_pointer_cast<Product>(child.existingObject(productId));
    for (const QString &identifier : identifiers) {
        const auto known = child.executeFetchRequest(reviewRequest(productId, country, identifier));
        if (known.isEmpty())
            StoreFixture::review(child, product, identifier, country);
        else
            known.first()->setValue("completed", true);
    }
    Error error;
    QVERIFY2(child.save(&error), qPrintable(error.debugDescription()));
}
} // namespace

// Every test starts with one saved app in a fresh store.
class MergeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_;
    ObjectID appId_;

    qint64 count(const char *entity) { return store_->count(entity); }
    std::shared_ptr<Review> review(const char *identifier)
    {
        return StoreFixture::review(*store_->context, app_, identifier, "US");
    }

private Q_SLOTS:
    void init()
    {
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app("1");
        QVERIFY(store_->context->save());
        appId_ = app_->objectID();
        QCoreApplication::processEvents();
    }
    void cleanup()
    {
        app_.reset();
        store_.reset();
    }

    void childMergeKeepsTheMainContextsUnsavedEdits()
    {
        auto review = this->review("r1");
        QVERIFY(store_->context->save());
        review->setRead(true); // not saved
        auto child = store_->context->newPrivateContext();
        const QDateTime stamp = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
        const ObjectID reviewId = review->objectID();
        child->performAndWait([&] {
            auto mine = child->existingObject(reviewId);
            QVERIFY(mine);
            QCOMPARE(mine->value("read").toBool(), false);
            mine->setValue("dateUpdated", stamp);
            QVERIFY(child->save());
        });
        QCOMPARE(review->read(), std::optional<bool>(true));
        QCOMPARE(review->dateUpdated(), stamp);
        // The merge's save wrote the main context's edit along with it.
        QVERIFY(!store_->context->hasChanges());
        child->performAndWait([&] {
            auto stored = child->executeFetchRequest(reviewRequest(appId_, "us", "r1"));
            QCOMPARE(stored.size(), 1);
            QCOMPARE(stored.first()->value("read").toBool(), true);
            QCOMPARE(stored.first()->value("dateUpdated").toDateTime(), stamp);
        });
    }

    // One save of many reviews is one announcement, and the product hears
    // of its reviews once.
    void childInsertAnnouncesTheProductOnce_data()
    {
        QTest::addColumn<int>("reviews");
        QTest::newRow("one") << 1;
        QTest::newRow("five hundred") << 500;
    }

    void childInsertAnnouncesTheProductOnce()
    {
        QFETCH(int, reviews);
        QList<ObjectChange> heard;
        store_->context->observeObject(
            appId_, nullptr, [&](const ObjectChange &change) { heard << change; });
        int notifications = 0, inserted = 0;
        store_->context->observeChanges(nullptr, [&](const ChangeNotification &n) {
            ++notifications;
            inserted += n.inserted.size();
            QVERIFY(n.updated.contains(appId_));
        });
        QStringList identifiers;
        for (int i = 0; i < reviews; ++i)
            identifiers << QString::number(i);
        auto child = store_->context->newPrivateContext();
        child->performAndWait([&] { mergePage(*child, appId_, "US", identifiers); });
        QTest::qWait(20);
        QCOMPARE(notifications, 1);
        QCOMPARE(inserted, 2 * reviews); // each review and its content
        QCOMPARE(heard.size(), 1);
        QCOMPARE(heard.first().kind, ObjectChange::Kind::Updated);
        QCOMPARE(heard.first().keys, QSet<QString> {"reviews"});
        QCOMPARE(app_->countOfObjects("reviews"), reviews);
        QCOMPARE(count("Review"), reviews);
    }

    void pushNamingARecordTheMainContextDeletedIsDropped()
    {
        LogCapture log;
        auto first = review("r1");
        auto second = review("r2");
        QVERIFY(store_->context->save());
        auto child = store_->context->newPrivateContext();
        const ObjectID firstId = first->objectID(), secondId = second->objectID();
        std::shared_ptr<ManagedObject> childFirst, childSecond;
        child->performAndWait([&] {
            childFirst = child->existingObject(firstId);
            childSecond = child->existingObject(secondId);
        });
        // One deletion pending, one already saved.
        store_->context->deleteObject(first);
        child->performAndWait([&] {
            childFirst->setValue("voteSum", 3);
            QVERIFY(child->save());
        });
        QCOMPARE(log.matching("Dropped merged changes to Review").size(), 1);
        QVERIFY(store_->context->save());
        store_->context->deleteObject(second);
        QVERIFY(store_->context->save());
        child->performAndWait([&] {
            childSecond->setValue("voteSum", 4);
            QVERIFY(child->save());
        });
        QCOMPARE(log.matching("Dropped merged changes to Review").size(), 2);

        // Later saves still work, both ways.
        child->performAndWait([&] {
            mergePage(*child, appId_, "US", {"r3"});
            childFirst.reset();
            childSecond.reset();
        });
        app_->setValue("title", "Weather");
        QVERIFY(store_->context->save());
        QCOMPARE(count("Review"), 1);
        QCOMPARE(count("ReviewContent"), 1);
    }

    void reviewsForAProductDeletedMeanwhileAreDropped()
    {
        LogCapture log;
        auto kept = store_->app("2");
        QVERIFY(store_->context->save());
        const ObjectID keptId = kept->objectID();
        auto child = store_->context->newPrivateContext();
        std::shared_ptr<ManagedObject> held;
        child->performAndWait([&] { held = child->existingObject(appId_); });
        store_->context->deleteObject(app_);
        QVERIFY(store_->context->save());
        child->performAndWait([&] {
            StoreFixture::review(*child, std::dynamic_pointer_cast<Product>(held), "orphan", "US");
            mergePage(*child, keptId, "US", {"fine"});
            held.reset();
        });
        QCOMPARE(log.matching("its owner was deleted").size(), 2);
        QCOMPARE(count("Review"), 1);
        QCOMPARE(count("ReviewContent"), 1);
    }

    void twoMergesInARowNeverInsertTwice()
    {
        auto reviews = store_->context->newPrivateContext();
        auto other = store_->context->newPrivateContext();
        const QStringList page {"a", "b", "c"};
        for (int round = 0; round < 20; ++round) {
            // The second merge starts the moment the first has saved, on
            // the same context and on another one.
            reviews->perform([&, round] {
                mergePage(*reviews, appId_, round % 2 ? "de" : "DE", page);
                other->perform([&] { mergePage(*other, appId_, "DE", page); });
            });
            reviews->perform([&] { mergePage(*reviews, appId_, "DE", page); });
        }
        store_->context->drainChildren();
        QCOMPARE(count("Review"), 3);
        QCOMPARE(count("ReviewContent"), 3);
    }

    void childFetchRefreshesUnchangedRecords()
    {
        auto review = this->review("r1");
        QVERIFY(store_->context->save());
        auto child = store_->context->newPrivateContext();
        ManagedObjectPtr held;
        child->performAndWait([&] { held = child->existingObject(review->objectID()); });
        review->setValue("reviewer", "Jörg");
        QVERIFY(store_->context->save());
        child->performAndWait([&] {
            const auto again = child->executeFetchRequest(reviewRequest(appId_, "US", "r1"));
            QCOMPARE(again.size(), 1);
            QCOMPARE(again.first().get(), held.get());
            QCOMPARE(held->value("reviewer").toString(), QString("Jörg"));
            held.reset();
        });
    }

    // Runs under ThreadSanitizer too: the child imports while the main
    // thread edits, counts and saves; draining runs the merges still queued
    // before the last save.
    void mergesWhileTheMainThreadEdits()
    {
        auto child = store_->context->newPrivateContext();
        std::atomic<int> merged {0};
        for (int batch = 0; batch < 20; ++batch)
            child->perform([&, batch] {
                QStringList page;
                for (int i = 0; i < 25; ++i)
                    page << QStringLiteral("%1-%2").arg(batch).arg(i);
                mergePage(*child, appId_, "FR", page);
                ++merged;
            });
        int edits = 0;
        while (merged.load() < 10) {
            app_->setValue("title", QStringLiteral("Title %1").arg(++edits));
            QVERIFY(store_->count("Review", Predicate::format("product == %@ AND read == NO", app_))
                >= 0);
            QVERIFY(store_->context->save());
            QCoreApplication::processEvents();
        }
        store_->context->drainChildren();
        QCOMPARE(count("Review"), 500);
        QVERIFY(!store_->context->hasChanges());
        QCOMPARE(app_->title(), QStringLiteral("Title %1").arg(edits));
    }
};

RK_TEST_MAIN(MergeTest)
#include "tst_merge.moc"
