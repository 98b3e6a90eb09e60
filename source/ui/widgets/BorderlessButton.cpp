#include "ui/widgets/BorderlessButton.h"

BorderlessButton::BorderlessButton(QWidget *parent) : QToolButton(parent)
{
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setFocusPolicy(Qt::TabFocus);
    setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
}
