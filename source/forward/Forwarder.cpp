#include "forward/Forwarder.h"

#include "forward/ForwardDestinations.h"
#include "forward/ForwardMessage.h"
#include "forward/ForwardSecrets.h"
#include "model/ForwardDestination.h"
#include "model/OutboxEntry.h"
#include "model/Product.h"
#include "model/Review.h"
#include "model/ReviewContent.h"
#include "net/URLRequest.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"

#include <QHash>
#include <QPointer>
#include <QUrl>
#include <QUuid>

#include <algorithm>

struct Forwarder::Batch {
    QList<std::shared_ptr<OutboxEntry>> entries;
    ForwardBatch message;
};

struct Forwarder::Run {
    Report report;
    QList<Completion> completions;
    int pending = 0;
};

namespace {

using ForwardDestinations::kindOf;
using ForwardDestinations::nameOf;

constexpr double kTimeoutSeconds = 30;
constexpr int kBackoffStepSeconds = 300;

bool alive(const std::shared_ptr<ManagedObject> &object)
{
    return object && object->managedObjectContext() && !object->isDeleted();
}

ForwardedReview forwardedReview(const OutboxEntry &entry)
{
    ForwardedReview forwarded;
    const auto review = entry.review();
    if (!review)
        return forwarded;
    forwarded.identifier = review->identifier();
    forwarded.countryCode = review->countryCode().toUpper();
    forwarded.rating = review->rating();
    forwarded.reviewer = review->reviewer();
    forwarded.version = review->version();
    forwarded.dateReviewed = review->dateReviewed();
    forwarded.edited = entry.edited();
    // The original text as it stands when sent: an edit made before the
    // message left is the one the team reads.
    if (const auto content = review->originalReviewContent()) {
        forwarded.title = content->title();
        forwarded.text = QString::fromUtf8(content->data());
    }
    return forwarded;
}

ForwardedProduct forwardedProduct(const Product &product, const QString &countryCode)
{
    return {product.identifier(), product.title(), product.kind().toLower(),
        product.urlForCountryCode(countryCode).toString()};
}

qint64 retryAfterSeconds(const QByteArray &value)
{
    if (value.isEmpty())
        return -1;
    bool ok = false;
    const qint64 seconds = value.trimmed().toLongLong(&ok);
    if (ok)
        return std::max<qint64>(0, seconds);
    const QDateTime date = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    return date.isValid() ? std::max<qint64>(0, Clock::shared().now().secsTo(date)) : -1;
}

bool isSuccess(const HTTPURLResponse &response)
{
    return response.statusCode() >= 200 && response.statusCode() < 300;
}

// "404 Not Found", or why no answer came.
QString answered(const HTTPURLResponse &response, const Error &error)
{
    if (response.isNull())
        return error.localizedDescription();
    return QString(QString::number(response.statusCode()) + QLatin1Char(' ')
        + QString::fromUtf8(response.reasonPhrase()))
        .trimmed();
}

// The answer and the start of what the receiver said, for Test.
QString answerLine(const HTTPURLResponse &response, const QByteArray &body, const Error &error)
{
    const QString said =
        response.isNull() ? QString() : QString::fromUtf8(body.left(300)).simplified();
    return said.isEmpty() ? answered(response, error)
                          : answered(response, error) + QStringLiteral(": ") + said;
}

QString pauseReason(const ForwardDestination &destination, const HTTPURLResponse &response)
{
    const int status = response.statusCode();
    QString why;
    if (status == 404 || status == 410)
        why = localized("Forwarder", "the webhook may have been deleted");
    else if (status == 401 || status == 403)
        why = localized("Forwarder", "its token may have been revoked");
    else
        why = localized("Forwarder", "it refuses the message");
    return formatString(localized("Forwarder",
                            "Forwarding to %@ is paused: it answered %@, so %@. Edit or test "
                            "the destination to resume; its reviews wait."),
        nameOf(destination), answered(response, {}), why);
}

} // namespace

