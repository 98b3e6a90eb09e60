#include "ui/widgets/Popover.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

Popover::Popover(Behavior behavior, QWidget *content, QWidget *parent)
    : QFrame(parent,
        behavior == Behavior::Semitransient
            // A popup closes itself on a click outside it.
            ? Qt::Popup
            // A tool window stays above its parent without taking the
            // mouse, so the main window remains usable.
            : Qt::Tool | Qt::FramelessWindowHint),
      behavior_(behavior),
      content_(content)
{
    setFrameShape(QFrame::StyledPanel);
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(content_);
    if (!content_->accessibleName().isEmpty())
        setAccessibleName(content_->accessibleName());
}

Popover::~Popover()
{
    // The content belongs to its controller, which outlives the popover and
    // may already have placed it in the next one.
    if (content_ && content_->parentWidget() == this)
        content_->setParent(nullptr);
}

void Popover::showRelativeToWidget(QWidget *anchor, Edge edge)
{
    if (anchorWindow_)
        anchorWindow_->removeEventFilter(this);
    anchor_ = anchor;
    anchorWindow_ = anchor ? anchor->window() : parentWidget() ? parentWidget()->window() : nullptr;
    if (anchorWindow_ && anchorWindow_ != this)
        anchorWindow_->installEventFilter(this);
    edge_ = edge;
    closing_ = false;
    Q_EMIT aboutToShow();
    adjustSize();
    place();
    show();
    raise();
    activateWindow();
    if (content_)
        content_->setFocus(Qt::PopupFocusReason);
}

void Popover::place()
{
    const QSize size = sizeHint().expandedTo(minimumSizeHint());
    QRect target;
    if (anchor_)
        target = QRect(anchor_->mapToGlobal(QPoint(0, 0)), anchor_->size());
    else if (anchorWindow_)
        target = QRect(anchorWindow_->mapToGlobal(anchorWindow_->rect().center()), QSize(0, 0));
    QScreen *screen = anchor_ ? anchor_->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();

    const int below = target.bottom() + 1;
    const int above = target.top() - size.height();
    int y = edge_ == Edge::Below ? below : above;
    if (available.isValid()) {
        if (edge_ == Edge::Below && below + size.height() > available.bottom()
            && above >= available.top())
            y = above;
        else if (edge_ == Edge::Above && above < available.top())
            y = below;
    }
    int x = target.center().x() - size.width() / 2;
    if (available.isValid())
        x = qBound(available.left(), x, qMax(available.left(), available.right() - size.width()));
    setGeometry(QRect(QPoint(x, y), size));
}

void Popover::performClose()
{
    if (!isVisible() || closing_)
        return;
    closing_ = true;
    close();
}

void Popover::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        performClose();
        return;
    }
    QFrame::keyPressEvent(event);
}

void Popover::closeEvent(QCloseEvent *event)
{
    // A popup closed by a click outside arrives here without performClose.
    closing_ = true;
    Q_EMIT aboutToClose();
    QFrame::closeEvent(event);
}

void Popover::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    finishClosing();
}

void Popover::finishClosing()
{
    if (!closing_)
        return;
    closing_ = false;
    if (anchorWindow_) {
        anchorWindow_->removeEventFilter(this);
        // The keyboard goes back to the window the popover came from, so its
        // shortcuts work at once, with or without a window manager's help.
        if (anchorWindow_->isVisible())
            anchorWindow_->activateWindow();
    }
    Q_EMIT closed();
}

bool Popover::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == anchorWindow_ && isVisible()) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            place();
            break;
        case QEvent::Hide:
            performClose();
            break;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}
