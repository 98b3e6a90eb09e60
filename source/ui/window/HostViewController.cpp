#include "ui/window/HostViewController.h"

#include "model/Product.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/PreferenceKeys.h"
#include "platform/Presenter.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObject.h"
#include "ui/sidebar/BaseNodeTreeAccessor.h"
#include "ui/sidebar/TreeController.h"
#include "ui/widgets/ZQSpinningProgressIndicator.h"
#include "update/UpdateController.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString kPerformLoad = QStringLiteral("performLoadAction");
const QString kPerformLoadAll = QStringLiteral("performLoadAllAction");
const QString kPerformCancelLoad = QStringLiteral("performCancelLoadAction");
const QString kChangeViewController = QStringLiteral("changeViewControllerAction");

std::shared_ptr<Product> productOf(const QVariant &value)
{
    if (value.canConvert<ManagedObjectPtr>())
        return std::dynamic_pointer_cast<Product>(value.value<ManagedObjectPtr>());
    return nullptr;
}

// A product given directly or as the data of the menu item that sent.
std::shared_ptr<Product> productFromSender(const QVariant &sender)
{
    if (auto product = productOf(sender))
        return product;
    if (auto *item = qobject_cast<QAction *>(sender.value<QObject *>()))
        return productOf(item->data());
    return nullptr;
}

std::optional<UpdateController::Products> productsFromSender(const QVariant &sender)
{
    if (sender.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    UpdateController::Products products;
    for (const QVariant &entry : sender.toList())
        if (auto product = productOf(entry))
            products << product;
    return products;
}

// The page an action's sender asks for; -1 when it names none that exists.
qint64 pageIndexFromSender(const QVariant &sender)
{
    if (QObject *object = sender.value<QObject *>()) {
        if (auto *item = qobject_cast<QAction *>(object))
            return item->data().isValid() ? item->data().toLongLong() : 0;
        const QVariant current = object->property("currentIndex");
        return current.isValid() ? current.toLongLong() : 0;
    }
    switch (sender.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return sender.toLongLong();
    default:
        return 0;
    }
}

} // namespace