Forwarder::Forwarder(
    std::function<ManagedObjectContext *()> context, std::function<void()> save, QObject *parent)
    : QObject(parent), context_(std::move(context)), save_(std::move(save))
{
    // Two destinations may share an address and be sent the same message.
    queue_.setAllowDuplicateRequests(true);
}

Forwarder::~Forwarder() = default;

void Forwarder::deliver(Completion completion)
{
    if (running_) {
        running_->completions << std::move(completion);
        return;
    }
    auto run = std::make_shared<Run>();
    run->completions << std::move(completion);
    run->pending = 1;
    running_ = run;
    if (ManagedObjectContext *context = context_()) {
        FetchRequest request(QStringLiteral("ForwardDestination"));
        request.sortDescriptors = {{RecordKey::number, true}};
        Error error;
        const auto destinations = context->fetch<ForwardDestination>(request, &error);
        if (error.isError())
            logLine(formatString(QStringLiteral("Forwarding: %@"), error.localizedDescription()));
        const QDateTime now = Clock::shared().now();
        for (const auto &destination : destinations) {
            if (!destination->pausedReason().isEmpty()
                || (destination->nextAttempt().isValid() && destination->nextAttempt() > now))
                continue;
            ++run->pending;
            deliverTo(run, destination);
        }
    }
    // Completions run on a later turn, as the network's answers do.
    QPointer<Forwarder> self(this);
    dispatchMain(this, [self, run] {
        if (self)
            self->finishRun(run);
    });
}

void Forwarder::finishRun(const std::shared_ptr<Run> &run)
{
    if (--run->pending > 0)
        return;
    if (running_ == run)
        running_.reset();
    if (run->report.sent > 0 || run->report.waiting > 0)
        logLine(formatString(QStringLiteral("Forwarding: %ld reviews sent, %ld waiting"),
            run->report.sent, run->report.waiting));
    for (const Completion &completion : std::as_const(run->completions)) {
        if (completion)
            completion(run->report);
    }
}

