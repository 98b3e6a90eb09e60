#include "model/RecordChangeRouter.h"

#include "model/App.h"
#include "model/Product.h"
#include "model/RecordKeys.h"
#include "model/Review.h"
#include "platform/store/ChangeNotification.h"
#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedObjectContext.h"

#include <QSet>

#include <map>

namespace {

bool isKind(const EntityDescription *entity, QStringView name)
{
    for (; entity; entity = entity->parent())
        if (entity->name() == name)
            return true;
    return false;
}

// The row id a record's to-one relationship points at, 0 when none.
qint64 destinationRow(const ManagedObjectPtr &record, const QString &key)
{
    return record ? record->value(key).toLongLong() : 0;
}

std::mutex routersMutex;
std::map<const ManagedObjectContext *, std::weak_ptr<RecordChangeRouter>> &routers()
{
    static std::map<const ManagedObjectContext *, std::weak_ptr<RecordChangeRouter>> map;
    return map;
}

} // namespace

RecordChangeRouter::RecordChangeRouter(ManagedObjectContext *context) : context_(context)
{
}

std::shared_ptr<RecordChangeRouter> RecordChangeRouter::forContext(ManagedObjectContext *context)
{
    if (!context)
        return {};
    std::lock_guard lock(routersMutex);
    auto &map = routers();
    if (auto found = map.find(context); found != map.end())
        if (auto router = found->second.lock())
            return router;
    // The context's observer list holds the router, so it lives exactly as
    // long as the context (a later context at the same address gets a new
    // one, since the weak pointer has expired by then).
    auto router = std::make_shared<RecordChangeRouter>(context);
    context->observeChanges(
        nullptr, [router](const ChangeNotification &notification) { router->route(notification); });
    std::erase_if(map, [](const auto &entry) { return entry.second.expired(); });
    map[context] = router;
    return router;
}

void RecordChangeRouter::addProduct(Product *product)
{
    products_.insert(product->objectID().rowId, product);
}

void RecordChangeRouter::removeProduct(Product *product)
{
    const auto found = products_.constFind(product->objectID().rowId);
    if (found != products_.constEnd() && *found == product)
        products_.erase(found);
}

void RecordChangeRouter::addReview(Review *review)
{
    reviews_.insert(review->objectID().rowId, review);
}

void RecordChangeRouter::removeReview(Review *review)
{
    const auto found = reviews_.constFind(review->objectID().rowId);
    if (found != reviews_.constEnd() && *found == review)
        reviews_.erase(found);
}

void RecordChangeRouter::route(const ChangeNotification &notification)
{
    QSet<qint64> unread, ratings, display;
    // A review inserted together with its content and its display pair (as
    // imports insert them) shows that content already; recomputing it would
    // read the contents of each of hundreds of new reviews.
    QSet<qint64> insertedWithDisplay;
    // Contents that changed, loaded together below: a merge brings hundreds
    // at once, and one query each would hold up the main thread.
    QList<ObjectID> contents;
    if (!reviews_.isEmpty()) {
        for (const ObjectID &id : notification.inserted) {
            if (isKind(id.entity, u"ReviewContent")) {
                contents.append(id);
            } else if (isKind(id.entity, u"Review")) {
                const Review *review = reviews_.value(id.rowId);
                if (review && review->value(RecordKey::displayTitle).isValid()
                    && review->value(RecordKey::displayData).isValid())
                    insertedWithDisplay.insert(id.rowId);
            }
        }
    }
    for (auto it = notification.updated.cbegin(); it != notification.updated.cend(); ++it) {
        const ObjectID &id = it.key();
        const QSet<QString> &keys = it.value();
        if (isKind(id.entity, u"Product")) {
            if (!products_.contains(id.rowId))
                continue;
            if (keys.contains(RecordKey::reviews))
                unread.insert(id.rowId);
            if (keys.contains(RecordKey::ratings))
                ratings.insert(id.rowId);
        } else if (isKind(id.entity, u"Review")) {
            if (keys.contains(RecordKey::reviewContents) && reviews_.contains(id.rowId)
                && !insertedWithDisplay.contains(id.rowId))
                display.insert(id.rowId);
            if (keys.contains(RecordKey::read) && !products_.isEmpty()) {
                const qint64 product =
                    destinationRow(context_->existingObject(id), RecordKey::product);
                if (products_.contains(product))
                    unread.insert(product);
            }
        } else if (isKind(id.entity, u"ReviewContent")) {
            if (!reviews_.isEmpty()
                && (keys.contains(RecordKey::title) || keys.contains(RecordKey::data)))
                contents.append(id);
        } else if (isKind(id.entity, u"Rating")) {
            if (keys.contains(RecordKey::dateUpdated) && !products_.isEmpty()) {
                const qint64 product =
                    destinationRow(context_->existingObject(id), RecordKey::product);
                if (products_.contains(product))
                    ratings.insert(product);
            }
        }
    }

    if (!contents.isEmpty()) {
        const QSet<ObjectID> inserted(notification.inserted.cbegin(), notification.inserted.cend());
        for (const ManagedObjectPtr &content : context_->existingObjects(contents)) {
            const qint64 review = destinationRow(content, RecordKey::review);
            if (!reviews_.contains(review))
                continue;
            if (inserted.contains(content->objectID())
                && ((!content->value(RecordKey::title).isValid()
                        && !content->value(RecordKey::data).isValid())
                    || insertedWithDisplay.contains(review)))
                continue;
            display.insert(review);
        }
    }

    // Records may be released by what a recomputation does; look each up
    // again just before using it.
    lastUnreadRecounts_ = 0;
    for (qint64 row : std::as_const(unread)) {
        if (Product *product = products_.value(row)) {
            product->updateUnReadCount();
            ++lastUnreadRecounts_;
        }
    }
    for (qint64 row : std::as_const(ratings))
        if (auto *app = dynamic_cast<App *>(products_.value(row)))
            app->updateRatingTotals();
    for (qint64 row : std::as_const(display))
        if (Review *review = reviews_.value(row))
            review->updateDisplayReviewContent();
}
