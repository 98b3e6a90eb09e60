#include "update/UpdateHost.h"

#include "model/Product.h"
#include "platform/Presenter.h"

UpdateHost::~UpdateHost() = default;

void UpdateHost::updateProgress(const QString &)
{
}

void UpdateHost::showProgressView()
{
}

void UpdateHost::hideProgressView()
{
}

void UpdateHost::mainOutlineViewSelectionDidChange()
{
}

std::shared_ptr<Product> UpdateHost::selectedProduct() const
{
    return {};
}

void UpdateHost::presentError(const Error &error)
{
    Presenter::shared().presentError(error);
}

void UpdateHost::showRateLimitAlert(
    const QString &message, const QString &information, std::function<void(bool)> completion)
{
    Alert alert;
    alert.messageText = message;
    alert.informativeText = information;
    alert.showsSuppressionButton = true;
    Presenter::shared().beginSheet(
        alert, [completion = std::move(completion)](AlertResponse response) {
            completion(response.suppressionChecked);
        });
}
