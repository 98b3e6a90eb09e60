#include "update/RatingsImporter.h"

#include "model/Country.h"
#include "model/Product.h"
#include "net/Downloader.h"
#include "net/RequestQueue.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/UpdateHost.h"
#include "update/UpdateServices.h"

#include <QPointer>

RatingsImporter::RatingsImporter(UpdateServices &services, UpdateHost *host, QObject *parent)
    : Importer(services, host, 6, parent)
{
}

void RatingsImporter::loadRatingsForProducts(
    const QList<std::shared_ptr<Product>> &products, Completion completion)
{
    const auto countries = selectedCountries(false);
    if (!countries) {
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
        if (!product || !isLive(*product))
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
        // The lookup's limit is only logged: the reviews are loaded all the same.
        if (error.code() == rateLimitedCode)
            logLine(formatString(QStringLiteral("Rate limit exceeded (%@) - (%ld)"),
                country->localizedName(), qint64(requestQueue().requestCount())));
        handleFailedAnswer(error, *country, load->lastError);
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
        if (isLive(*product))
            product->setLastRatingsUpdate(now);
    }
    services_.saveAction();
    deliver(load->completion, load->lastError);
}
