#include "update/AppStoreConnectImporter.h"

#include "model/App.h"
#include "net/AppStoreConnectAccount.h"
#include "net/AppStoreConnectClient.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/UpdateHost.h"
#include "update/UpdateServices.h"

#include <QPointer>

#include <algorithm>

struct AppStoreConnectImporter::Load {
    Completion completion;
    std::shared_ptr<AppStoreConnectClient> client;
    QList<std::shared_ptr<Product>> apps;
    qsizetype next = 0;
    QSet<QString> visible;
    Error error;
    ReviewCounts counts;
    QList<std::shared_ptr<Product>> changed;
};

namespace {

// Identifiers of the app's reviews that App Store Connect gave before.
QSet<QString> storedConnectIdentifiers(ManagedObjectContext &context, const Product &product)
{
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = Predicate::format(
        QStringLiteral("product == %@ AND connectIdentifier != nil"), product.objectID());
    request.propertiesToFetch = {QStringLiteral("connectIdentifier")};
    QSet<QString> identifiers;
    for (const QVariantMap &row : context.executeDictionaryFetch(request))
        identifiers.insert(row.value(QStringLiteral("connectIdentifier")).toString());
    return identifiers;
}

bool reachesStored(const QList<AppStoreConnectReview> &page, const QSet<QString> &stored)
{
    return std::any_of(page.begin(), page.end(),
        [&](const AppStoreConnectReview &review) { return stored.contains(review.identifier); });
}

} // namespace

AppStoreConnectImporter::AppStoreConnectImporter(
    UpdateServices &services, UpdateHost *host, QObject *parent)
    : Importer(services, host, 0, parent)
{
}

AppStoreConnectImporter::~AppStoreConnectImporter() = default;

void AppStoreConnectImporter::loadReviewsForProducts(
    const QList<std::shared_ptr<Product>> &products, Completion completion)
{
    auto load = std::make_shared<Load>();
    load->completion = std::move(completion);
    for (const auto &product : products)
        if (std::dynamic_pointer_cast<App>(product) && isLive(*product)
            && !product->identifier().isEmpty() && !load->apps.contains(product))
            load->apps << product;
    waitingApps_ = 0;
    if (load->apps.isEmpty()) {
        deliver(std::move(load->completion), {});
        return;
    }
    QPointer<AppStoreConnectImporter> self(this);
    AppStoreConnectAccount::loadKey([self, load](const std::optional<AppStoreConnectKey> &key,
                                        const Error &error) {
        if (!self)
            return;
        if (!key) {
            // No key is no App Store Connect; a key that cannot be read is said.
            self->deliver(std::move(load->completion), error);
            return;
        }
        load->client = self->client_
            ? self->client_
            : std::make_shared<AppStoreConnectClient>(&self->requestQueue());
        load->client->setKey(*key);
        self->updateProgress(localized("AppStoreConnect", "Loading App Store Connect Reviews…"));
        load->client->apps([self, load](const QList<AppStoreConnectApp> &apps, const Error &error) {
            if (!self)
                return;
            if (error) {
                load->error = error;
                self->finish(load);
                return;
            }
            for (const AppStoreConnectApp &app : apps)
                load->visible.insert(app.identifier);
            self->loadNext(load);
        });
    });
}

void AppStoreConnectImporter::loadNext(const std::shared_ptr<Load> &load)
{
    while (load->next < load->apps.size()) {
        const auto product = load->apps.at(load->next);
        if (!load->visible.contains(product->identifier()) || !isLive(*product)) {
            ++load->next;
            continue;
        }
        if (load->client->budgetSpent()) {
            stopForBudget(load, load->next);
            return;
        }
        ++load->next;
        readApp(load, product);
        return;
    }
    finish(load);
}

void AppStoreConnectImporter::readApp(
    const std::shared_ptr<Load> &load, const std::shared_ptr<Product> &product)
{
    ManagedObjectContext *context = managedObjectContext();
    const QSet<QString> stored =
        context ? storedConnectIdentifiers(*context, *product) : QSet<QString>();
    if (stored.isEmpty()) {
        QPointer<AppStoreConnectImporter> self(this);
        placeInVersions(load, product, std::nullopt,
            [self, load, product](const QHash<QString, QString> &versionOf) {
                if (self)
                    self->readHistory(load, product, versionOf);
            });
        return;
    }
    QPointer<AppStoreConnectImporter> self(this);
    load->client->reviews(
        product->identifier(),
        [stored](const QList<AppStoreConnectReview> &page) { return !reachesStored(page, stored); },
        [self, load, product](const QList<AppStoreConnectReview> &reviews, const Error &error) {
            if (!self || self->stopsApp(load, error))
                return;
            QSet<QString> fresh;
            for (const AppStoreConnectReview &review : reviews)
                fresh.insert(review.identifier);
            self->placeInVersions(load, product, fresh,
                [self, load, product, reviews](const QHash<QString, QString> &versionOf) {
                    if (!self)
                        return;
                    self->importReviews(reviews, versionOf, product, false,
                        [self, load, product](const ReviewCounts &counts, const Error &error) {
                            if (!self)
                                return;
                            self->noteMerge(load, product, counts, error);
                            self->loadNext(load);
                        });
                });
        });
}