void Forwarder::deliverTo(
    const std::shared_ptr<Run> &run, const std::shared_ptr<ForwardDestination> &destination)
{
    ManagedObjectContext *context = destination->managedObjectContext();
    FetchRequest request(QStringLiteral("OutboxEntry"));
    request.predicate =
        Predicate::format(QStringLiteral("destination == %@"), destination->objectID());
    request.sortDescriptors = {{RecordKey::dateQueued, true}};
    Error error;
    auto entries = context->fetch<OutboxEntry>(request, &error);
    if (error.isError())
        logLine(formatString(QStringLiteral("Forwarding to %@: %@"), nameOf(*destination),
            error.localizedDescription()));
    // Within one save, the oldest review first.
    std::stable_sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        if (a->dateQueued() != b->dateQueued())
            return a->dateQueued() < b->dateQueued();
        const auto first = a->review();
        const auto second = b->review();
        return first && second && first->dateReviewed() < second->dateReviewed();
    });
    if (entries.isEmpty()) {
        finishRun(run);
        return;
    }

    // Batches tried before keep their delivery id and go first; the rest
    // are cut per product, in the order queued, at the kind's limit.
    const ForwardMessage::Kind kind = kindOf(*destination);
    auto batches = std::make_shared<QList<Batch>>();
    QHash<QString, qsizetype> byDeliveryId;
    QHash<ObjectID, qsizetype> openByProduct;
    QList<std::shared_ptr<OutboxEntry>> fresh;
    for (const auto &entry : std::as_const(entries)) {
        // A review whose product went takes its entries along; this only
        // clears one that lost its review some other way.
        if (!entry->review() || !entry->review()->product()) {
            context->deleteObject(entry);
            continue;
        }
        const QString id = entry->deliveryId();
        if (id.isEmpty()) {
            fresh << entry;
            continue;
        }
        auto found = byDeliveryId.constFind(id);
        if (found == byDeliveryId.cend()) {
            byDeliveryId.insert(id, batches->size());
            *batches << Batch {{}, {{}, {}, id}};
            found = byDeliveryId.constFind(id);
        }
        (*batches)[*found].entries << entry;
    }
    for (const auto &entry : std::as_const(fresh)) {
        const ObjectID product = entry->review()->product()->objectID();
        auto open = openByProduct.constFind(product);
        if (open == openByProduct.cend()
            || (*batches)[*open].entries.size() >= ForwardMessage::batchLimit(kind)) {
            openByProduct.insert(product, batches->size());
            *batches << Batch {{}, {{}, {}, QUuid::createUuid().toString(QUuid::WithoutBraces)}};
            open = openByProduct.constFind(product);
        }
        Batch &batch = (*batches)[*open];
        entry->setDeliveryId(batch.message.deliveryId);
        batch.entries << entry;
    }
    for (Batch &batch : *batches) {
        const auto first = batch.entries.first()->review();
        batch.message.product = forwardedProduct(*first->product(), first->countryCode());
        for (const auto &entry : std::as_const(batch.entries))
            batch.message.reviews << forwardedReview(*entry);
    }
    // The ids are stored before anything is sent: a batch sent but not
    // recorded (the process ended in between) goes again with the same id.
    if (!fresh.isEmpty())
        save_();

    QPointer<Forwarder> self(this);
    ForwardSecrets::read(destination->secretName(),
        [self, run, destination, batches](
            const std::optional<ForwardSecrets::Secret> &secret, const Error &error) {
            if (!self)
                return;
            if (!alive(destination)) {
                self->finishRun(run);
                return;
            }
            if (!secret) {
                qint64 waiting = 0;
                for (const Batch &batch : std::as_const(*batches))
                    waiting += batch.entries.size();
                run->report.waiting += waiting;
                if (error.isError()) {
                    // The secret service may answer next time.
                    logLine(formatString(QStringLiteral("Forwarding to %@: %@"),
                        nameOf(*destination), error.localizedDescription()));
                } else {
                    const QString reason = formatString(
                        localized("Forwarder",
                            "Forwarding to %@ is paused: its address is kept neither in the "
                            "secret service nor in %@. Edit the destination to give it again."),
                        nameOf(*destination), ForwardSecrets::filePath());
                    destination->setPausedReason(reason);
                    run->report.paused << reason;
                    logLine(reason);
                    self->save_();
                }
                self->finishRun(run);
                return;
            }
            self->sendNext(
                run, destination, batches, secret->address, secret->signingSecret, false);
        });
}

void Forwarder::sendNext(const std::shared_ptr<Run> &run,
    const std::shared_ptr<ForwardDestination> &destination,
    const std::shared_ptr<QList<Batch>> &batches, const QString &address,
    const QString &signingSecret, bool retried)
{
    if (batches->isEmpty() || !alive(destination)) {
        finishRun(run);
        return;
    }
    QPointer<Forwarder> self(this);
    post(kindOf(*destination), batches->first().message, address, signingSecret,
        [self, run, destination, batches, address, signingSecret, retried](
            const HTTPURLResponse &response, const QByteArray &, const Error &error) {
            if (!self)
                return;
            if (!alive(destination)) {
                self->finishRun(run);
                return;
            }
            Batch &batch = batches->first();
            if (isSuccess(response)) {
                ManagedObjectContext *context = destination->managedObjectContext();
                for (const auto &entry : std::as_const(batch.entries)) {
                    if (alive(entry))
                        context->deleteObject(entry);
                }
                run->report.sent += batch.entries.size();
                destination->resume();
                self->save_();
                batches->removeFirst();
                self->sendNext(run, destination, batches, address, signingSecret, false);
                return;
            }
            const int status = response.statusCode();
            if (status == 429 && !retried) {
                const qint64 retryAfter =
                    retryAfterSeconds(response.valueForHTTPHeaderField("Retry-After"));
                const qint64 wait =
                    std::clamp<qint64>(retryAfter < 0 ? 1 : retryAfter, 0, maximumRetryAfter);
                logLine(formatString(QStringLiteral("Forwarding to %@: too many requests; "
                                                    "trying again in %ld s"),
                    nameOf(*destination), wait));
                Clock::shared().callAfter(
                    std::chrono::seconds(wait),
                    [self, run, destination, batches, address, signingSecret] {
                        if (self)
                            self->sendNext(run, destination, batches, address, signingSecret, true);
                    },
                    self);
                return;
            }
            qint64 waiting = 0;
            for (const Batch &left : std::as_const(*batches))
                waiting += left.entries.size();
            run->report.waiting += waiting;
            const bool passing = status == 0 || status == 429 || (status >= 500 && status < 600);
            if (passing) {
                const qint64 failures = destination->failures() + 1;
                destination->setFailures(failures);
                QString next = QStringLiteral("at the next update");
                if (failures >= failuresBeforeBackoff) {
                    const qint64 shift = std::min<qint64>(failures - failuresBeforeBackoff, 10);
                    const qint64 seconds = std::min<qint64>(
                        qint64(kBackoffStepSeconds) << shift, maximumBackoffSeconds);
                    const QDateTime at = Clock::shared().now().addSecs(seconds);
                    destination->setNextAttempt(at);
                    next = formatString(QStringLiteral("in %ld minutes"), seconds / 60);
                }
                logLine(formatString(QStringLiteral("Forwarding to %@ failed (%@), %ld in a row; "
                                                    "%ld reviews wait, tried again %@"),
                    nameOf(*destination), answered(response, error), failures, waiting, next));
            } else {
                const QString reason = pauseReason(*destination, response);
                destination->setPausedReason(reason);
                run->report.paused << reason;
                logLine(reason);
            }
            self->save_();
            self->finishRun(run);
        });
}

