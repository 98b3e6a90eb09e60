// Announcing changes, once per turn; part of ManagedObjectContext.
#include "platform/store/ManagedObjectContext.h"

#include "platform/Dispatch.h"
#include "platform/store/MergeInbox.h"

#include <QObject>

void ManagedObjectContext::noteInserted(const ObjectID &id)
{
    unannounced_.inserted.append(id);
    scheduleAnnouncement();
}

void ManagedObjectContext::noteUpdated(const ObjectID &id, const QString &key)
{
    unannounced_.updated[id].insert(key);
    scheduleAnnouncement();
}

void ManagedObjectContext::noteDeleted(const ObjectID &id)
{
    unannounced_.deleted.append(id);
    unannounced_.updated.remove(id);
    scheduleAnnouncement();
}

void ManagedObjectContext::noteInverse(
    const PropertyDescription &toOne, const QVariant &destinationRowId)
{
    // The destination's to-many changed too; it is announced without being
    // loaded.
    if (!destinationRowId.isValid() || !toOne.inverse)
        return;
    const qint64 rowId = destinationRowId.toLongLong();
    if (deleted_.contains(rowId))
        return;
    const ManagedObjectPtr live = registered(rowId);
    noteUpdated(live ? live->objectID() : ObjectID {toOne.destination, rowId}, toOne.inverse->name);
}

void ManagedObjectContext::scheduleAnnouncement()
{
    // A child announces after each block it runs; the main context on the
    // next turn of the main loop.
    if (type_ != ConcurrencyType::MainQueue || announcementScheduled_)
        return;
    announcementScheduled_ = true;
    std::weak_ptr<MergeInbox> inbox = inbox_;
    dispatchMain([inbox] {
        if (const auto alive = inbox.lock())
            alive->main()->processPendingChanges();
    });
}

void ManagedObjectContext::processPendingChanges()
{
    announcementScheduled_ = false;
    if (unannounced_.isEmpty())
        return;
    ChangeNotification notification = std::move(unannounced_);
    unannounced_ = ChangeNotification();

    // Records are reached through their own observers: a merge of 500
    // reviews calls the observers of the one product concerned, not every
    // observer for every review.
    auto deliver = [this](const ObjectID &id, const ObjectChange &change) {
        const auto found = objectObservers_.constFind(id.rowId);
        if (found == objectObservers_.constEnd())
            return;
        // Copy: a handler may add or remove observers.
        const std::vector<ObjectObserver> observers = *found;
        for (const ObjectObserver &observer : observers)
            if (!observer.owned || observer.owner)
                observer.handler(change);
    };
    if (!objectObservers_.isEmpty()) {
        for (const ObjectID &id : std::as_const(notification.inserted))
            deliver(id, {ObjectChange::Kind::Inserted, {}});
        for (auto it = notification.updated.cbegin(); it != notification.updated.cend(); ++it)
            deliver(it.key(), {ObjectChange::Kind::Updated, it.value()});
        for (const ObjectID &id : std::as_const(notification.deleted))
            deliver(id, {ObjectChange::Kind::Deleted, {}});
    }
    const std::vector<ChangesObserver> observers = changesObservers_;
    for (const ChangesObserver &observer : observers)
        if (!observer.owned || observer.owner)
            observer.handler(notification);
}

void ManagedObjectContext::pruneObservers()
{
    // Observations whose owner is gone end here, every so many new ones, so
    // they do not pile up.
    std::erase_if(changesObservers_, [](const ChangesObserver &o) { return o.owned && !o.owner; });
    for (auto it = objectObservers_.begin(); it != objectObservers_.end();) {
        std::erase_if(*it, [this](const ObjectObserver &o) {
            if (o.owned && !o.owner) {
                observedRow_.remove(o.id);
                return true;
            }
            return false;
        });
        it = it->empty() ? objectObservers_.erase(it) : std::next(it);
    }
}

ManagedObjectContext::ObserverId ManagedObjectContext::observeObject(
    const ObjectID &id, QObject *owner, std::function<void(const ObjectChange &)> handler)
{
    if (nextObserverId_ % 256 == 0)
        pruneObservers();
    const ObserverId observerId = nextObserverId_++;
    objectObservers_[id.rowId].push_back({observerId, owner, owner != nullptr, std::move(handler)});
    observedRow_.insert(observerId, id.rowId);
    return observerId;
}

ManagedObjectContext::ObserverId ManagedObjectContext::observeChanges(
    QObject *owner, std::function<void(const ChangeNotification &)> handler)
{
    if (nextObserverId_ % 256 == 0)
        pruneObservers();
    const ObserverId observerId = nextObserverId_++;
    changesObservers_.push_back({observerId, owner, owner != nullptr, std::move(handler)});
    return observerId;
}

void ManagedObjectContext::removeObserver(ObserverId id)
{
    const auto row = observedRow_.find(id);
    if (row != observedRow_.end()) {
        auto found = objectObservers_.find(*row);
        if (found != objectObservers_.end()) {
            std::erase_if(*found, [id](const ObjectObserver &o) { return o.id == id; });
            if (found->empty())
                objectObservers_.erase(found);
        }
        observedRow_.erase(row);
        return;
    }
    std::erase_if(changesObservers_, [id](const ChangesObserver &o) { return o.id == id; });
}