void AppStoreConnectImporter::readHistory(const std::shared_ptr<Load> &load,
    const std::shared_ptr<Product> &product, const QHash<QString, QString> &versionOf)
{
    // Pages in the merge, and how the read ended once it has.
    struct Pipe {
        int merging = 0;
        std::optional<Error> readEnd;
    };
    auto pipe = std::make_shared<Pipe>();
    QPointer<AppStoreConnectImporter> self(this);
    const auto endIfDone = [self, load, pipe] {
        if (self && pipe->readEnd && pipe->merging == 0 && !self->stopsApp(load, *pipe->readEnd))
            self->loadNext(load);
    };
    load->client->reviews(
        product->identifier(),
        [self, load, product, versionOf, pipe, endIfDone](
            const QList<AppStoreConnectReview> &page) {
            if (!self)
                return false;
            ++pipe->merging;
            self->importReviews(page, versionOf, product, true,
                [self, load, product, pipe, endIfDone](
                    const ReviewCounts &counts, const Error &error) {
                    --pipe->merging;
                    if (self)
                        self->noteMerge(load, product, counts, error);
                    endIfDone();
                });
            return true;
        },
        [pipe, endIfDone](const QList<AppStoreConnectReview> &, const Error &error) {
            pipe->readEnd = error;
            endIfDone();
        },
        AppStoreConnectClient::Order::OldestFirst);
}

bool AppStoreConnectImporter::stopsApp(const std::shared_ptr<Load> &load, const Error &error)
{
    if (!error)
        return false;
    if (error.code() == AppStoreConnectClient::NotFound)
        loadNext(load); // not the key's app after all
    else if (error.code() == AppStoreConnectClient::RateLimited)
        stopForBudget(load, load->next - 1); // this app waits too
    else {
        load->error = error;
        finish(load);
    }
    return true;
}

void AppStoreConnectImporter::noteMerge(const std::shared_ptr<Load> &load,
    const std::shared_ptr<Product> &product, const ReviewCounts &counts, const Error &error)
{
    if (error && !load->error)
        load->error = error;
    load->counts += counts;
    if (!counts.isEmpty() && !load->changed.contains(product))
        load->changed << product;
}

void AppStoreConnectImporter::placeInVersions(const std::shared_ptr<Load> &load,
    const std::shared_ptr<Product> &product, const std::optional<QSet<QString>> &fresh,
    std::function<void(const QHash<QString, QString> &)> then)
{
    QPointer<AppStoreConnectImporter> self(this);
    load->client->versions(product->identifier(),
        [self, load, fresh, then](QList<AppStoreConnectVersion> versions, const Error &error) {
            if (!self)
                return;
            if (error)
                logLine(formatString(QStringLiteral("App Store Connect: versions not read: %@"),
                    error.debugDescription()));
            std::stable_sort(versions.begin(), versions.end(),
                [](const auto &a, const auto &b) { return a.created > b.created; });
            // A routine load places only what it just read, from the current
            // version's newest pages.
            if (fresh && !versions.isEmpty())
                versions = versions.mid(0, 1);
            auto versionOf = std::make_shared<QHash<QString, QString>>();
            auto walk = std::make_shared<std::function<void(qsizetype)>>();
            *walk = [self, load, versionOf, then, fresh, versions, walk](qsizetype i) {
                if (!self || i >= versions.size()) {
                    // Resetting `walk` ends the cycle through its own capture,
                    // and with it this lambda's captures: keep what is needed.
                    const auto done = then;
                    const QPointer<AppStoreConnectImporter> alive = self;
                    const QHash<QString, QString> placed = *versionOf;
                    *walk = nullptr;
                    if (alive)
                        done(placed);
                    return;
                }
                const QString version = versions.at(i).versionString;
                load->client->versionReviews(
                    versions.at(i).identifier,
                    // Past a page holding an older review, no new one is left.
                    [fresh](const QList<AppStoreConnectReview> &page) {
                        return !fresh || std::all_of(page.begin(), page.end(), [&](const auto &r) {
                            return fresh->contains(r.identifier);
                        });
                    },
                    [versionOf, version, walk, i](
                        const QList<AppStoreConnectReview> &placed, const Error &) {
                        for (const AppStoreConnectReview &review : placed)
                            versionOf->insert(review.identifier, version);
                        if (*walk)
                            (*walk)(i + 1);
                    });
            };
            (*walk)(0);
        });
}

void AppStoreConnectImporter::stopForBudget(const std::shared_ptr<Load> &load, qsizetype from)
{
    for (qsizetype i = from; i < load->apps.size(); ++i)
        waitingApps_ += load->visible.contains(load->apps.at(i)->identifier()) ? 1 : 0;
    finish(load);
}

void AppStoreConnectImporter::finish(const std::shared_ptr<Load> &load)
{
    services_.saveAction();
    reviewsTotal_ += load->counts;
    if (!load->counts.isEmpty())
        announceReviews(ReviewImporter::announcement(load->counts), load->changed);
    if (waitingApps_ > 0) {
        const QString text = waitingApps_ == 1
            ? localized("AppStoreConnect",
                "App Store Connect's hourly request limit is reached: one app waits for the next "
                "update.")
            : formatString(localized("AppStoreConnect",
                               "App Store Connect's hourly request limit is reached: %ld apps wait "
                               "for the next update."),
                qint64(waitingApps_));
        logLine(text);
        updateProgress(text);
    }
    if (load->error)
        logLine(
            formatString(QStringLiteral("App Store Connect: %@"), load->error.debugDescription()));
    deliver(std::move(load->completion), load->error);
}
