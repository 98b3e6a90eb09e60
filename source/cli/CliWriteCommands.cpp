// The commands that change the store: add, remove, update.
#include "cli/Cli.h"

#include "catalog/ProductCatalog.h"
#include "catalog/StoreSearch.h"
#include "cli/RecordTables.h"
#include "model/Product.h"
#include "net/Downloader.h"
#include "net/RequestQueue.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/AppStoreConnectImporter.h"
#include "update/ReviewImporter.h"
#include "update/UpdateController.h"

#include <QCommandLineParser>
#include <QJsonObject>

namespace {

// What the feed and App Store Connect stored so far.
ReviewImporter::ReviewCounts storedReviews(UpdateController &controller)
{
    ReviewImporter::ReviewCounts counts = controller.reviewController().reviewsTotal();
    counts += controller.connectImporter().reviewsTotal();
    return counts;
}

QString newReviewsLine(const ReviewImporter::ReviewCounts &counts)
{
    if (counts.isEmpty())
        return localized("Cli", "No new reviews.");
    return ReviewImporter::announcement(counts);
}

} // namespace

int Cli::add(const QStringList &arguments)
{
    QCommandLineParser parser;
    if (!parse(parser, arguments, 1, -1))
        return Usage;
    QStringList identifiers;
    for (const QString &argument : parser.positionalArguments()) {
        const QString term = StoreSearch::searchTermForText(argument);
        if (!StoreSearch::isIdentifier(term))
            return usageError(
                QStringLiteral("\"%1\" is neither a store id nor a store page address.")
                    .arg(argument));
        if (!identifiers.contains(term))
            identifiers << term;
    }
    if (const int status = openStore(true); status != Success)
        return status;

    // One lookup for all of them (the store client splits it by 50).
    RequestQueue queue;
    bool looked = false;
    Downloader::ProductRecords results;
    Error error;
    Downloader::sharedInstance().lookupByIds(identifiers, QString(), &queue,
        [&](const Downloader::ProductRecords &records, const Error &lookupError) {
            results = records;
            error = lookupError;
            looked = true;
        });
    waitUntil([&] { return looked; });
    if (!looked)
        return Failure; // stopped by a signal
    if (error.isError()) {
        host_.presentError(error);
        return Failure;
    }
    int status = Success;
    for (const QString &identifier : std::as_const(identifiers)) {
        const bool found =
            std::any_of(results.cbegin(), results.cend(), [&](const QJsonObject &result) {
                return ProductCatalog::trackIdForResult(result.toVariantMap()) == identifier;
            });
        if (!found) {
            err(QStringLiteral("The store has no product with the id %1.").arg(identifier));
            status = Failure;
        }
    }

    UpdateController *controller = delegate_->updateController();
    ProductCatalog catalog(*delegate_->managedObjectContext(), [this] { delegate_->saveAction(); });
    const auto added = catalog.addProductsForResults(
        ProductCatalog::resultsFromVariant(ProductCatalog::resultsToVariant(results)));
    // The addition started an update of exactly the new products.
    const ReviewImporter::ReviewCounts before = storedReviews(*controller);
    waitUntil([&] {
        return controller->runningUpdates() == 0 && catalog.artworkQueue().requestCount() == 0;
    });
    if (!finishWriting())
        return Failure;
    OutputTable table;
    table.columns = {QStringLiteral("identifier"), QStringLiteral("kind"), QStringLiteral("title")};
    for (const auto &product : added)
        table.rows << QVariantList {
            product->identifier(), RecordTables::kindOfProduct(*product), product->title()};
    if (!added.isEmpty()) {
        out(table.plain());
        out(newReviewsLine(storedReviews(*controller) - before).toUtf8().append('\n'));
    }
    if (!host_.errors().isEmpty())
        status = Failure;
    return status;
}

int Cli::remove(const QStringList &arguments)
{
    QCommandLineParser parser;
    if (!parse(parser, arguments, 1, -1))
        return Usage;
    if (const int status = openStore(true); status != Success)
        return status;
    const auto products = productsForIdentifiers(parser.positionalArguments());
    if (!products)
        return Failure;
    ProductCatalog catalog(*delegate_->managedObjectContext(), [this] { delegate_->saveAction(); });
    QList<ManagedObjectPtr> objects;
    for (const auto &product : *products)
        objects << product;
    catalog.deleteObjects(objects);
    return finishWriting() ? Success : Failure;
}

int Cli::update(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption due(QStringLiteral("due"),
        QStringLiteral("Only the products whose reviews are older than the automatic update "
                       "interval, as the application's hourly check picks them."));
    parser.addOption(due);
    if (!parse(parser, arguments, 0, -1))
        return Usage;
    if (parser.isSet(due) && !parser.positionalArguments().isEmpty()) {
        usageError(QStringLiteral("--due picks the products itself; name none."));
        return Usage;
    }
    if (const int status = openStore(true); status != Success)
        return status;
    UpdateController *controller = delegate_->updateController();
    std::optional<Products> products;
    if (parser.isSet(due)) {
        if (!controller->isAutoUpdateEnabled()) {
            err(QStringLiteral("Automatic updates are off (AutomaticUpdateInterval is 0): "
                               "nothing is due."));
            return Success;
        }
        products = controller->productsDue();
        if (!products)
            return Failure; // the store's error has been shown
        // With nothing due, the run still delivers what waits in the
        // forwarding outbox.
        if (products->isEmpty())
            err(QStringLiteral("All reviews are up to date."));
    } else if (!parser.positionalArguments().isEmpty()) {
        products = productsForIdentifiers(parser.positionalArguments());
        if (!products)
            return Failure;
    }
    bool finished = false;
    controller->performLoadAllAction(products, [&] { finished = true; });
    waitUntil([&] { return finished; });
    if (!finishWriting())
        return Failure;
    if (!products || !products->isEmpty())
        out(newReviewsLine(storedReviews(*controller)).toUtf8().append('\n'));
    return host_.errors().isEmpty() ? Success : Failure;
}
