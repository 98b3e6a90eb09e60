#pragma once

#include "support/StoreFixture.h"

#include "model/Country.h"
#include "model/Product.h"
#include "model/Rating.h"
#include "net/Downloader.h"
#include "platform/ManualClock.h"
#include "platform/UserDefaults.h"
#include "support/FeedServer.h"
#include "support/WaitFor.h"
#include "update/UpdateHost.h"
#include "update/UpdateServices.h"

#include <QCoreApplication>
#include <QTest>

// The application around the engine, recorded.
struct RecordingServices : UpdateServices {
    ManagedObjectContext *context = nullptr;
    int activities = 0;
    QStringList notifications;
    // Of each notification, the products it would show when clicked.
    QList<QVariantList> notifiedProducts;

    ManagedObjectContext *managedObjectContext() override { return context; }
    void saveAction() override
    {
        Error error;
        if (context->hasChanges() && !context->save(&error))
            qWarning("save: %s", qPrintable(error.debugDescription()));
    }
    void notifyWithTitle(const QString &title, const QString &description, const QString &,
        const QVariantMap &userInfo) override
    {
        notifications << title + QLatin1String(": ") + description;
        notifiedProducts << userInfo.value(QStringLiteral("productIDs")).toList();
    }
    void beginActivity() override { ++activities; }
    void endActivity() override { --activities; }
};

struct RecordingHost : UpdateHost {
    int shown = 0;
    int hidden = 0;
    QList<Error> errors;
    int alerts = 0;
    std::shared_ptr<Product> selection;

    void showProgressView() override { ++shown; }
    void hideProgressView() override { ++hidden; }
    std::shared_ptr<Product> selectedProduct() const override { return selection; }
    void presentError(const Error &error) override { errors << error; }
    void showRateLimitAlert(
        const QString &, const QString &, std::function<void(bool)> completion) override
    {
        ++alerts;
        completion(false);
    }
};

// A store with three countries in the region "Test" (US, DE, JP by
// priority) and one elsewhere, preferences pointing at a local feed server
// and selecting "Test".
struct UpdateFixture {
    StoreFixture store;
    FeedServer server;
    RecordingServices services;
    RecordingHost host;

    UpdateFixture()
    {
        services.context = store.context.get();
        const struct {
            const char *code;
            int priority;
            const char *region;
        } countries[] = {
            {"US", 10, "Test"}, {"DE", 5, "Test"}, {"JP", 3, "Test"}, {"FR", 9, "Other"}};
        for (const auto &country : countries)
            store.context->insertNewObject(QStringLiteral("Country"),
                {{QStringLiteral("isoCode"), QString::fromLatin1(country.code)},
                    {QStringLiteral("priority"), country.priority},
                    {QStringLiteral("region"), QString::fromLatin1(country.region)}});
        store.context->save();
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString(server.rootURL(), Downloader::storeRootURLKey);
        defaults.setObject(
            QVariantMap {{QStringLiteral("Test"), true}, {QStringLiteral("Other"), false}},
            QStringLiteral("SelectedRegions"));
    }

    std::shared_ptr<App> app(const QString &identifier)
    {
        auto app = store.app(identifier);
        app->setValue(QStringLiteral("title"), QString(QStringLiteral("App ") + identifier));
        store.context->save();
        return app;
    }

    void addRating(const std::shared_ptr<Product> &product, const QString &country, qint64 count)
    {
        auto rating = store.context->insertNewObject(QStringLiteral("Rating"));
        rating->setObject(QStringLiteral("product"), product);
        rating->setValue(QStringLiteral("countryCode"), country);
        rating->setValue(QStringLiteral("ratingCount"), count);
        store.context->save();
    }

    // Reviews of a product stored in the main context, by identifier.
    QHash<QString, std::shared_ptr<Review>> storedReviews(const std::shared_ptr<Product> &product)
    {
        QHash<QString, std::shared_ptr<Review>> byIdentifier;
        for (const auto &review : product->reviews())
            byIdentifier.insert(
                review->countryCode() + QLatin1Char('/') + review->identifier(), review);
        return byIdentifier;
    }
};

// Starts an importer's work with `start(done)` and serves the event loop
// until `done` (with the work's error, if any) was called; then drains the
// merges still running and waits a moment for a second, late call. Returns
// how often `done` was called, with the error of its last call in `error`.
template<typename Importer, typename Start>
int awaitDone(Importer &importer, Start start, Error *error = nullptr)
{
    const auto calls = std::make_shared<std::pair<int, Error>>();
    start([calls](const Error &e = {}) { *calls = {calls->first + 1, e}; });
    waitFor([&] { return calls->first > 0; }, nullptr, 30000);
    importer.drainMerges();
    QTest::qWait(50);
    if (error)
        *error = calls->second;
    return calls->first;
}
