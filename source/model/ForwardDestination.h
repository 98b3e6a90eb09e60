#pragma once

#include "model/ForwardRules.h"
#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

class OutboxEntry;

// A place new reviews are posted to: its kind ("slack", "discord", "teams"
// or "webhook"), the number the user knows it by, the host its address
// names (the address itself carries a token and lives in the secret
// service), its rules, and how delivery to it fares.
class ForwardDestination : public ManagedObject {
public:
    qint64 number() const { return integerValue(RecordKey::number).value_or(0); }
    QString kind() const { return stringValue(RecordKey::kind); }
    QString host() const { return stringValue(RecordKey::host); }
    ForwardRules rules() const { return ForwardRules::fromMap(value(RecordKey::rules).toMap()); }
    QDateTime dateCreated() const { return dateValue(RecordKey::dateCreated); }
    QString uuid() const { return stringValue(RecordKey::uuid); }
    // Why delivery stopped until the destination is edited; empty while it runs.
    QString pausedReason() const { return stringValue(RecordKey::pausedReason); }
    // Failed tries in a row.
    qint64 failures() const { return integerValue(RecordKey::failures).value_or(0); }
    // No try before this date; invalid: at the next update.
    QDateTime nextAttempt() const { return dateValue(RecordKey::nextAttempt); }

    void setNumber(qint64 number) { setValue(RecordKey::number, number); }
    void setKind(const QString &kind) { setValue(RecordKey::kind, kind); }
    void setHost(const QString &host) { setValue(RecordKey::host, host); }
    void setRules(const ForwardRules &rules) { setValue(RecordKey::rules, rules.toMap()); }
    void setDateCreated(const QDateTime &date) { setValue(RecordKey::dateCreated, date); }
    void setPausedReason(const QString &reason)
    {
        setValue(RecordKey::pausedReason, reason.isEmpty() ? QVariant() : QVariant(reason));
    }
    void setFailures(qint64 failures) { setValue(RecordKey::failures, failures); }
    void setNextAttempt(const QDateTime &date)
    {
        setValue(RecordKey::nextAttempt, date.isValid() ? QVariant(date) : QVariant());
    }

    // Runs again from the next delivery: no pause, no failures counted,
    // no wait.
    void resume()
    {
        setPausedReason({});
        setFailures(0);
        setNextAttempt({});
    }

    // The name its address and signing secret are kept under.
    QString secretName() const { return QStringLiteral("Forward-") + uuid(); }

protected:
    void awakeFromInsert() override;
};
