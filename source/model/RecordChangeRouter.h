#pragma once

#include <QHash>

#include <memory>
#include <mutex>

class ManagedObjectContext;
class Product;
class Review;
struct ChangeNotification;

// Hands a context's change announcements to the loaded records they
// concern. One walk over the changed records per announcement finds the
// products whose unread count or rating totals and the reviews whose display
// text must be recomputed; each is recomputed once, whatever the number of
// changed records. Used on the context's own thread.
class RecordChangeRouter {
public:
    explicit RecordChangeRouter(ManagedObjectContext *context);

    // The router of a context, created with its observation on first use.
    static std::shared_ptr<RecordChangeRouter> forContext(ManagedObjectContext *context);

    void addProduct(Product *product);
    void removeProduct(Product *product);
    void addReview(Review *review);
    void removeReview(Review *review);

    // How many recomputations the last announcement caused (for tests and
    // the benchmark).
    int lastUnreadRecounts() const { return lastUnreadRecounts_; }

private:
    void route(const ChangeNotification &notification);

    ManagedObjectContext *context_;
    QHash<qint64, Product *> products_;
    QHash<qint64, Review *> reviews_;
    int lastUnreadRecounts_ = 0;
};
