#pragma once

#include "forward/ForwardBatch.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// The message each kind of destination reads, built from a batch: the JSON
// body and the headers to send it with.
namespace ForwardMessage {

enum class Kind { Slack, Discord, Teams, Webhook };

// "slack", "discord", "teams", "webhook"; nullopt for any other name.
std::optional<Kind> kindNamed(const QString &name);
QString nameOf(Kind kind);
// "Slack", "Discord", "Microsoft Teams", "Webhook": for the user.
QString displayName(Kind kind);

// The most reviews one message of the kind holds (Discord: ten embeds).
int batchLimit(Kind kind);

// The body, UTF-8 JSON, within the kind's limits.
QByteArray body(Kind kind, const ForwardBatch &batch);

using Header = QPair<QByteArray, QByteArray>;
// Content-Type, and for webhooks X-ReviewKeeper-Delivery and, with a
// secret, X-ReviewKeeper-Signature.
QList<Header> headers(
    Kind kind, const ForwardBatch &batch, const QByteArray &body, const QString &secret);

// "sha256=" and the hex HMAC-SHA256 of `body` under `secret`.
QByteArray signature(const QByteArray &body, const QString &secret);

// The colour of a rating: 1–2 stars red, 3 amber, 4–5 green (0xRRGGBB).
int colourOf(std::optional<double> rating);

// "★★★★☆" for four stars.
QString stars(std::optional<double> rating);

// `text` cut to at most `limit` characters, ending with "…" when cut.
QString shortened(const QString &text, int limit);

} // namespace ForwardMessage
