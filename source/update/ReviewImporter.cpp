#include "update/ReviewImporter.h"

#include "model/App.h"
#include "model/Country.h"
#include "model/Product.h"
#include "model/Rating.h"
#include "net/Downloader.h"
#include "net/RequestQueue.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/UpdateHost.h"
#include "update/UpdateServices.h"

#include <QPointer>
#include <QSet>

namespace {

constexpr int kFullPageCount = 10;

} // namespace

ReviewImporter::ReviewImporter(UpdateServices &services, UpdateHost *host, QObject *parent)
    // At most four feed pages a second: the feed is rate-limited.
    : Importer(services, host, 4, parent)
{
}

void ReviewImporter::safeDispatchImportCompletion(
    ImportCompletion completion, const ReviewCounts &counts, const Error &error)
{
    if (!completion)
        return;
    dispatchMain(
        [completion = std::move(completion), counts, error] { completion(counts, error); });
}

QString ReviewImporter::announcement(const ReviewCounts &counts)
{
    // The words "review" and "reviews" stay English in every language, as
    // the formats expect.
    const auto noun = [](qint64 count) {
        return count == 1 ? QStringLiteral("review") : QStringLiteral("reviews");
    };
    if (counts.edited == 0) {
        if (counts.added == 0)
            return {};
        return formatString(
            localized("ReviewImporter", "You have %ld new %@."), counts.added, noun(counts.added));
    }
    if (counts.added == 0)
        return formatString(localized("ReviewImporter", "You have %ld edited %@."), counts.edited,
            noun(counts.edited));
    return formatString(localized("ReviewImporter", "You have %ld new %@ and %ld edited %@."),
        counts.added, noun(counts.added), counts.edited, noun(counts.edited));
}

void ReviewImporter::loadReviewsForProducts(
    const QList<std::shared_ptr<Product>> &products, Completion completion)
{
    const auto countries = selectedCountries(true);
    if (!countries) {
        deliver(std::move(completion), {});
        return;
    }

    Plan plan;
    bool markedCurrent = false;
    for (const auto &product : products) {
        if (!product || !isLive(*product))
            continue;
        // A routine load of an app asks only the countries where it is rated.
        if (product->canHaveRatings() && product->numPagesForReviewsRequest() != kFullPageCount) {
            QSet<QString> rated;
            for (const auto &rating : product->ratings())
                rated.insert(rating->countryCode().toLower());
            QList<std::shared_ptr<Country>> filtered;
            for (const auto &country : *countries) {
                if (rated.contains(country->isoCode().toLower()))
                    filtered << country;
            }
            if (!filtered.isEmpty()) {
                plan << PlanEntry {product, filtered};
                continue;
            }
            product->setLastReviewsUpdate(Clock::shared().now());
            markedCurrent = true;
            continue;
        }
        plan << PlanEntry {product, *countries};
    }
    if (markedCurrent)
        services_.saveAction();
    if (plan.isEmpty()) {
        deliver(std::move(completion), {});
        return;
    }
    loadReviewsForProductsAndCountries(plan, QStringLiteral("xml"), std::move(completion));
}

void ReviewImporter::loadReviewsForProductsAndCountries(
    const Plan &plan, const QString &format, Completion completion)
{
    if (requestQueue().requestCount() != 0) {
        deliver(std::move(completion), {});
        return;
    }
    auto load = std::make_shared<Load>();
    load->format = format;
    load->plan = plan;
    load->completion = std::move(completion);
    updateProgress(localized("ReviewImporter", "Loading Reviews…"));

    QPointer<ReviewImporter> self(this);
    for (const PlanEntry &entry : plan) {
        if (!entry.product || entry.countries.isEmpty())
            continue;
        const auto &product = entry.product;
        // A routine load asks one page, and more only while the feed holds
        // reviews newer than the stored ones; a full load reads every page.
        const bool routine = product->numPagesForReviewsRequest() != kFullPageCount;
        load->products[product.get()].remainingCountries = int(entry.countries.size());
        for (const auto &country : entry.countries) {
            if (!isLive(*product))
                continue;
            load->group.enter();
            auto probe = std::make_shared<FeedProbe>();
            Downloader::sharedInstance().reviewsForId(
                product->identifier(), country->isoCode(), format, Downloader::maximumFeedPages,
                &requestQueue(),
                [self, load, product, country, probe](
                    const Downloader::FeedRecords &records, const Error &error) {
                    if (self)
                        self->handleAnswer(load, product, country, records, error, *probe);
                    load->group.leave();
                },
                [self, product, country, probe, routine](
                    quint64 page, const Downloader::FeedRecords &records) {
                    return self && isLive(*product)
                        && self->pageAnswered(
                            *probe, *product, country->isoCode(), routine, page, records);
                });
        }
    }
    load->group.notify([self, load] {
        if (self)
            self->finishLoad(load);
    });
}

