#pragma once

#include "platform/Clock.h"

#include <QColor>
#include <QDateTime>
#include <QWidget>

#include <array>
#include <atomic>
#include <mutex>
#include <thread>

// A spinning progress indicator: twelve fins whose brightness travels
// clockwise, fading out for 0.7 s after stopAnimation(); or, when
// determinate, a pie showing currentValue of maxValue. Frames come from a
// Clock timer on the main thread, or from a thread of its own that computes
// the frame and asks the main thread to repaint.
class ZQSpinningProgressIndicator : public QWidget {
    Q_OBJECT

public:
    static constexpr int FinCount = 12;
    static constexpr int FrameMilliseconds = 50;
    static constexpr double FadeOutSeconds = 0.7;

    explicit ZQSpinningProgressIndicator(QWidget *parent = nullptr, Clock *clock = nullptr);
    ~ZQSpinningProgressIndicator() override;

    void startAnimation();
    void stopAnimation();

    QColor color() const;
    void setColor(const QColor &color);
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor &color);
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws);
    bool isDisplayedWhenStopped() const { return displayedWhenStopped_; }
    void setDisplayedWhenStopped(bool displayed);
    bool usesThreadedAnimation() const { return usesThreadedAnimation_; }
    void setUsesThreadedAnimation(bool threaded);
    bool isIndeterminate() const { return indeterminate_; }
    void setIsIndeterminate(bool indeterminate);
    double currentValue() const { return currentValue_; }
    void setCurrentValue(double value);
    double maxValue() const { return maxValue_; }
    void setMaxValue(double value);
    void setStyle(int) { }

    bool isAnimating() const;
    bool isFadingOut() const;
    int position() const;
    // The fin's brightness for the current frame (0 … 1).
    double alphaValueForPosition(int fin) const;
    std::array<QColor, FinCount> finColors() const;

    QSize sizeHint() const override { return QSize(32, 32); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void actuallyStartAnimation();
    void actuallyStopAnimation();
    void startFrames();
    void stopFrames();
    // Computes one frame; true when the fade-out has ended.
    bool frameStep();
    double alphaLocked(int fin, const QDateTime &now) const;
    void recomputeFinColorsLocked();

    Clock *clock_;

    // Shared with the animation thread.
    mutable std::mutex mutex_;
    QColor color_ = Qt::black;
    std::array<QColor, FinCount> finColors_;
    int position_ = 0;
    bool animating_ = false;
    bool fadingOut_ = false;
    QDateTime fadeOutStart_;
    double finFloor_ = 0.15; // the faintest a fin gets while animating

    // Main thread only.
    QColor backgroundColor_ = Qt::transparent;
    bool drawsBackground_ = false;
    bool displayedWhenStopped_ = true;
    bool usesThreadedAnimation_ = true;
    bool indeterminate_ = true;
    double currentValue_ = 0;
    double maxValue_ = 100;
    Clock::TimerId timer_ = 0;
    std::thread thread_;
    std::atomic<bool> threadCancelled_ {false};
};
