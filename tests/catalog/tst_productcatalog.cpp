#include "LocalHttpServer.h"
#include "catalog/ProductCatalog.h"
#include "model/AppGroup.h"
#include "model/Book.h"
#include "model/BookGroup.h"
#include "net/RequestQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "support/StoreAnswers.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QTest>

using Response = LocalHttpServer::Response;

namespace {

QVariantMap result(const QVariant &trackId, const QString &kind, const QString &artwork = {})
{
    return {{"trackId", trackId}, {"kind", kind},
        {"trackName", QString("Product %1").arg(trackId.toString())}, {"artworkUrl100", artwork}};
}

QList<std::shared_ptr<Group>> groups(ManagedObjectContext &context)
{
    FetchRequest request(QString("Group"));
    request.sortDescriptors = {{QString("sortIndex"), true}};
    return context.fetch<Group>(request);
}

} // namespace

class ProductCatalogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trackIdsOfResults()
    {
        LogCapture log;
        const std::optional<QString> none;
        const QList<std::pair<QVariant, std::optional<QString>>> ids {
            {9007199254740993LL, "9007199254740993"}, {284882215.0, "284882215"}, {"abc", "abc"},
            {1.5, none}, {QVariantMap {}, none}, {QVariant(), none}};
        for (const auto &[value, id] : ids)
            QCOMPARE(ProductCatalog::trackIdForResult({{"trackId", value}}), id);
        QVERIFY(!ProductCatalog::trackIdForResult({}));
        QCOMPARE(log.matching("Invalid trackId").size(), 4);
    }

    void eachIdIsAddedOnce()
    {
        StoreFixture store;
        // The number of products of each "new products added" post.
        QList<qsizetype> posts;
        QObject owner;
        NotificationCenter::defaultCenter().addObserver(kNewProductsAddedNotification, &owner,
            [&](const Notification &post) { posts << post.userInfo["products"].toList().size(); });
        LogCapture log;
        ProductCatalog catalog(*store.context);
        // The same id as a number and as a text, twice in one batch; two
        // results without an id both pass; an unknown kind is skipped.
        const auto added =
            catalog.addProductsForResults({result(7, "software"), result("7", "software"),
                result(QVariant(), "software"), result(QVariant(), "podcast"), result(8, "song")});
        QCOMPARE(added.size(), 3);
        QCOMPARE(added[0]->identifier(), QString("7"));
        QVERIFY(added[1]->value("identifier").isNull());
        QCOMPARE(log.matching("Unknown product type: song").size(), 1);
        QCOMPARE(posts, QList<qsizetype> {3});

        // Stored ids, and ids added but not saved yet, are not added again.
        auto pending = store.app("9");
        QCOMPARE(catalog.addProductsForResults({result(7, "software"), result(9, "software")}),
            QList<std::shared_ptr<Product>>());
        QCOMPARE(posts.size(), 1);
        QVERIFY(store.context->hasChanges()); // nothing saved either
        QCOMPARE(store.count("Product"), 4);

        // A skipped result does not take its id from a later one.
        const auto known = catalog.addProductsForResults({result(11, "song"), result(11, "ebook")});
        QCOMPARE(known.size(), 1);
        QVERIFY(std::dynamic_pointer_cast<Book>(known.first()));
        QCOMPARE(posts.size(), 2);

        // Only unknown kinds left: nothing is created, the (empty) list posted.
        QVERIFY(catalog.addProductsForResults({result(10, "song")}).isEmpty());
        QCOMPARE(posts, (QList<qsizetype> {3, 1, 0}));
        QVERIFY(catalog.addProductsForResults({}).isEmpty());
        QCOMPARE(posts.size(), 3);
    }

    void sortPositionsContinueInTheGroup()
    {
        StoreFixture store;
        ProductCatalog catalog(*store.context);
        catalog.addProductsForResults({result(1, "software"), result(2, "mac-software")});
        const auto appGroup = groups(*store.context).first();
        QCOMPARE(catalog.lastAddedRow(), 1);

        // A move left the products at other positions: new ones go after them.
        appGroup->children().first()->setSortIndex(5);
        const auto added = catalog.addProductsForResults(
            {result(3, "software"), result(4, "ebook"), result(5, "software")});
        QCOMPARE(added[0]->sortIndex(), 6);
        QCOMPARE(added[1]->sortIndex(), 0); // first of its own group
        QCOMPARE(added[2]->sortIndex(), 7);
        QCOMPARE(catalog.lastAddedRow(), 7);
        QCOMPARE(groups(*store.context).size(), 2);

        // With an outline, the row of the group's last child counts.
        QList<QString> expanded;
        catalog.setOutlineHooks(
            {[&](const std::shared_ptr<Group> &group) { expanded << group->entity().name(); },
                [](const std::shared_ptr<Group> &) -> qint64 { return 12; }});
        const auto more = catalog.addProductsForResults({result(6, "software")});
        QCOMPARE(more.first()->sortIndex(), 12);
        QCOMPARE(expanded, QList<QString> {"AppGroup"});
    }

    void deletingTheLastProductDeletesItsGroup()
    {
        StoreFixture store;
        ProductCatalog catalog(*store.context);
        const auto added = catalog.addProductsForResults(
            {result(1, "software"), result(2, "software"), result(3, "ebook")});
        auto review = StoreFixture::review(*store.context, added[2], "r1", "DE");
        QVERIFY(store.context->save());
        const auto bookGroup = groups(*store.context).last();
        QVERIFY(std::dynamic_pointer_cast<BookGroup>(bookGroup));

        // Groups are not editable: naming one deletes nothing.
        QCOMPARE(catalog.deleteObjects({bookGroup}), 0);
        QCOMPARE(groups(*store.context).size(), 2);

        QCOMPARE(catalog.deleteObjects({added[2]}), 1);
        QVERIFY(!store.context->hasChanges());
        QCOMPARE(groups(*store.context).size(), 1);
        QCOMPARE(store.count("Review"), 0);

        QCOMPARE(catalog.deleteObjects({added[0]}), 1);
        QCOMPARE(groups(*store.context).size(), 1);
        QCOMPARE(catalog.deleteObjects({added[1], added[1]}), 1);
        QVERIFY(groups(*store.context).isEmpty());
        QCOMPARE(store.count("BaseNode"), 0);
        QCOMPARE(catalog.deleteObjects({}), 0);

        // A group made again goes last and keeps its fixed uuid.
        catalog.addProductsForResults({result(4, "podcast"), result(5, "software")});
        const auto again = groups(*store.context);
        QCOMPARE(again.size(), 2);
        QVERIFY(std::dynamic_pointer_cast<AppGroup>(again[1]));
        QCOMPARE(again[1]->sortIndex(), 1);
        QCOMPARE(again[1]->uuid(), QString("autoGenerated-AppGroup-1"));
    }

    void artworkArrivesUnlessTheProductWentFirst()
    {
        StoreFixture store;
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.route("/fast.png", Response::ok(StoreAnswers::pngImage(4, 3), "image/png"));
        server.route("/slow.png",
            Response::delayed(300, Response::ok(StoreAnswers::pngImage(), "image/png")));
        server.route("/broken.png", Response::ok("not an image", "image/png"));
        server.route("/missing.png", Response::withStatus(404));
        int saves = 0;
        ProductCatalog catalog(*store.context, [&] {
            ++saves;
            QVERIFY(store.context->save());
        });
        // Artwork at `art`, a path on the server or an address of its own.
        auto withArt = [&](int id, const QString &art) {
            return result(id, "software", art.startsWith('/') ? server.url(art).toString() : art);
        };
        const auto added = catalog.addProductsForResults(
            {withArt(1, "/fast.png"), withArt(2, "/slow.png"), withArt(3, "/broken.png"),
                withArt(4, "/missing.png"), withArt(5, "file:///etc/passwd")});
        QCOMPARE(added.size(), 5);
        const int savesAfterAdding = saves;
        const ObjectID slowId = added[1]->objectID();
        QVERIFY(catalog.deleteObjects({added[1]}) == 1);

        QVERIFY(waitFor(
            [&] { return server.requests().size() == 4 && !catalog.artworkQueue().requestCount(); },
            nullptr, 3000));
        QCOMPARE(added[0]->value("image").value<QImage>().size(), QSize(4, 3));
        QVERIFY(!added[0]->hasChanges());
        QVERIFY(!store.context->existingObject(slowId));
        for (int i : {2, 3, 4})
            QVERIFY(added[i]->value("image").isNull());
        QCOMPARE(saves, savesAfterAdding + 2); // the deletion and one image

        // An answer that arrives after its catalogue is gone is dropped.
        std::shared_ptr<Product> late;
        {
            ProductCatalog gone(*store.context);
            late = gone.addProductsForResults({withArt(7, "/slow.png")}).first();
            QVERIFY(waitFor([&] { return server.requests().size() == 5; }));
        }
        QTest::qWait(400);
        QVERIFY(late->value("image").isNull());
    }
};

RK_TEST_MAIN(ProductCatalogTest)
#include "tst_productcatalog.moc"
