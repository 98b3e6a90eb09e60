#pragma once

#include "model/App.h"
#include "model/DataModel.h"
#include "model/Review.h"
#include "model/ReviewContent.h"
#include "platform/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QTemporaryDir>

#include <mutex>

// A main context over a fresh store file with the application's model.
struct StoreFixture {
    QTemporaryDir dir;
    std::shared_ptr<PersistentStoreCoordinator> coordinator;
    std::unique_ptr<ManagedObjectContext> context;

    StoreFixture()
    {
        coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
        Error error;
        if (!coordinator->addSQLiteStore(dir.filePath(QStringLiteral("test.db")), &error))
            qFatal("store: %s", qPrintable(error.debugDescription()));
        context = std::make_unique<ManagedObjectContext>(coordinator);
    }
    ~StoreFixture() { context->drainChildren(); }

    std::shared_ptr<App> app(const QString &identifier)
    {
        auto app = context->insertNewObject<App>(QStringLiteral("App"));
        app->setValue(QStringLiteral("identifier"), identifier);
        return app;
    }

    static std::shared_ptr<Review> review(ManagedObjectContext &context,
        const std::shared_ptr<Product> &product, const QString &identifier, const QString &country,
        std::optional<double> rating = 4.0)
    {
        auto review = context.insertNewObject<Review>(QStringLiteral("Review"));
        review->setProduct(product);
        review->setValue(QStringLiteral("identifier"), identifier);
        review->setValue(QStringLiteral("countryCode"), country);
        review->setValue(QStringLiteral("rating"), ManagedObject::optionalValue(rating));
        auto content = context.insertNewObject(QStringLiteral("ReviewContent"));
        content->setObject(QStringLiteral("review"), review);
        content->setValue(QStringLiteral("title"), QString(QStringLiteral("Title ") + identifier));
        return review;
    }

    qint64 count(const QString &entity, const Predicate &predicate = {})
    {
        FetchRequest request(entity);
        request.predicate = predicate;
        return context->countForFetchRequest(request);
    }
};

// Collects log lines from any thread.
struct LogCapture {
    std::mutex mutex;
    QStringList lines;
    LogCapture()
    {
        setLogSink([this](const QString &line) {
            std::lock_guard lock(mutex);
            lines << line;
        });
    }
    ~LogCapture() { setLogSink({}); }
    QStringList matching(const QString &part)
    {
        std::lock_guard lock(mutex);
        return lines.filter(part);
    }
};
