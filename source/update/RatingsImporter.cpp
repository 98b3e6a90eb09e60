#include "RatingsImporter.h"

#include "Clock.h"
#include "Country.h"
#include "Dispatch.h"
#include "Downloader.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "Product.h"
#include "RequestQueue.h"
#include "ReviewImporter.h"
#include "SelectedRegions.h"
#include "StoreQueries.h"
#include "StringFormat.h"
#include "UpdateHost.h"
#include "UpdateServices.h"
#include "UserDefaults.h"

#include <QPointer>

namespace {

constexpr qint64 kRateLimited = 403;
constexpr qint64 kServiceUnavailable = 503;
constexpr qint64 kCannotConnectToHost = -1004;
constexpr qint64 kCancelled = -999;

} // namespace

RatingsImporter::RatingsImporter(UpdateServices &services, UpdateHost *host, QObject *parent)
    : QObject(parent), services_(services), host_(host)
{
}

RatingsImporter::~RatingsImporter()
{
    drainMerges();
}

void RatingsImporter::drainMerges()
{
    if (privateContext_)
        privateContext_->performAndWait([] {});
}

UserDefaults &RatingsImporter::defaults() const
{
    return defaults_ ? *defaults_ : UserDefaults::standard();
}

RequestQueue &RatingsImporter::requestQueue()
{
    if (!requestQueue_) {
        requestQueue_ = std::make_unique<RequestQueue>(this);
        requestQueue_->setAllowDuplicateRequests(false);
        requestQueue_->setMaxConcurrentRequestCount(1);
        requestQueue_->setRequestsPerSecond(6);
    }
    return *requestQueue_;
}

ManagedObjectContext *RatingsImporter::managedObjectContext() const
{
    return services_.managedObjectContext();
}

ManagedObjectContext *RatingsImporter::privateManagedObjectContext()
{
    if (!privateContext_) {
        if (ManagedObjectContext *main = managedObjectContext())
            privateContext_ = main->newPrivateContext();
    }
    return privateContext_.get();
}

void RatingsImporter::updateProgress(const QString &text)
{
    if (!host_)
        return;
    dispatchMain(this, [this, text] { host_->updateProgress(text); });
}

void RatingsImporter::cancelLoadAction()
{
    requestQueue().cancelAllRequests();
}

void RatingsImporter::deliver(Completion completion, const Error &error)
{
    if (!completion)
        return;
    dispatchMain(this, [completion = std::move(completion), error] { completion(error); });
}

void RatingsImporter::loadRatingsForProducts(
    const QList<std::shared_ptr<Product>> &products, Completion completion)
{
    const QStringList regions = SelectedRegions::fromDefaults(defaults());
    if (regions.isEmpty()) {
        SelectedRegions::logNoneSelected();
        deliver(std::move(completion), {});
        return;
    }
    const auto countries =
        StoreQueries::countriesOrderedByPriorityForRegions(managedObjectContext(), regions);
    if (!countries || countries->isEmpty()) {
        deliver(std::move(completion), {});
        return;
    }
    loadRatingsForProducts(products, *countries, std::move(completion));
}

void RatingsImporter::loadRatingsForProducts(const QList<std::shared_ptr<Product>> &products,
    const QList<std::shared_ptr<Country>> &countries, Completion completion)
{
    if (requestQueue().requestCount() != 0) {
        deliver(std::move(completion), {});
        return;
    }
    auto load = std::make_shared<Load>();
    load->completion = std::move(completion);
    QStringList identifiers;
    for (const auto &product : products) {
        if (!product || !ReviewImporter::isLive(*product))
            continue;
        load->products << product;
        const QString identifier = product->identifier();
        if (identifier.isEmpty() || load->byIdentifier.contains(identifier))
            continue;
        load->byIdentifier.insert(identifier, product->objectID());
        identifiers << identifier;
    }
    updateProgress(localized("RatingsImporter", "Loading Ratings…"));

    QPointer<RatingsImporter> self(this);
    if (!identifiers.isEmpty()) {
        for (const auto &country : countries) {
            load->group.enter();
            Downloader::sharedInstance().lookupByIds(identifiers, country->isoCode(),
                &requestQueue(),
                [self, load, country](
                    const Downloader::ProductRecords &records, const Error &error) {
                    if (self)
                        self->handleAnswer(load, country, records, error);
                    load->group.leave();
                });
        }
    }
    load->group.notify([self, load] {
        if (self)
            self->finishLoad(load);
    });
}

void RatingsImporter::handleAnswer(const std::shared_ptr<Load> &load,
    const std::shared_ptr<Country> &country, const QList<QJsonObject> &records, const Error &error)
{
    if (error.isError()) {
        switch (error.code()) {
        case kRateLimited:
            logLine(formatString(QStringLiteral("Rate limit exceeded (%@) - (%ld)"),
                country->localizedName(), qint64(requestQueue().requestCount())));
            requestQueue().cancelAllRequests();
            break;
        case kServiceUnavailable:
            logLine(
                formatString(QStringLiteral("Service unavailable (%@)"), country->localizedName()));
            break;
        case kCannotConnectToHost:
            requestQueue().cancelAllRequests();
            load->lastError = error;
            break;
        case kCancelled:
            break;
        default:
            logLine(formatString(QStringLiteral("%@"), error.debugDescription()));
            load->lastError = error;
            break;
        }
        return;
    }
    updateProgress(formatString(
        localized("RatingsImporter", "Updating Ratings: %@"), country->localizedName()));
    if (!records.isEmpty())
        importRatingsFromDictionaries(records, load->byIdentifier, country->isoCode());
}

void RatingsImporter::finishLoad(const std::shared_ptr<Load> &load)
{
    // Also for the products whose lookup failed: the next try comes with the
    // next update, not at once.
    const QDateTime now = Clock::shared().now();
    for (const auto &product : std::as_const(load->products)) {
        if (ReviewImporter::isLive(*product))
            product->setValue(QStringLiteral("lastRatingsUpdate"), now);
    }
    services_.saveAction();
    deliver(load->completion, load->lastError);
}
