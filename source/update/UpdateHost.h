#pragma once

#include "platform/Error.h"

#include <QString>

#include <memory>

class Product;

// The user-interface side of updating, as the engine sees it: the progress
// strip, the review list, the sidebar's selection, errors and the rate-limit
// alert. The desktop window and the command-line companion each implement
// it; the defaults do nothing visible, present errors through the shared
// Presenter and ask the rate-limit question there.
class UpdateHost {
public:
    virtual ~UpdateHost();

    virtual void updateProgress(const QString &text);
    virtual void showProgressView();
    virtual void hideProgressView();

    // The review list rebuilds its menus and filter after new reviews.
    virtual void mainOutlineViewSelectionDidChange();

    // The first selected object of the sidebar when it is a product.
    virtual std::shared_ptr<Product> selectedProduct() const;

    virtual void presentError(const Error &error);

    // Shows the rate-limit alert with a suppression box; `completion` gets
    // whether the box was ticked.
    virtual void showRateLimitAlert(
        const QString &message, const QString &information, std::function<void(bool)> completion);
};
