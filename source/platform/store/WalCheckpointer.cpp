#include "platform/store/WalCheckpointer.h"

#include "platform/store/SqliteConnection.h"

#include <sqlite3.h>

WalCheckpointer::WalCheckpointer(QString path) : path_(std::move(path)), thread_([this] { run(); })
{
}

WalCheckpointer::~WalCheckpointer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void WalCheckpointer::attach(sqlite3 *writer)
{
    sqlite3_wal_autocheckpoint(writer, 0);
    // The log file shrinks back when it starts over.
    sqlite3_exec(writer, "PRAGMA journal_size_limit=8388608", nullptr, nullptr, nullptr);
    sqlite3_wal_hook(writer, &WalCheckpointer::walHook, this);
}

int WalCheckpointer::checkpoints() const
{
    std::lock_guard lock(mutex_);
    return checkpoints_;
}

int WalCheckpointer::walHook(void *self, sqlite3 *db, const char *name, int pages)
{
    if (pages >= pagesBeforeWriterCheckpoint) {
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    } else if (pages >= pagesBeforeCheckpoint) {
        auto *checkpointer = static_cast<WalCheckpointer *>(self);
        {
            std::lock_guard lock(checkpointer->mutex_);
            checkpointer->requested_ = true;
        }
        checkpointer->wake_.notify_one();
    }
    return SQLITE_OK;
}

void WalCheckpointer::run()
{
    SqliteConnection connection;
    bool opened = false;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return requested_ || stopping_; });
            if (stopping_)
                return;
            requested_ = false;
        }
        if (!opened)
            opened = connection.open(path_, false, nullptr);
        if (!opened)
            continue;
        sqlite3_wal_checkpoint_v2(
            connection.handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        std::lock_guard lock(mutex_);
        ++checkpoints_;
    }
}
