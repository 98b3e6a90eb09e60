#include "ui/widgets/ZQSpinningProgressIndicator.h"

#include <QMetaObject>
#include <QPainter>

#include <chrono>
#include <cmath>

ZQSpinningProgressIndicator::ZQSpinningProgressIndicator(QWidget *parent, Clock *clock)
    : QWidget(parent), clock_(clock ? clock : &Clock::shared())
{
    std::lock_guard lock(mutex_);
    recomputeFinColorsLocked();
}

ZQSpinningProgressIndicator::~ZQSpinningProgressIndicator()
{
    stopFrames();
}

QColor ZQSpinningProgressIndicator::color() const
{
    std::lock_guard lock(mutex_);
    return color_;
}

void ZQSpinningProgressIndicator::setColor(const QColor &color)
{
    {
        std::lock_guard lock(mutex_);
        if (color_ == color)
            return;
        color_ = color;
        recomputeFinColorsLocked();
    }
    update();
}

void ZQSpinningProgressIndicator::setBackgroundColor(const QColor &color)
{
    backgroundColor_ = color;
    update();
}

void ZQSpinningProgressIndicator::setDrawsBackground(bool draws)
{
    drawsBackground_ = draws;
    update();
}

void ZQSpinningProgressIndicator::setDisplayedWhenStopped(bool displayed)
{
    displayedWhenStopped_ = displayed;
    {
        std::lock_guard lock(mutex_);
        finFloor_ = displayed ? 0.15 : 0.0;
    }
    if (!isAnimating())
        setVisible(displayed);
}

void ZQSpinningProgressIndicator::setUsesThreadedAnimation(bool threaded)
{
    if (usesThreadedAnimation_ == threaded)
        return;
    usesThreadedAnimation_ = threaded;
    if (isAnimating()) {
        // Restart in the new mode.
        stopAnimation();
        startAnimation();
    }
}

void ZQSpinningProgressIndicator::setIsIndeterminate(bool indeterminate)
{
    indeterminate_ = indeterminate;
    if (!indeterminate && isAnimating())
        stopAnimation();
    update();
}

void ZQSpinningProgressIndicator::setCurrentValue(double value)
{
    // Switching to the pie does not stop a running animation.
    indeterminate_ = false;
    currentValue_ = value;
    update();
}

void ZQSpinningProgressIndicator::setMaxValue(double value)
{
    maxValue_ = value;
    update();
}

bool ZQSpinningProgressIndicator::isAnimating() const
{
    std::lock_guard lock(mutex_);
    return animating_;
}

bool ZQSpinningProgressIndicator::isFadingOut() const
{
    std::lock_guard lock(mutex_);
    return fadingOut_;
}

int ZQSpinningProgressIndicator::position() const
{
    std::lock_guard lock(mutex_);
    return position_;
}

std::array<QColor, ZQSpinningProgressIndicator::FinCount>
ZQSpinningProgressIndicator::finColors() const
{
    std::lock_guard lock(mutex_);
    return finColors_;
}

double ZQSpinningProgressIndicator::alphaValueForPosition(int fin) const
{
    std::lock_guard lock(mutex_);
    return alphaLocked(fin, clock_->now());
}

double ZQSpinningProgressIndicator::alphaLocked(int fin, const QDateTime &now) const
{
    double alpha = std::pow(0.85, (position_ + fin) % FinCount);
    if (fadingOut_)
        alpha *= FadeOutSeconds - fadeOutStart_.msecsTo(now) / 1000.0;
    return alpha;
}

void ZQSpinningProgressIndicator::recomputeFinColorsLocked()
{
    const QDateTime now = clock_->now();
    for (int fin = 0; fin < FinCount; ++fin) {
        QColor c = color_;
        c.setAlphaF(float(std::clamp(alphaLocked(fin, now), 0.0, 1.0)));
        finColors_[size_t(fin)] = c;
    }
}

void ZQSpinningProgressIndicator::startAnimation()
{
    if (!indeterminate_)
        return;
    {
        std::lock_guard lock(mutex_);
        if (animating_ && !fadingOut_)
            return;
    }
    actuallyStartAnimation();
}

