#include "InstanceLock.h"

#include <QDir>
#include <QFileInfo>

InstanceLock::InstanceLock(QString path) : path_(std::move(path))
{
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock()
{
    if (lock_ && lock_->isLocked())
        return true;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    lock_ = std::make_unique<QLockFile>(path_);
    // A lock is never stale while its holder lives; QLockFile checks the pid
    // and host itself, so no age limit is needed.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

bool InstanceLock::isLocked() const
{
    return lock_ && lock_->isLocked();
}

void InstanceLock::unlock()
{
    if (lock_)
        lock_->unlock();
}

qint64 InstanceLock::holderPid() const
{
    QLockFile probe(path_);
    qint64 pid = 0;
    QString host, application;
    if (lock_ && lock_->getLockInfo(&pid, &host, &application))
        return pid;
    return probe.getLockInfo(&pid, &host, &application) ? pid : 0;
}
