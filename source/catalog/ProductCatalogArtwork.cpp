#include "catalog/ProductCatalog.h"

#include "model/Product.h"
#include "net/Downloader.h"
#include "platform/store/ManagedObjectContext.h"

#include <QPointer>

void ProductCatalog::loadArtworkForProduct(const std::shared_ptr<Product> &product)
{
    if (!product)
        return;
    const QUrl url(
        product->jsonData().value(QStringLiteral("artworkUrl100")).toString(), QUrl::StrictMode);
    // Only web addresses: the result came from the network, and another
    // scheme could make us read local files.
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != u"http" && url.scheme() != u"https"))
        return;
    // Hold the id, not the record: the product may be deleted meanwhile.
    const ObjectID id = product->objectID();
    QPointer<ProductCatalog> guard(this);
    Downloader::sharedInstance().loadImageFromURL(
        url, *artworkQueue_, [guard, id](const QImage &image, const Error &error) {
            if (!guard || error || image.isNull())
                return;
            const auto live =
                std::dynamic_pointer_cast<Product>(guard->context_.existingObject(id));
            if (!live || live->isDeleted())
                return;
            live->setStoredImage(image);
            guard->save();
        });
}
