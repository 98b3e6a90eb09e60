#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// The single-instance lock: a lock file beside the store, held by the process
// that writes to the store (the application, or the command-line companion
// for commands that write). A lock left by a process that died is taken over.
class InstanceLock {
public:
    explicit InstanceLock(QString path);
    ~InstanceLock();

    // True when this process now holds the lock (or already did). Creates
    // the lock's folder when needed.
    bool tryLock();
    bool isLocked() const;
    void unlock();

    // After a failed tryLock: whether another process holds the lock. When
    // it does not, the lock file could not be written and errorString says
    // why.
    bool isHeldElsewhere() const { return heldElsewhere_; }
    // "The lock file PATH could not be created: REASON", empty when the
    // last tryLock did not fail that way.
    const QString &errorString() const { return errorString_; }

    // The process id written by the holder, 0 when unknown.
    qint64 holderPid() const;

    const QString &path() const { return path_; }

private:
    // The system's reason why the lock file cannot be written.
    QString writeFailureReason() const;

    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool heldElsewhere_ = false;
    QString errorString_;
};
