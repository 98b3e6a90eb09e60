#pragma once

#include "forward/ForwardMessage.h"
#include "forward/ForwardSecrets.h"
#include "model/ForwardRules.h"
#include "platform/Error.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class ForwardDestination;
class ManagedObjectContext;

// Adding, changing and removing forwarding destinations, for the companion
// and the preferences alike. Their addresses go to ForwardSecrets; the
// records to the main context, which the caller saves. Main thread.
namespace ForwardDestinations {

// Why `address` cannot be a destination's (it must be http or https, with
// a host), in the user's language; empty when it can.
QString addressProblem(const QString &address);
// The host a destination shows instead of its address.
QString hostOf(const QString &address);

QList<std::shared_ptr<ForwardDestination>> all(ManagedObjectContext &context, Error *error);
std::shared_ptr<ForwardDestination> withNumber(
    ManagedObjectContext &context, qint64 number, Error *error);

// Its kind; a stored name no kind has reads as a webhook.
ForwardMessage::Kind kindOf(const ForwardDestination &destination);
// "2 (Slack, hooks.slack.com)": how texts and the log name it, never by its address.
QString nameOf(const ForwardDestination &destination);

// "active", "paused: …" or "waiting until 14:05 after 4 failures", for lists.
QString stateOf(const ForwardDestination &destination);
// How many reviews wait in its outbox.
qint64 waitingCount(const ForwardDestination &destination);

using Completion = std::function<void(const std::shared_ptr<ForwardDestination> &destination,
    ForwardSecrets::Place place, const Error &error)>;

// Keeps the address (and signing secret), then inserts the destination with
// the next number. With a valid `since`, the stored reviews from that date
// that its rules want are queued too; otherwise it forwards only reviews
// stored from now on. Nothing is inserted when the address cannot be kept.
void add(ManagedObjectContext &context, const QString &kind, const ForwardSecrets::Secret &secret,
    const ForwardRules &rules, const QDateTime &since, Completion completion);
// Changes the kind and rules. A non-empty `address` replaces the stored one,
// together with `signingSecret`; an empty one keeps it, and a non-empty
// `signingSecret` then replaces the stored secret alone. A paused or
// waiting destination runs again at the next update.
void change(const std::shared_ptr<ForwardDestination> &destination, const QString &kind,
    const QString &address, const QString &signingSecret, const ForwardRules &rules,
    Completion completion);
// Deletes the destination, its outbox and its address.
void remove(ManagedObjectContext &context, const std::shared_ptr<ForwardDestination> &destination,
    std::function<void(const Error &error)> completion);

} // namespace ForwardDestinations
