#pragma once

#include "platform/store/ManagedObject.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class Group;
class ManagedObjectContext;
class Product;
class RequestQueue;

// Products enter and leave the store here: store results become App, Book
// or Podcast records under the group of their kind, and deleted products
// take the groups they leave empty with them. The sidebar and the
// command-line companion both use it; the view adds what only it has (rows,
// expansion, the confirmation question) through OutlineHooks.
//
// Main thread only. The context must outlive the catalogue; artwork still
// loading when the catalogue goes away is dropped.
class ProductCatalog : public QObject {
    Q_OBJECT

public:
    using SaveHandler = std::function<void()>;
    using Products = QList<std::shared_ptr<Product>>;

    // What a sidebar adds to an addition; every member may be empty.
    struct OutlineHooks {
        // The group's row is about to receive products: expand it.
        std::function<void(const std::shared_ptr<Group> &group)> expandGroup;
        // The outline row of the group's last shown child, or -1.
        std::function<qint64(const std::shared_ptr<Group> &group)> rowOfLastChild;
    };

    // `save` is the application's save (the delegate's saveAction); without
    // one the context is saved here and a failure logged.
    explicit ProductCatalog(
        ManagedObjectContext &context, SaveHandler save = {}, QObject *parent = nullptr);
    ~ProductCatalog() override;

    void setOutlineHooks(OutlineHooks hooks) { hooks_ = std::move(hooks); }

    // "App", "Book" or "Podcast" for a store kind ("software",
    // "mac-software", "ebook", "podcast", …); a null text for any other.
    static QString entityNameForKindString(const QString &kind);
    // The track id of a store result as text; nullopt (logged as "Invalid
    // trackId") when it is missing or neither a whole number nor a text.
    static std::optional<QString> trackIdForResult(const QVariantMap &result);
    // Store results as they travel in a notification: a list of maps or of
    // JSON objects, or a JSON array.
    static QList<QVariantMap> resultsFromVariant(const QVariant &results);
    static QVariantList resultsToVariant(const QList<QJsonObject> &results);

    // The group for a product entity ("App" → the AppGroup), created last
    // among the groups and saved when there is none yet. Null for an
    // unknown entity or a store error.
    std::shared_ptr<Group> groupForEntityNamed(const QString &entityName);

    // Creates a product for every result whose track id is neither stored
    // nor earlier in the list, saves, posts "kNewProductsAddedNotification"
    // with "products" (a list of ManagedObjectPtr) and starts loading the
    // artwork. Results of an unknown kind are skipped. Returns the new
    // products; when no result is left after the id check nothing is
    // created, saved or posted.
    Products addProductsForResults(const QList<QVariantMap> &results);
    // The outline row of the last product added by the latest addition.
    qint64 lastAddedRow() const { return lastAddedRow_; }

    // Deletes the editable ones among `objects` (the caller has asked for
    // confirmation), then every group left without products, and saves.
    // Logs "No objects to delete found!" for an empty list. Returns how many
    // of `objects` were deleted.
    int deleteObjects(const QList<ManagedObjectPtr> &objects);

    // Loads the product's "artworkUrl100" (http or https only) into its
    // image, unless the product is deleted before the image arrives.
    void loadArtworkForProduct(const std::shared_ptr<Product> &product);
    RequestQueue &artworkQueue() { return *artworkQueue_; }

private:
    qint64 nextSortIndexInGroup(const std::shared_ptr<Group> &group) const;
    QSet<QString> storedIdentifiers(const QStringList &identifiers) const;
    void save();

    ManagedObjectContext &context_;
    SaveHandler save_;
    OutlineHooks hooks_;
    RequestQueue *artworkQueue_;
    qint64 lastAddedRow_ = -1;
};
