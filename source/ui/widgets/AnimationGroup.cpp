#include "ui/widgets/AnimationGroup.h"

#include <QParallelAnimationGroup>
#include <QPointF>
#include <QPropertyAnimation>

#include <vector>

namespace AnimationGroup {
namespace {

struct OpenGroup {
    QParallelAnimationGroup *group;
    int milliseconds;
    QEasingCurve timing;
};

// Groups may nest; each animate() joins the innermost one.
thread_local std::vector<OpenGroup> openGroups;

} // namespace

QEasingCurve easeOut()
{
    // The cubic Bézier (0, 0) (0.58, 1) of the usual ease-out timing.
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.0, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

void groupWithDuration(double seconds, std::optional<QEasingCurve> timing,
    std::function<void()> completion, const std::function<void()> &animations)
{
    auto *group = new QParallelAnimationGroup;
    openGroups.push_back(OpenGroup {group, std::max(0, int(seconds * 1000.0 + 0.5)),
        timing.value_or(QEasingCurve(QEasingCurve::Linear))});
    animations();
    openGroups.pop_back();

    QObject::connect(
        group, &QAbstractAnimation::finished, group, [group, completion = std::move(completion)] {
            if (completion)
                completion();
            group->deleteLater();
        });
    group->start();
}

void groupWithDuration(
    double seconds, std::function<void()> completion, const std::function<void()> &animations)
{
    groupWithDuration(seconds, std::nullopt, std::move(completion), animations);
}

void groupWithDuration(double seconds, const std::function<void()> &animations)
{
    groupWithDuration(seconds, std::nullopt, {}, animations);
}

void animate(QObject *target, const QByteArray &property, const QVariant &endValue)
{
    if (openGroups.empty()) {
        target->setProperty(property.constData(), endValue);
        return;
    }
    const OpenGroup &open = openGroups.back();
    auto *animation = new QPropertyAnimation(target, property, open.group);
    animation->setDuration(open.milliseconds);
    animation->setEasingCurve(open.timing);
    animation->setEndValue(endValue);
    open.group->addAnimation(animation);
}

} // namespace AnimationGroup
