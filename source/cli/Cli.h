#pragma once

#include "cli/CliAppDelegate.h"
#include "cli/OutputTable.h"
#include "cli/TerminalUpdateHost.h"
#include "platform/InstanceLock.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class ForwardDestination;
class Product;
class Review;
class QCommandLineParser;

// One run of reviewkeeper-cli: parses the command, opens the store when the
// command needs it (taking the single-instance lock when it writes), runs
// the command on the shared engine and returns the exit status.
class Cli {
public:
    enum Status { Success = 0, Failure = 1, Usage = 2, Locked = 3 };

    // `arguments` as QCoreApplication gives them (the program first).
    explicit Cli(QStringList arguments);
    ~Cli();

    int run();

    static QString usageText();

private:
    using Products = QList<std::shared_ptr<Product>>;

    int search(const QStringList &arguments);
    int add(const QStringList &arguments);
    int remove(const QStringList &arguments);
    int update(const QStringList &arguments);
    int products(const QStringList &arguments);
    int reviews(const QStringList &arguments);
    int ratings(const QStringList &arguments);
    int gaps(const QStringList &arguments);
    int config(const QStringList &arguments);
    int connect(const QStringList &arguments);
    int disconnect(const QStringList &arguments);
    int reply(const QStringList &arguments);
    int forward(const QStringList &arguments);
    int forwardAdd(const QStringList &arguments);
    int forwardList(const QStringList &arguments);
    int forwardRemove(const QStringList &arguments);
    int forwardTest(const QStringList &arguments);
    // The destination a command's one argument names by number, with the
    // store open for writing; null with `status` set (and the reason shown)
    // otherwise.
    std::shared_ptr<ForwardDestination> destinationArgument(
        const QStringList &arguments, int *status);

    // Parses a command's options; false (and a usage message) when they are wrong.
    bool parse(QCommandLineParser &parser, const QStringList &arguments, int minimum, int maximum);
    // For commands that list records: adds --json and --csv, parses, and
    // picks the format; nullopt after a usage message.
    std::optional<OutputTable::Format> parseListing(
        QCommandLineParser &parser, const QStringList &arguments, int minimum, int maximum);
    // Opens the store; with `write`, takes the lock first. Returns
    // Success or the status to exit with.
    int openStore(bool write);
    // The single-instance lock, for commands that write.
    int takeLock();
    // The stored products with these identifiers, in the given order; the
    // unknown ones are reported and give nullopt.
    std::optional<Products> productsForIdentifiers(const QStringList &identifiers);
    // Runs the event loop until `done` holds, or for a short while more
    // after SIGINT or SIGTERM (the running update is cancelled then).
    void waitUntil(const std::function<bool()> &done);
    // Waits for the engine's merges and saves; false (the error has been
    // shown) when a save of this run failed.
    bool finishWriting();
    // Shows each review translated into `language`, fetching the missing
    // translations one at a time with progress on standard error; false
    // (the error has been shown) when one failed, and the rest are left.
    bool translateReviews(const QList<std::shared_ptr<Review>> &reviews, const QString &language);
    // SIGINT or SIGTERM: stops the fetches; the command saves what it has.
    void stop(int signal);

    int usageError(const QString &message);
    void out(const QByteArray &bytes);
    void err(const QString &line);

    QStringList arguments_;
    TerminalUpdateHost host_;
    std::unique_ptr<CliAppDelegate> delegate_;
    std::unique_ptr<InstanceLock> lock_;
    int stoppedBy_ = 0;
};
