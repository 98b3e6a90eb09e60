#pragma once

#include "ui/window/ActionResponder.h"

#include <QStringList>

// Takes the actions it is given and records those performed, in order.
class RecordingResponder : public ActionResponder {
public:
    explicit RecordingResponder(QStringList actions) : actions_(std::move(actions)) { }
    bool respondsToAction(const QString &action) const override
    {
        return actions_.contains(action);
    }
    void performAction(const QString &action, const QVariant &) override { performed << action; }
    QStringList performed;

private:
    QStringList actions_;
};
