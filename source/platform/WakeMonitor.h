#pragma once

#include <QObject>

// Posts NSWorkspaceDidWakeNotification on the default notification centre
// when logind reports that the machine has woken (PrepareForSleep(false) on
// the system bus). Without a system bus there is nothing to watch and
// nothing is posted.
class WakeMonitor : public QObject {
    Q_OBJECT

public:
    explicit WakeMonitor(QObject *parent = nullptr);

    bool isWatching() const { return watching_; }

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    bool watching_ = false;
};
