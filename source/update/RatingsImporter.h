#pragma once

#include "platform/DispatchGroup.h"
#include "platform/store/StoreTypes.h"
#include "update/Importer.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

// Brings the rating summaries of products up to date: one lookup of all the
// products per selected country (in requests of 50), each answer merged on
// a private context into one Rating per product and country; newer
// releases move a product's current version forward.
class RatingsImporter : public Importer {
    Q_OBJECT

public:
    using ImportCompletion = std::function<void(qint64 newRatings, const Error &error)>;
    // Identifier → object id of the main-context product; only plain values
    // reach the merge's thread.
    using ProductsByIdentifier = QHash<QString, ObjectID>;

    RatingsImporter(
        UpdateServices &services, UpdateHost *host = nullptr, QObject *parent = nullptr);

    void loadRatingsForProducts(
        const QList<std::shared_ptr<Product>> &products, Completion completion);
    void loadRatingsForProducts(const QList<std::shared_ptr<Product>> &products,
        const QList<std::shared_ptr<Country>> &countries, Completion completion);
    // Runs on the private context's thread; `completion` (may be empty) on
    // the main thread.
    void importRatingsFromDictionaries(const QList<QJsonObject> &records,
        const ProductsByIdentifier &products, const QString &countryCode,
        ImportCompletion completion = {});

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
};
