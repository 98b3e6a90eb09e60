#include "cli/Cli.h"

#include "model/Product.h"
#include "model/StoreQueries.h"
#include "platform/AppPaths.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"
#include "shell/TerminationSignals.h"
#include "update/UpdateController.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

Cli::Cli(QStringList arguments) : arguments_(std::move(arguments))
{
}

Cli::~Cli()
{
    // The engine goes before the store it writes to.
    if (delegate_)
        delegate_->shutDownUpdates();
}

QString Cli::usageText()
{
    return QStringLiteral(
        "Usage: reviewkeeper-cli COMMAND [OPTIONS]\n"
        "\n"
        "Commands:\n"
        "  search TERM [--kinds ios,mac,book,podcast] [--json|--csv]\n"
        "  add ID|ADDRESS...\n"
        "  remove ID...\n"
        "  update [ID...] | update --due\n"
        "  products [--json|--csv]\n"
        "  reviews ID [--country CC] [--version V] [--search TEXT] [--unread]\n"
        "             [--unanswered] [--mark-read] [--translate LANG] [--json|--csv]\n"
        "  ratings ID [--history [--country CC]] [--json|--csv]\n"
        "  gaps [ID] [--json|--csv]\n"
        "  config [KEY [VALUE]]\n"
        "  connect --issuer ID --key-id ID --key-file PATH\n"
        "  disconnect\n"
        "  reply REVIEW TEXT | reply REVIEW --delete\n"
        "  forward add slack|discord|teams|webhook URL [--secret S] [--product ID]...\n"
        "              [--min-rating N] [--max-rating N] [--country CC]...\n"
        "              [--keyword WORD]... [--no-edited] [--since DATE]\n"
        "  forward list [--json|--csv] | forward remove N | forward test N\n"
        "\n"
        "Options: --help, --version\n"
        "\n"
        "Exit status: 0 success, 1 error (a failed save too), 2 wrong usage, 3 another\n"
        "instance holds the store, 130 and 143 stopped by SIGINT and SIGTERM (what was\n"
        "fetched until then is saved).\n");
}

int Cli::run()
{
    const QStringList rest = arguments_.mid(1);
    if (rest.isEmpty())
        return usageError(QStringLiteral("No command given."));
    const QString command = rest.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")
        || command == QLatin1String("help")) {
        out(usageText().toUtf8());
        return Success;
    }
    if (command == QLatin1String("--version") || command == QLatin1String("-v")) {
        out(QStringLiteral("reviewkeeper-cli %1\n").arg(AppPaths::version()).toUtf8());
        return Success;
    }
    const QStringList arguments = rest.mid(1);
    const QHash<QString, int (Cli::*)(const QStringList &)> commands {
        {QStringLiteral("search"), &Cli::search}, {QStringLiteral("add"), &Cli::add},
        {QStringLiteral("remove"), &Cli::remove}, {QStringLiteral("update"), &Cli::update},
        {QStringLiteral("products"), &Cli::products}, {QStringLiteral("reviews"), &Cli::reviews},
        {QStringLiteral("ratings"), &Cli::ratings}, {QStringLiteral("gaps"), &Cli::gaps},
        {QStringLiteral("config"), &Cli::config}, {QStringLiteral("connect"), &Cli::connect},
        {QStringLiteral("disconnect"), &Cli::disconnect}, {QStringLiteral("reply"), &Cli::reply},
        {QStringLiteral("forward"), &Cli::forward}};
    const auto found = commands.constFind(command);
    if (found == commands.cend())
        return usageError(QStringLiteral("Unknown command \"%1\".").arg(command));
    const TerminationSignals termination([this](int signal) { stop(signal); });
    const int status = (this->*found.value())(arguments);
    // A failed save is never a success, whatever the command went on to do.
    if (delegate_ && delegate_->hasFailedToSave())
        return Failure;
    return stoppedBy_ ? TerminationSignals::exitStatus(stoppedBy_) : status;
}

void Cli::stop(int signal)
{
    stoppedBy_ = signal;
    if (delegate_ && delegate_->managedObjectContext())
        delegate_->updateController()->performCancelLoadAction();
}

