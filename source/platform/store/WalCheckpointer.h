#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

struct sqlite3;

// Moves the write-ahead log back into the store file on a thread of its
// own. SQLite would otherwise do it inside the commit that crosses the
// log's size limit, on the main thread, where it can take tens of
// milliseconds. The writer's commits only signal this thread, which runs a
// passive checkpoint over its own connection: it never blocks the writer or
// the readers, and what it cannot copy yet is copied the next time.
class WalCheckpointer {
public:
    // Log pages written before a checkpoint is asked for (SQLite's own
    // automatic limit).
    static constexpr int pagesBeforeCheckpoint = 1000;
    // A writer that commits faster than the thread can copy checkpoints
    // itself past this size, so the log cannot grow without bound.
    static constexpr int pagesBeforeWriterCheckpoint = 8 * pagesBeforeCheckpoint;

    explicit WalCheckpointer(QString path);
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer &) = delete;
    WalCheckpointer &operator=(const WalCheckpointer &) = delete;

    // Turns off the writer's own checkpoints and sends them here.
    void attach(sqlite3 *writer);

    // Checkpoints run so far (tests).
    int checkpoints() const;

private:
    static int walHook(void *self, sqlite3 *db, const char *name, int pages);
    void run();

    const QString path_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool requested_ = false;
    bool stopping_ = false;
    int checkpoints_ = 0;
    std::thread thread_;
};
