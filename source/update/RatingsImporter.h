#pragma once

#include "DispatchGroup.h"
#include "Error.h"
#include "StoreTypes.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class Country;
class ManagedObjectContext;
class Product;
class RequestQueue;
class UpdateHost;
class UpdateServices;
class UserDefaults;

// Brings the rating summaries of products up to date: one lookup of all the
// products per selected country (in requests of 50), each answer merged on
// a private context into one Rating per product and country; newer
// releases move a product's current version forward.
class RatingsImporter : public QObject {
    Q_OBJECT

public:
    using Completion = std::function<void(const Error &error)>;
    using ImportCompletion = std::function<void(qint64 newRatings, const Error &error)>;
    // Identifier → object id of the main-context product; only plain values
    // reach the merge's thread.
    using ProductsByIdentifier = QHash<QString, ObjectID>;

    RatingsImporter(
        UpdateServices &services, UpdateHost *host = nullptr, QObject *parent = nullptr);
    ~RatingsImporter() override;

    void loadRatingsForProducts(
        const QList<std::shared_ptr<Product>> &products, Completion completion);
    void loadRatingsForProducts(const QList<std::shared_ptr<Product>> &products,
        const QList<std::shared_ptr<Country>> &countries, Completion completion);
    // Runs on the private context's thread; `completion` (may be empty) on
    // the main thread.
    void importRatingsFromDictionaries(const QList<QJsonObject> &records,
        const ProductsByIdentifier &products, const QString &countryCode,
        ImportCompletion completion = {});

    void updateProgress(const QString &text);
    void cancelLoadAction();

    RequestQueue &requestQueue();
    ManagedObjectContext *privateManagedObjectContext();
    ManagedObjectContext *managedObjectContext() const;

    // Waits for every merge started so far: before quitting or exiting.
    void drainMerges();

    void setUserDefaults(UserDefaults *defaults) { defaults_ = defaults; }

private:
    struct Load {
        QList<std::shared_ptr<Product>> products;
        ProductsByIdentifier byIdentifier;
        Error lastError;
        Completion completion;
        DispatchGroup group;
    };

    void handleAnswer(const std::shared_ptr<Load> &load, const std::shared_ptr<Country> &country,
        const QList<QJsonObject> &records, const Error &error);
    void finishLoad(const std::shared_ptr<Load> &load);
    void deliver(Completion completion, const Error &error);
    UserDefaults &defaults() const;

    UpdateServices &services_;
    UpdateHost *host_ = nullptr;
    UserDefaults *defaults_ = nullptr;
    std::unique_ptr<RequestQueue> requestQueue_;
    std::unique_ptr<ManagedObjectContext> privateContext_;
};
