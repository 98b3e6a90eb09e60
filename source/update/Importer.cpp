#include "update/Importer.h"

#include "model/Country.h"
#include "model/Product.h"
#include "model/StoreQueries.h"
#include "net/RequestQueue.h"
#include "platform/AppPaths.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/SelectedRegions.h"
#include "update/UpdateHost.h"
#include "update/UpdateServices.h"

Importer::Importer(
    UpdateServices &services, UpdateHost *host, quint64 requestsPerSecond, QObject *parent)
    : QObject(parent), services_(services), host_(host), requestsPerSecond_(requestsPerSecond)
{
}

Importer::~Importer()
{
    drainMerges();
}

bool Importer::isLive(const Product &product)
{
    return product.managedObjectContext() && !product.isDeleted() && !product.uuid().isEmpty();
}

RequestQueue &Importer::requestQueue()
{
    if (!requestQueue_) {
        // The store's services are rate-limited: one request at a time, paced.
        requestQueue_ = std::make_unique<RequestQueue>(this);
        requestQueue_->setAllowDuplicateRequests(false);
        requestQueue_->setMaxConcurrentRequestCount(1);
        requestQueue_->setRequestsPerSecond(requestsPerSecond_);
    }
    return *requestQueue_;
}

ManagedObjectContext *Importer::managedObjectContext() const
{
    return services_.managedObjectContext();
}

ManagedObjectContext *Importer::privateManagedObjectContext()
{
    if (!privateContext_) {
        if (ManagedObjectContext *main = managedObjectContext())
            privateContext_ = main->newPrivateContext();
    }
    return privateContext_.get();
}

void Importer::drainMerges()
{
    if (privateContext_)
        privateContext_->performAndWait([] {});
}

void Importer::updateProgress(const QString &text)
{
    if (host_)
        dispatchMain(this, [this, text] { host_->updateProgress(text); });
}

void Importer::cancelLoadAction()
{
    requestQueue().cancelAllRequests();
}

void Importer::deliver(Completion completion, const Error &error)
{
    if (completion)
        dispatchMain(this, [completion = std::move(completion), error] { completion(error); });
}

bool Importer::handleFailedAnswer(const Error &error, const Country &country, Error &lastError)
{
    switch (error.code()) {
    case rateLimitedCode:
        requestQueue().cancelAllRequests();
        return true;
    case serviceUnavailableCode:
        logLine(formatString(QStringLiteral("Service unavailable (%@)"), country.localizedName()));
        break;
    case cannotConnectToHostCode:
        requestQueue().cancelAllRequests();
        lastError = error;
        break;
    case cancelledCode:
        break;
    default:
        logLine(formatString(QStringLiteral("%@"), error.debugDescription()));
        lastError = error;
        break;
    }
    return false;
}

bool Importer::saveMerge(ManagedObjectContext &context, Error *error)
{
    if (context.save(error))
        return true;
    logLine(formatString(QStringLiteral("Error saving context:\n%@"), error->debugDescription()));
    return false;
}

void Importer::saveMainContextLater()
{
    dispatchMain(this, [this] {
        ManagedObjectContext *main = managedObjectContext();
        Error error;
        if (main && main->hasChanges())
            saveMerge(*main, &error);
    });
}

UserDefaults &Importer::defaults() const
{
    return defaults_ ? *defaults_ : UserDefaults::standard();
}

std::optional<QList<std::shared_ptr<Country>>> Importer::selectedCountries(bool logNoCountries)
{
    const QStringList regions = SelectedRegions::fromDefaults(defaults());
    if (regions.isEmpty()) {
        SelectedRegions::logNoneSelected();
        return std::nullopt;
    }
    auto countries =
        StoreQueries::countriesOrderedByPriorityForRegions(managedObjectContext(), regions);
    if (!countries || countries->isEmpty()) {
        if (logNoCountries)
            logLine(QStringLiteral("No countries found!"));
        return std::nullopt;
    }
    return countries;
}

void Importer::announceReviews(
    const QString &announcement, const QList<std::shared_ptr<Product>> &products)
{
    if (host_)
        host_->mainOutlineViewSelectionDidChange();
    QVariantList productIDs;
    for (const auto &product : products) {
        if (!product || !isLive(*product))
            continue;
        product->updateReviewsGroupedByStarsForProduct();
        productIDs << QVariant::fromValue(product->objectID());
    }
    services_.notifyWithTitle(AppPaths::applicationName(), announcement, {},
        {{QStringLiteral("productIDs"), productIDs}});
}
