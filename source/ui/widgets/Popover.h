#pragma once

#include <QFrame>
#include <QPointer>

// A small window of controls shown beside the widget that opened it, like a
// menu that stays. Its content is any widget. Semi-transient popovers close
// when the user clicks elsewhere; application-defined ones stay until told
// to close, so the user can keep working in the main window meanwhile and
// come back to them. Escape closes either kind. The popover follows its
// anchor's window when that moves.
class Popover : public QFrame {
    Q_OBJECT

public:
    enum class Behavior { ApplicationDefined, Semitransient };
    // The anchor's edge the popover opens at: below it or above it. When the
    // screen has no room on that side, the other is used.
    enum class Edge { Below, Above };

    explicit Popover(Behavior behavior, QWidget *content, QWidget *parent = nullptr);
    ~Popover() override;

    Behavior behavior() const { return behavior_; }
    QWidget *content() const { return content_; }

    // Shows the popover at `anchor` (the parent's centre when none) and gives
    // its content focus.
    void showRelativeToWidget(QWidget *anchor, Edge edge);
    // Closes it; aboutToClose and closed are emitted once per showing.
    void performClose();
    bool isShown() const { return isVisible(); }

Q_SIGNALS:
    void aboutToShow();
    void aboutToClose();
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();
    void finishClosing();

    Behavior behavior_;
    QPointer<QWidget> content_;
    QPointer<QWidget> anchor_;
    QPointer<QWidget> anchorWindow_;
    Edge edge_ = Edge::Below;
    bool closing_ = false;
};
