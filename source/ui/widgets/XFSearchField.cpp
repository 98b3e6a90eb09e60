#include "ui/widgets/XFSearchField.h"

#include "Resources.h"
#include "platform/StringFormat.h"
#include "ui/widgets/AnimationGroup.h"

#include <QAction>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QToolButton>

XFSearchField::XFSearchField(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
    setClearButtonEnabled(true);
    setPlaceholderText(localized("XFSearchField", "Search"));
    setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette transparent = palette();
    transparent.setColor(QPalette::Base, Qt::transparent);
    setPalette(transparent);

    QIcon magnifier(Resources::imagePath(QStringLiteral("search")));
    magnifier.addFile(
        Resources::imagePath(QStringLiteral("search-pushed")), QSize(), QIcon::Active);
    QAction *button = addAction(magnifier, QLineEdit::LeadingPosition);
    button->setObjectName(QStringLiteral("searchButton"));
    button->setText(localized("XFSearchField", "Search"));
    button->setToolTip(button->text());
    connect(button, &QAction::triggered, this, &XFSearchField::search);
    // QLineEdit's own clear button; its tool button takes the action's text
    // as its accessible name, as the magnifier's does.
    if (auto *clear = findChild<QAction *>(QStringLiteral("_q_qlineeditclearaction")))
        clear->setText(localized("XFSearchField", "Clear search"));
    for (auto *tool : findChildren<QToolButton *>(Qt::FindDirectChildrenOnly))
        if (tool->defaultAction())
            tool->setAccessibleName(tool->defaultAction()->text());

    setFixedWidth(CollapsedWidth);
}

void XFSearchField::setExpandedWidth(int width)
{
    expandedWidth_ = std::max(width, CollapsedWidth + 1);
    if (!collapsed_ && !animating_)
        setFixedWidth(expandedWidth_);
}

double XFSearchField::expansion() const
{
    return std::clamp(
        double(width() - CollapsedWidth) / double(expandedWidth_ - CollapsedWidth), 0.0, 1.0);
}

void XFSearchField::setCurrentWidth(int width)
{
    setFixedWidth(width);
    update();
}

void XFSearchField::search()
{
    clear();
    toggleWidth();
}

void XFSearchField::setIsCollapsed(bool collapse)
{
    if (delegate_) {
        const bool agreed = collapse ? delegate_->searchFieldShouldCollapse(this)
                                     : delegate_->searchFieldShouldExpand(this);
        if (!agreed)
            return;
    }
    // Editing ends before the width changes.
    if (QWidget *focused = window()->focusWidget())
        focused->clearFocus();

    const int target = collapse ? CollapsedWidth : expandedWidth_;
    animating_ = true;
    QPointer<XFSearchField> self(this);
    AnimationGroup::groupWithDuration(
        animationDuration_, AnimationGroup::easeOut(),
        [self, collapse] {
            if (!self)
                return;
            self->animating_ = false;
            if (!collapse)
                self->setFocus(Qt::OtherFocusReason);
            self->update();
            if (self->delegate_) {
                if (collapse)
                    self->delegate_->searchFieldDidCollapse(self);
                else
                    self->delegate_->searchFieldDidExpand(self);
            }
            self->collapsed_ = collapse;
            Q_EMIT self->collapsedChanged(collapse);
        },
        [this, target] { AnimationGroup::animate(this, "currentWidth", target); });
}

void XFSearchField::paintEvent(QPaintEvent *event)
{
    const double t = expansion();
    if (t > 0) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF shape = QRectF(rect()).adjusted(1, 0.5, -1, -0.5);
        const double radius = shape.height() / 2;
        QPainterPath pill;
        pill.addRoundedRect(shape, radius, radius);

        QColor white(Qt::white);
        white.setAlphaF(float(t));
        painter.fillPath(pill, white);

        // An inner shadow along the top edge, fading in with the width.
        painter.save();
        painter.setClipPath(pill);
        QLinearGradient shadow(shape.topLeft(), shape.topLeft() + QPointF(0, 3.1));
        QColor dark(0, 0, 0);
        dark.setAlphaF(float(0.22 * t));
        shadow.setColorAt(0, dark);
        shadow.setColorAt(1, Qt::transparent);
        painter.fillRect(shape, shadow);
        painter.restore();

        QColor outline = QColor::fromRgbF(0.59f, 0.59f, 0.59f);
        outline.setAlphaF(float(t));
        painter.setPen(QPen(outline, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(pill);
    }
    QLineEdit::paintEvent(event);
}
