#pragma once

#include <QByteArray>
#include <QEasingCurve>
#include <QVariant>

#include <functional>
#include <optional>

class QObject;

// Groups property animations that share a duration, a timing curve and one
// completion: inside `animations`, every animate() call joins the group, and
// the group starts when the block returns. Outside a group, animate() sets
// the value at once.
namespace AnimationGroup {

void groupWithDuration(double seconds, std::optional<QEasingCurve> timing,
    std::function<void()> completion, const std::function<void()> &animations);
void groupWithDuration(
    double seconds, std::function<void()> completion, const std::function<void()> &animations);
void groupWithDuration(double seconds, const std::function<void()> &animations);

void animate(QObject *target, const QByteArray &property, const QVariant &endValue);

// The standard ease-out curve: quick start, gentle stop.
QEasingCurve easeOut();

} // namespace AnimationGroup
