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

    // A child's save keeps the main context's unsaved edits and writes them
    // along; a child's fetch refreshes the records it holds unchanged.
    void childAndMainContextKeepEachOthersChanges()
    {
        auto review = this->review("r1");
        QVERIFY(store_->context->save());
        review->setRead(true); // not saved
        auto child = store_->context->newPrivateContext();
        const QDateTime stamp = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
        const ObjectID reviewId = review->objectID();
        ManagedObjectPtr held;
        child->performAndWait([&] {
            held = child->existingObject(reviewId);
            QVERIFY(held);
            QCOMPARE(held->value("read").toBool(), false);
            held->setValue("dateUpdated", stamp);
            QVERIFY(child->save());
        });
        QCOMPARE(review->read(), std::optional<bool>(true));
        QCOMPARE(review->dateUpdated(), stamp);
        QVERIFY(!store_->context->hasChanges());
        review->setValue("reviewer", "Jörg");
        QVERIFY(store_->context->save());
        child->performAndWait([&] {
            const auto again = child->executeFetchRequest(reviewRequest(appId_, "us", "r1"));
            QCOMPARE(again.size(), 1);
            QCOMPARE(again.first().get(), held.get());
            QCOMPARE(held->value("read").toBool(), true);
            QCOMPARE(held->value("reviewer").toString(), QString("Jörg"));
            held.reset();
        });
    }

    // Main-context edits are announced once, on the next turn, with the keys
    // they changed, and so is one child save of many reviews: the product
    // hears of them once. A removed observer hears nothing more. The unread
    // count is absent at zero and follows the merge and saved reads (how
    // often it recounts is benchmarked).
    void changesAreAnnouncedOncePerTurn()
    {
        QVERIFY(!app_->unReadCount());
        QList<ObjectChange> heard;
        auto listening = std::make_unique<QObject>();
        const auto observer = store_->context->observeObject(
            appId_, listening.get(), [&](const ObjectChange &change) { heard << change; });
        int notifications = 0, inserted = 0;
        store_->context->observeChanges(listening.get(), [&](const ChangeNotification &n) {
            ++notifications;
            inserted += n.inserted.size();
            QVERIFY(n.updated.contains(appId_));
        });
        app_->setValue("title", "one");
        app_->setValue("title", "two");
        review("mine");
        QCOMPARE(notifications, 0);
        QCoreApplication::processEvents();
        QCOMPARE(notifications, 1);
        QVERIFY(store_->context->save());
        auto child = store_->context->newPrivateContext();
        child->performAndWait([&] { mergePage(*child, appId_, "US", {"a", "b", "c"}); });
        QTest::qWait(20);
        QCOMPARE(notifications, 2);
        QCOMPARE(inserted, 8); // each review and its content
        QCOMPARE(heard.size(), 2);
        QCOMPARE(heard[0].keys, (QSet<QString> {"title", "reviews"}));
        QCOMPARE(heard[1].kind, ObjectChange::Kind::Updated);
        QCOMPARE(heard[1].keys, QSet<QString> {"reviews"});
        QCOMPARE(app_->countOfObjects("reviews"), 4);
        QCOMPARE(app_->unReadCount(), std::optional<qint64>(4));
        store_->context->removeObserver(observer);
        app_->setValue("title", "three");
        QCoreApplication::processEvents();
        QCOMPARE(notifications, 3);
        QCOMPARE(heard.size(), 2);
        listening.reset();
        // Nothing but the context holds the reviews until the save.
        for (const auto &review : app_->reviews())
            review->setRead(true);
        QVERIFY(store_->context->save());
        QCoreApplication::processEvents();
        QVERIFY(!app_->unReadCount());
    }

    // A child's changes to reviews the main context deleted, pending or
    // saved, are dropped, and so are its reviews for a product deleted
    // meanwhile. The product takes its reviews, their contents and its
    // ratings with it. Later saves still work, both ways.
    void pushNamingARecordTheMainContextDeletedIsDropped()
    {
        LogCapture log;
        auto first = review("r1");
        auto second = review("r2");
        review("r3");
        auto rating = store_->context->insertNewObject("Rating", {{"countryCode", "US"}});
        rating->setObject("product", app_);
        auto kept = store_->app("2");
        StoreFixture::review(*store_->context, kept, "k", "US");
        QVERIFY(store_->context->save());
        auto child = store_->context->newPrivateContext();
        const ObjectID firstId = first->objectID(), secondId = second->objectID(),
                       keptId = kept->objectID();
        std::shared_ptr<ManagedObject> childFirst, childSecond, childApp;
        child->performAndWait([&] {
            childFirst = child->existingObject(firstId);
            childSecond = child->existingObject(secondId);
            childApp = child->existingObject(appId_);
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

        store_->context->deleteObject(app_);
        QVERIFY(store_->context->save());
        QVERIFY(rating->isDeleted());
        QCOMPARE(count("Rating"), 0);
        QCOMPARE(count("Review"), 1);
        child->performAndWait([&] {
            StoreFixture::review(
                *child, std::dynamic_pointer_cast<Product>(childApp), "orphan", "US");
            mergePage(*child, keptId, "US", {"fine"});
            childFirst.reset();
            childSecond.reset();
            childApp.reset();
        });
        QCOMPARE(log.matching("its owner was deleted").size(), 2);
        kept->setValue("title", "Weather");
        QVERIFY(store_->context->save());
        QCOMPARE(count("Review"), 2);
        QCOMPARE(count("ReviewContent"), 2);
    }

    // Runs under ThreadSanitizer too. Merges of one page never insert twice
    // when the second starts the moment the first has saved, on the same
    // context and on another one. Meanwhile the main thread edits, counts and
    // saves; draining runs the merges still queued before the last save.
    void mergesInARowAndWhileTheMainThreadEdits()
    {
        auto child = store_->context->newPrivateContext();
        auto other = store_->context->newPrivateContext();
        const QStringList page {"a", "b", "c"};
        std::atomic<int> merged {0};
        for (int batch = 0; batch < 20; ++batch) {
            child->perform([&, batch] {
                mergePage(*child, appId_, batch % 2 ? "de" : "DE", page);
                other->perform([&] { mergePage(*other, appId_, "DE", page); });
            });
            child->perform([&, batch] {
                mergePage(*child, appId_, "DE", page);
                QStringList fresh;
                for (int i = 0; i < 25; ++i)
                    fresh << QStringLiteral("%1-%2").arg(batch).arg(i);
                mergePage(*child, appId_, "FR", fresh);
                ++merged;
            });
        }
        int edits = 0;
        while (merged.load() < 10) {
            app_->setValue("title", QStringLiteral("Title %1").arg(++edits));
            QVERIFY(store_->count("Review", Predicate::format("product == %@ AND read == NO", app_))
                >= 0);
            QVERIFY(store_->context->save());
            QCoreApplication::processEvents();
        }
        store_->context->drainChildren();
        QCOMPARE(count("Review"), 503);
        QCOMPARE(count("ReviewContent"), 503);
        QVERIFY(!store_->context->hasChanges());
        QCOMPARE(app_->title(), QStringLiteral("Title %1").arg(edits));
    }
};

RK_TEST_MAIN(MergeTest)
#include "tst_merge.moc"
