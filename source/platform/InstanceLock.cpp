#include "platform/InstanceLock.h"

#include "platform/StringFormat.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

InstanceLock::InstanceLock(QString path) : path_(std::move(path))
{
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock()
{
    if (lock_ && lock_->isLocked())
        return true;
    heldElsewhere_ = false;
    errorString_.clear();
    QDir().mkpath(QFileInfo(path_).absolutePath());
    lock_ = std::make_unique<QLockFile>(path_);
    // A lock is never stale while its holder lives; QLockFile checks the pid
    // and host itself, so no age limit is needed.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    if (lock_->error() == QLockFile::LockFailedError) {
        heldElsewhere_ = true;
    } else {
        errorString_ =
            formatString(localized("InstanceLock", "The lock file %@ could not be created: %@."),
                QDir::toNativeSeparators(path_), writeFailureReason());
    }
    return false;
}

QString InstanceLock::writeFailureReason() const
{
    // QLockFile keeps the system's error to itself: a second attempt with
    // the same calls finds it again (a missing folder, a read-only or full
    // file system). The probe is removed again at once.
    const QByteArray path = QFile::encodeName(path_);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const QByteArray contents = QByteArray::number(qint64(::getpid())).append('\n').repeated(16);
    const ssize_t written = ::write(fd, contents.constData(), size_t(contents.size()));
    const int writeError = errno;
    const bool synced = written == contents.size() && ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    ::unlink(path.constData());
    if (written != contents.size())
        return written < 0 ? QString::fromLocal8Bit(std::strerror(writeError))
                           : QString::fromLocal8Bit(std::strerror(ENOSPC));
    if (!synced)
        return QString::fromLocal8Bit(std::strerror(syncError));
    return localized("InstanceLock", "unknown error");
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