void ZQSpinningProgressIndicator::stopAnimation()
{
    std::lock_guard lock(mutex_);
    if (!animating_ || fadingOut_)
        return;
    fadingOut_ = true;
    fadeOutStart_ = clock_->now();
}

void ZQSpinningProgressIndicator::actuallyStartAnimation()
{
    actuallyStopAnimation();
    {
        std::lock_guard lock(mutex_);
        animating_ = true;
        fadingOut_ = false;
        position_ = 0;
    }
    if (!displayedWhenStopped_)
        show();
    // Without a visible window the frames wait for showEvent.
    if (isVisible())
        startFrames();
}

void ZQSpinningProgressIndicator::actuallyStopAnimation()
{
    {
        std::lock_guard lock(mutex_);
        animating_ = false;
        fadingOut_ = false;
    }
    stopFrames();
    if (!displayedWhenStopped_)
        hide();
    update();
}

void ZQSpinningProgressIndicator::startFrames()
{
    stopFrames();
    if (!usesThreadedAnimation_) {
        timer_ = clock_->callEvery(
            Clock::Duration(FrameMilliseconds),
            [this] {
                if (frameStep())
                    actuallyStopAnimation();
                else
                    update();
            },
            this);
        return;
    }
    threadCancelled_ = false;
    thread_ = std::thread([this] {
        while (!threadCancelled_) {
            const bool ended = frameStep();
            // Widgets paint on the main thread only: ask it to repaint, or
            // to stop us once the fade has ended. The destructor joins this
            // thread first, so `this` outlives every queued call.
            QMetaObject::invokeMethod(
                this,
                [this, ended] {
                    if (ended)
                        actuallyStopAnimation();
                    else
                        update();
                },
                Qt::QueuedConnection);
            if (ended)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(FrameMilliseconds));
        }
    });
}

void ZQSpinningProgressIndicator::stopFrames()
{
    if (timer_) {
        clock_->withdraw(timer_);
        timer_ = 0;
    }
    if (thread_.joinable()) {
        threadCancelled_ = true;
        thread_.join();
    }
}

bool ZQSpinningProgressIndicator::frameStep()
{
    std::lock_guard lock(mutex_);
    const QDateTime now = clock_->now();
    const double floor = finFloor_;
    for (int fin = 0; fin < FinCount; ++fin) {
        QColor c = color_;
        c.setAlphaF(float(std::clamp(std::max(alphaLocked(fin, now), floor), 0.0, 1.0)));
        finColors_[size_t(fin)] = c;
    }
    const bool ended = fadingOut_ && fadeOutStart_.msecsTo(now) > FadeOutSeconds * 1000;
    if (!fadingOut_)
        position_ = (position_ + 1) % FinCount;
    return ended;
}

void ZQSpinningProgressIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (isAnimating() && !timer_ && !thread_.joinable())
        startFrames();
}

void ZQSpinningProgressIndicator::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    stopFrames();
}

void ZQSpinningProgressIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (drawsBackground_)
        painter.fillRect(rect(), backgroundColor_);

    const double side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);

    if (indeterminate_) {
        const bool animating = isAnimating();
        const auto colors = finColors();
        QColor idle = color();
        idle.setAlphaF(0.15f);
        QPen pen(Qt::black, 0.0859375 * side, Qt::SolidLine, Qt::RoundCap);
        // Fin 0 points up; fins follow counterclockwise, so the brightest
        // travels clockwise as the position grows.
        for (int fin = 0; fin < FinCount; ++fin) {
            pen.setColor(animating ? colors[size_t(fin)] : idle);
            painter.setPen(pen);
            painter.drawLine(QPointF(0, -0.234375 * side), QPointF(0, -0.421875 * side));
            painter.rotate(-30.0);
        }
        return;
    }

    const double lineWidth = 1 + 0.01 * side;
    const double radius = (side - lineWidth) / 2.1;
    const QColor ink = color();
    painter.setPen(QPen(ink, lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(0, 0), radius, radius);
    const double share = maxValue_ > 0 ? std::clamp(currentValue_ / maxValue_, 0.0, 1.0) : 0.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    // Qt's angles run counterclockwise in sixteenths of a degree.
    painter.drawPie(QRectF(-radius, -radius, 2 * radius, 2 * radius), 90 * 16,
        -int(std::lround(360.0 * 16 * share)));
}