void ReviewImporter::handleAnswer(const std::shared_ptr<Load> &load,
    const std::shared_ptr<Product> &product, const std::shared_ptr<Country> &country,
    const QList<QVariantMap> &records, const Error &error, const FeedProbe &probe)
{
    if (error.isError()) {
        if (handleFailedAnswer(error, *country, load->lastError))
            load->rateLimited = true;
        return;
    }
    if (!isLive(*product)) {
        requestQueue().cancelAllRequests();
        return;
    }
    if (probe.readPastStoredReviews())
        recordGap(product, country->isoCode(), probe);
    ProductState &state = load->products[product.get()];
    if (--state.remainingCountries == 0) {
        updateProgress(formatString(
            localized("ReviewImporter", "Updating Reviews: %@ done"), product->title()));
        state.allAnswered = true;
        load->finished << product;
    }
    updateProgress(formatString(localized("ReviewImporter", "Updating Reviews: %@ (%@)"),
        product->title(), country->localizedName()));
    if (!records.isEmpty()) {
        ++state.pendingMerges;
        load->group.enter();
        QPointer<ReviewImporter> self(this);
        importReviewsFromDictionaries(records, product, country->isoCode(),
            [self, load, product](const ReviewCounts &counts, const Error &mergeError) {
                if (self)
                    self->mergeEnded(load, product, counts, mergeError);
                load->group.leave();
            });
    }
    markUpdatedWhenMerged(load, product.get());
}

void ReviewImporter::mergeEnded(const std::shared_ptr<Load> &load,
    const std::shared_ptr<Product> &product, const ReviewCounts &counts, const Error &error)
{
    ProductState &state = load->products[product.get()];
    state.reviews += counts;
    --state.pendingMerges;
    if (error.isError()) {
        state.mergeFailed = true;
        // A product deleted meanwhile has nothing left to store into.
        if (!load->mergeError.isError() && isLive(*product))
            load->mergeError = error;
    }
    markUpdatedWhenMerged(load, product.get());
}

// A product counts as current only once every country answered and every
// merge of its answers reached the main context: marking it earlier would,
// after a crash in between, leave it current with reviews missing, and the
// next load would ask one page only.
void ReviewImporter::markUpdatedWhenMerged(
    const std::shared_ptr<Load> &load, const Product *product)
{
    const ProductState &state = load->products[product];
    if (!state.allAnswered || state.pendingMerges > 0 || state.mergeFailed)
        return;
    for (const auto &finished : std::as_const(load->finished)) {
        if (finished.get() == product && isLive(*finished))
            finished->setLastReviewsUpdate(Clock::shared().now());
    }
}

void ReviewImporter::finishLoad(const std::shared_ptr<Load> &load)
{
    services_.saveAction();
    ReviewCounts counts;
    for (const ProductState &state : std::as_const(load->products))
        counts += state.reviews;
    reviewsTotal_ += counts;
    if (!counts.isEmpty()) {
        QList<std::shared_ptr<Product>> changed;
        for (const PlanEntry &entry : std::as_const(load->plan))
            if (entry.product && !load->products.value(entry.product.get()).reviews.isEmpty())
                changed << entry.product;
        announceReviews(announcement(counts), changed);
    }
    const bool json = load->format.compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0;
    if (load->rateLimited && json)
        NotificationCenter::defaultCenter().post(kRateLimitExceededNotification, this);
    if (load->rateLimited && !json && load->finished.size() < load->plan.size()) {
        logLine(QStringLiteral("Proceeding to fallback..."));
        Plan rest;
        for (const PlanEntry &entry : std::as_const(load->plan)) {
            bool finished = false;
            for (const auto &product : std::as_const(load->finished))
                finished = finished || product == entry.product;
            if (!finished)
                rest << entry;
        }
        Completion completion = load->completion;
        if (load->mergeError.isError()) {
            completion = [completion, mergeError = load->mergeError](const Error &error) {
                if (completion)
                    completion(mergeError.isError() ? mergeError : error);
            };
        }
        loadReviewsForProductsAndCountries(rest, QStringLiteral("json"), completion);
        return;
    }
    // A failed save loses what the feed gave: it matters more than a failed
    // download, which the next update repeats anyway.
    deliver(load->completion, load->mergeError.isError() ? load->mergeError : load->lastError);
}
