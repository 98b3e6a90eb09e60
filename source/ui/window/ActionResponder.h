#pragma once

#include <QString>
#include <QVariant>

class QAction;

// Something that can perform named menu actions ("performLoadAllAction",
// "delete", "markAllReadAction" …). The main window routes each action to the
// first responder that takes it, as the menu items have no fixed target.
class ActionResponder {
public:
    virtual ~ActionResponder() = default;

    virtual bool respondsToAction(const QString &action) const = 0;
    virtual void performAction(const QString &action, const QVariant &sender) = 0;

    // Lets the responder enable, check or retitle the item before it shows;
    // returns whether the item is enabled.
    virtual bool validateAction(const QString &action, QAction *item)
    {
        Q_UNUSED(action);
        Q_UNUSED(item);
        return true;
    }
};