HostViewController::HostViewController(UserDefaults *defaults, QObject *parent)
    : QObject(parent),
      defaults_(defaults),
      view_(new QWidget),
      stack_(new QStackedWidget),
      progressView_(new QWidget),
      progressIndicator_(new ZQSpinningProgressIndicator),
      progressTextField_(new QLabel),
      progressAnimation_(new QPropertyAnimation(progressView_, "maximumHeight", this)),
      modifiers_([] { return QGuiApplication::queryKeyboardModifiers(); })
{
    view_->setObjectName(QStringLiteral("HostView"));
    stack_->setObjectName(QStringLiteral("ContentViews"));
    stack_->setAccessibleName(localized("HostViewController", "Content"));

    progressView_->setObjectName(QStringLiteral("ProgressView"));
    progressView_->setAccessibleName(localized("HostViewController", "Update Progress"));
    progressIndicator_->setAccessibleName(localized("HostViewController", "Updating"));
    progressIndicator_->setFixedSize(16, 16);
    progressTextField_->setObjectName(QStringLiteral("ProgressText"));
    progressTextField_->setAccessibleName(localized("HostViewController", "Update Status"));
    progressTextField_->setTextFormat(Qt::PlainText);
    auto *strip = new QHBoxLayout(progressView_);
    strip->setContentsMargins(8, 0, 8, 0);
    strip->setSpacing(6);
    strip->addWidget(progressIndicator_);
    strip->addWidget(progressTextField_, 1);
    progressView_->setMinimumHeight(0);
    progressView_->setMaximumHeight(0);
    progressView_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    progressAnimation_->setDuration(progressAnimationMilliseconds);
    progressAnimation_->setEasingCurve(QEasingCurve::OutCubic);

    auto *layout = new QVBoxLayout(view_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(stack_, 1);
    layout->addWidget(progressView_);
}

HostViewController::~HostViewController()
{
    progressAnimation_->stop();
    delete view_.data();
}

void HostViewController::setReviewController(QWidget *view, ActionResponder *responder)
{
    setPage(ReviewsPage, view, responder);
}

void HostViewController::setRatingsViewController(QWidget *view, ActionResponder *responder)
{
    setPage(RatingsPage, view, responder);
}

void HostViewController::setPage(int index, QWidget *view, ActionResponder *responder)
{
    if (pages_[index] && pages_[index] != view)
        stack_->removeWidget(pages_[index]);
    pages_[index] = view;
    responders_[index] = responder;
    if (view)
        stack_->addWidget(view);
    if (currentIndex_ == index && view)
        stack_->setCurrentWidget(view);
}

void HostViewController::viewDidLoad()
{
    changeViewControllerAction(defaults().integerForKey(Preference::SelectedMainView));
}

void HostViewController::setUpdateController(UpdateController *controller)
{
    updateController_ = controller;
}

void HostViewController::setTreeController(TreeController *controller)
{
    if (treeController_)
        disconnect(treeController_, nullptr, this, nullptr);
    treeController_ = controller;
    if (controller)
        connect(controller, &TreeController::selectionChanged, this,
            &HostViewController::selectionDidChange);
}

void HostViewController::setKeyboardModifiersSource(std::function<Qt::KeyboardModifiers()> source)
{
    modifiers_ = std::move(source);
}

QWidget *HostViewController::currentView() const
{
    return currentIndex_ >= 0 ? pages_[currentIndex_].data() : nullptr;
}

void HostViewController::changeViewControllerAction(const QVariant &sender)
{
    const qint64 index = pageIndexFromSender(sender);
    if (index != ReviewsPage && index != RatingsPage) {
        logLine(formatString(QStringLiteral("Invalid selection for controller: %ld"), index));
        return;
    }
    showPage(int(index));
}

void HostViewController::showPage(int index)
{
    if (index == currentIndex_)
        return;
    currentIndex_ = index;
    if (pages_[index])
        stack_->setCurrentWidget(pages_[index]);
    defaults().setInteger(index, Preference::SelectedMainView);
    NotificationCenter::defaultCenter().post(
        kViewControllerDidChangeNotification, pages_[index].data());
}

void HostViewController::selectionDidChange()
{
    // The ratings page shows only for products that have ratings.
    const std::shared_ptr<Product> product = selectedProduct();
    if (currentIndex_ == RatingsPage && !(product && product->canHaveRatings()))
        showPage(ReviewsPage);
}

void HostViewController::updateProgress(const QString &text)
{
    progressTextField_->setText(text);
}

void HostViewController::showProgressView()
{
    progressAnimation_->stop();
    progressView_->setMaximumHeight(progressViewHeight);
    progressIndicator_->startAnimation();
}

void HostViewController::hideProgressView()
{
    progressIndicator_->stopAnimation();
    progressTextField_->clear();
    progressAnimation_->stop();
    progressAnimation_->setStartValue(progressView_->maximumHeight());
    progressAnimation_->setEndValue(0);
    progressAnimation_->start();
}

void HostViewController::mainOutlineViewSelectionDidChange()
{
    Q_EMIT reviewsNeedRefresh();
}

std::shared_ptr<Product> HostViewController::selectedProduct() const
{
    if (!treeController_)
        return nullptr;
    const QList<TreeObject> selected = treeController_->selectedObjects();
    if (selected.isEmpty())
        return nullptr;
    return std::dynamic_pointer_cast<Product>(BaseNodeTreeAccessor::node(selected.first()));
}

void HostViewController::presentError(const Error &error)
{
    presenter().presentError(error);
}

void HostViewController::showRateLimitAlert(
    const QString &message, const QString &information, std::function<void(bool)> completion)
{
    Alert alert;
    alert.messageText = message;
    alert.informativeText = information;
    alert.buttons = {localized("HostViewController", "OK")};
    alert.showsSuppressionButton = true;
    alert.style = Alert::Style::Warning;
    presenter().beginSheet(alert, [completion = std::move(completion)](AlertResponse response) {
        if (completion)
            completion(response.suppressionChecked);
    });
}

bool HostViewController::isOwnAction(const QString &action) const
{
    return action == kPerformLoad || action == kPerformLoadAll || action == kPerformCancelLoad
        || action == kChangeViewController;
}

ActionResponder *HostViewController::currentResponder() const
{
    return currentIndex_ >= 0 ? responders_[currentIndex_] : nullptr;
}

bool HostViewController::respondsToAction(const QString &action) const
{
    if (isOwnAction(action))
        return true;
    ActionResponder *page = currentResponder();
    return page && page->respondsToAction(action);
}

void HostViewController::performAction(const QString &action, const QVariant &sender)
{
    if (action == kChangeViewController) {
        changeViewControllerAction(sender);
    } else if (isOwnAction(action)) {
        if (!updateController_)
            return;
        if (action == kPerformLoad)
            updateController_->performLoadAction(productFromSender(sender));
        else if (action == kPerformLoadAll)
            updateController_->performLoadAllAction(productsFromSender(sender));
        else
            updateController_->performCancelLoadAction();
    } else if (ActionResponder *page = currentResponder(); page && page->respondsToAction(action)) {
        page->performAction(action, sender);
    }
}

bool HostViewController::validateAction(const QString &action, QAction *item)
{
    if (action == kPerformLoadAll)
        return validateUpdateAll(item);
    if (action == kChangeViewController) {
        const QVariant tag = item->data();
        if (!tag.isValid())
            return true;
        const qint64 index = tag.toLongLong();
        if (index != ReviewsPage && index != RatingsPage)
            return true;
        item->setCheckable(true);
        item->setChecked(index == currentIndex_);
        if (index == ReviewsPage)
            return true;
        const std::shared_ptr<Product> product = selectedProduct();
        return product && product->canHaveRatings();
    }
    if (isOwnAction(action))
        return true;
    ActionResponder *page = currentResponder();
    return page && page->respondsToAction(action) ? page->validateAction(action, item) : true;
}

bool HostViewController::validateUpdateAll(QAction *item) const
{
    QString title = localized("HostViewController", "Update All Reviews & Ratings");
    title.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const bool automatic = updateController_ && updateController_->isAutoUpdateEnabled();
    // Ctrl stands in for the Command key: updating everything by hand
    // while automatic updates are on.
    const bool forced = modifiers_ && modifiers_().testFlag(Qt::ControlModifier);
    if (automatic && !forced) {
        const QString note = localized("HostViewController", "( will be done automatically )");
        // Menus draw one line: the note follows the title there, and stays
        // on a line of its own where the text is read whole.
        item->setText(title + QLatin1Char('\n') + note);
        item->setStatusTip(note);
        item->setToolTip(note);
        return false;
    }
    item->setText(title);
    item->setStatusTip(QString());
    item->setToolTip(QString());
    return true;
}

Presenter &HostViewController::presenter() const
{
    return presenter_ ? *presenter_ : Presenter::shared();
}

UserDefaults &HostViewController::defaults() const
{
    return defaults_ ? *defaults_ : UserDefaults::standard();
}