void Forwarder::post(ForwardMessage::Kind kind, const ForwardBatch &batch, const QString &address,
    const QString &signingSecret, RQOperation::CompletionHandler completion)
{
    const QByteArray body = ForwardMessage::body(kind, batch);
    URLRequest request(QUrl(address), kTimeoutSeconds);
    request.setHTTPMethod("POST");
    for (const auto &[name, value] : ForwardMessage::headers(kind, batch, body, signingSecret))
        request.setValue(value, name);
    request.setValue(
        (AppPaths::applicationName() + QLatin1Char('/') + AppPaths::version()).toUtf8(),
        "User-Agent");
    request.setHTTPBody(body);
    // Nothing here cancels a post; one cancelled is the queue going away
    // with this forwarder.
    queue_.addRequest(request,
        [completion = std::move(completion)](
            const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
            if (!error.isCancellation())
                completion(response, data, error);
        });
}

void Forwarder::test(
    const std::shared_ptr<ForwardDestination> &destination, TestCompletion completion)
{
    ForwardBatch batch;
    batch.product = {QStringLiteral("0"), AppPaths::applicationName(), QStringLiteral("app"), {}};
    ForwardedReview review;
    review.identifier = QStringLiteral("test");
    review.countryCode = QStringLiteral("US");
    review.rating = 5;
    review.title = localized("Forwarder", "A test from ReviewKeeper");
    review.text = localized("Forwarder",
        "New reviews of the products this destination follows will arrive here like this one.");
    review.reviewer = AppPaths::applicationName();
    review.version = AppPaths::version();
    review.dateReviewed = Clock::shared().now();
    batch.reviews << review;
    batch.deliveryId = QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);

    QPointer<Forwarder> self(this);
    ForwardSecrets::read(destination->secretName(),
        [self, destination, batch, completion](
            const std::optional<ForwardSecrets::Secret> &secret, const Error &error) {
            if (!self)
                return;
            if (!secret) {
                completion(false,
                    error.isError() ? error.localizedDescription()
                                    : localized("Forwarder", "Its address is kept nowhere."));
                return;
            }
            self->post(kindOf(*destination), batch, secret->address, secret->signingSecret,
                [self, destination, completion](
                    const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
                    const bool delivered = isSuccess(response);
                    if (delivered && self && alive(destination)
                        && (!destination->pausedReason().isEmpty()
                            || destination->failures() > 0)) {
                        destination->resume();
                        self->save_();
                    }
                    completion(delivered, answerLine(response, data, error));
                });
        });
}