bool Cli::parse(QCommandLineParser &parser, const QStringList &arguments, int minimum, int maximum)
{
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList {arguments_.value(0)} + arguments)) {
        usageError(parser.errorText());
        return false;
    }
    const qsizetype count = parser.positionalArguments().size();
    if (count < minimum || (maximum >= 0 && count > maximum)) {
        usageError(count < minimum ? QStringLiteral("Missing arguments.")
                                   : QStringLiteral("Too many arguments."));
        return false;
    }
    return true;
}

std::optional<OutputTable::Format> Cli::parseListing(
    QCommandLineParser &parser, const QStringList &arguments, int minimum, int maximum)
{
    parser.addOption({QStringLiteral("json"), QStringLiteral("Write one JSON array.")});
    parser.addOption({QStringLiteral("csv"), QStringLiteral("Write CSV with a header row.")});
    if (!parse(parser, arguments, minimum, maximum))
        return std::nullopt;
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool csv = parser.isSet(QStringLiteral("csv"));
    if (json && csv) {
        usageError(QStringLiteral("Choose one of --json and --csv."));
        return std::nullopt;
    }
    return json ? OutputTable::Format::Json
                : (csv ? OutputTable::Format::Csv : OutputTable::Format::Plain);
}

int Cli::takeLock()
{
    lock_ = std::make_unique<InstanceLock>(AppPaths::lockFile());
    if (lock_->tryLock())
        return Success;
    if (!lock_->isHeldElsewhere()) {
        err(lock_->errorString());
        return Failure;
    }
    err(formatString(
        localized("AppDelegate", "%@ is already running."), AppPaths::applicationName()));
    return Locked;
}

int Cli::openStore(bool write)
{
    if (write) {
        if (const int status = takeLock(); status != Success)
            return status;
    }
    delegate_ = std::make_unique<CliAppDelegate>([this](const QString &line) { err(line); });
    delegate_->setUpdateHost(&host_);
    if (!delegate_->managedObjectContext())
        return Failure; // the store's error has been shown
    if (write) {
        // A new store gets its countries; only the writer may add them.
        delegate_->initializeDataBaseIfRequired();
        // The writer fetches; the shared cache lets runs within the hour
        // reuse the answers of the previous one, as the application does.
        delegate_->setUpSharedURLCache(false);
        if (delegate_->hasFailedToSave())
            return Failure;
    }
    return Success;
}

std::optional<Cli::Products> Cli::productsForIdentifiers(const QStringList &identifiers)
{
    const auto all = StoreQueries::allProducts(delegate_->managedObjectContext());
    if (!all)
        return std::nullopt;
    Products found;
    bool missing = false;
    for (const QString &identifier : identifiers) {
        bool known = false;
        for (const auto &product : *all) {
            if (product->identifier() == identifier) {
                if (!found.contains(product))
                    found << product;
                known = true;
                break;
            }
        }
        if (!known) {
            err(QStringLiteral("No product with the identifier %1.").arg(identifier));
            missing = true;
        }
    }
    if (missing)
        return std::nullopt;
    return found;
}

void Cli::waitUntil(const std::function<bool()> &done)
{
    // Cancelled fetches end at once; the grace lets their merges land.
    constexpr qint64 graceAfterStopMs = 3000;
    QElapsedTimer sinceStop;
    while (!done()) {
        if (stoppedBy_ && !sinceStop.isValid())
            sinceStop.start();
        if (sinceStop.isValid() && sinceStop.elapsed() > graceAfterStopMs)
            return;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
}

bool Cli::finishWriting()
{
    if (!delegate_)
        return true;
    // Ratings merges are not awaited by the updates: all of them reach the
    // store before the process ends.
    if (UpdateController *controller = delegate_->updateController())
        controller->drainMerges();
    if (ManagedObjectContext *context = delegate_->managedObjectContext()) {
        context->drainChildren();
        QCoreApplication::processEvents();
        if (context->hasChanges())
            delegate_->saveAction();
    }
    bool saved = !delegate_->hasFailedToSave();
    if (!UserDefaults::standard().synchronize()) {
        err(QStringLiteral("Could not write the preferences to %1.")
                .arg(UserDefaults::standard().fileName()));
        saved = false;
    }
    return saved;
}

int Cli::usageError(const QString &message)
{
    err(message);
    err(QStringLiteral("Try \"reviewkeeper-cli --help\"."));
    return Usage;
}

void Cli::out(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void Cli::err(const QString &line)
{
    host_.printLine(line);
}
