// The review list over one product of many reviews, offscreen: selecting it
// to the first painted screen, one search keystroke, the longest stall
// scrolling top to bottom, and memory over the empty window; then the
// reviews-per-week chart over the same product (a year of reviews, some
// edited), and the ratings history chart over two years of daily snapshots
// in 40 countries: selecting the product to the chart drawn. Each beside a
// floor measured in the same run.
//   bench_ui [--tiny]
// The store is written by a child run of this program (--write-store), so
// that writing it leaves nothing in this process's memory.
#include "../support/SnapshotWriter.h"
#include "model/App.h"
#include "model/DataModel.h"
#include "model/Review.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "ui/charts/RatingsHistoryChart.h"
#include "ui/charts/ReviewsPerWeekChart.h"
#include "ui/reviews/ReviewController.h"
#include "ui/reviews/ReviewListModel.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QScrollBar>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

namespace {

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

std::shared_ptr<PersistentStoreCoordinator> openStore(const QString &path)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
    Error error;
    if (!coordinator->addSQLiteStore(path, &error))
        qFatal("store: %s", qPrintable(error.debugDescription()));
    return coordinator;
}

const char *const Words[] = {"great", "app", "crashes", "love", "update", "slow", "perfect",
    "useless", "fine", "battery", "design", "support", "price", "works", "again", "broken"};
const char *const Countries[] = {"US", "DE", "GB", "FR", "JP", "IT", "ES", "CA", "AU", "NL"};

int writeStore(const QString &path, int count)
{
    ManagedObjectContext context(openStore(path));
    auto app = context.insertNewObject<App>(QStringLiteral("App"));
    app->setValue(QStringLiteral("identifier"), QStringLiteral("1"));
    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    quint32 seed = 7;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int i = 0; i < count; ++i) {
        auto review = context.insertNewObject<Review>(QStringLiteral("Review"));
        review->setProduct(app);
        QString title = QString::fromLatin1(Words[next() % 16]);
        for (int w = 0; w < 3; ++w)
            title += QLatin1Char(' ') + QString::fromLatin1(Words[next() % 16]);
        QByteArray text;
        for (int w = 0; w < 60; ++w)
            text += QByteArray(Words[next() % 16]) + ' ';
        review->setValue(QStringLiteral("identifier"), QString::number(i));
        review->setValue(
            QStringLiteral("countryCode"), QString::fromLatin1(Countries[next() % 10]));
        review->setValue(
            QStringLiteral("reviewer"), QStringLiteral("Reviewer %1").arg(next() % 5000));
        review->setValue(QStringLiteral("version"), QStringLiteral("1.%1").arg(i / 2000));
        review->setValue(QStringLiteral("rating"), double(1 + next() % 5));
        review->setValue(QStringLiteral("voteSum"), qint64(next() % 20));
        review->setValue(QStringLiteral("read"), i % 3 == 0);
        review->setValue(QStringLiteral("displayTitle"), title);
        review->setValue(QStringLiteral("displayData"), text);
        // 50,000 reviews over a year: one every 631 seconds.
        review->setValue(QStringLiteral("dateReviewed"), start.addSecs(qint64(i) * 631));
        // One in twenty edited, one in a hundred twice.
        for (int edit = 0; edit < (i % 100 == 0 ? 2 : i % 20 == 0 ? 1 : 0); ++edit) {
            auto earlier = context.insertNewObject(QStringLiteral("ReviewVersion"));
            earlier->setObject(QStringLiteral("review"), review);
            earlier->setValue(QStringLiteral("rating"), double(1 + next() % 5));
        }
        if (i % 5000 == 4999 && !context.save())
            return 1;
    }
    return context.save() ? 0 : 1;
}

// The same rows as plain texts, for the floor of scrolling.
class StaticModel : public QAbstractTableModel {
public:
    QList<QStringList> rows;
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : ReviewListModel::ColumnCount;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return rows[index.row()][index.column()];
    }
};

// Pages from top to bottom, painting each page; the longest page in ms.
double longestStall(QTableView &view)
{
    QScrollBar *bar = view.verticalScrollBar();
    bar->setValue(0);
    view.viewport()->repaint();
    double longest = 0;
    for (;;) {
        const bool more = view.model()->canFetchMore({});
        if (bar->value() >= bar->maximum() && !more)
            break;
        QElapsedTimer timer;
        timer.start();
        if (bar->value() >= bar->maximum())
            view.model()->fetchMore({});
        bar->setValue(bar->value() + bar->pageStep());
        view.viewport()->repaint();
        longest = std::max(longest, milliseconds(timer));
    }
    return longest;
}

void print(const char *what, double value, double floor, const char *floorName, double goal,
    const char *unit)
{
    std::printf("%-34s %9.2f %s  (floor %s %8.2f %s, ratio %5.2f)  goal <= %.0f %s  %s\n", what,
        value, unit, floorName, floor, unit, floor > 0 ? value / floor : 0.0, goal, unit,
        value <= goal ? "ok" : "OVER");
}

// Daily snapshots of one app in many countries, written day by day as
// imports write them, and a second app with a few days to select first.
void writeHistory(ManagedObjectContext &context, int days, int countries)
{
    auto other = context.insertNewObject<App>(QStringLiteral("App"));
    auto app = context.insertNewObject<App>(QStringLiteral("App"));
    for (int day = 0; day < days; ++day) {
        for (int country = 0; country < countries; ++country) {
            for (const auto &product : {app, other}) {
                if (product == other && (day >= 3 || country >= 2))
                    continue;
                insertSnapshot(context, product, day, country);
            }
        }
        if (!context.save())
            qFatal("writing the history failed");
    }
}

// The same series in bare SQL: count and weighted average per day, and the
// versions of each day.
double bareSeries(const QString &path, qint64 productRow, int *rows)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    QElapsedTimer timer;
    timer.start();
    sqlite3_prepare_v2(db,
        "SELECT day, sum(ratingCount), sum(ratingCount * averageRating) / sum(CASE WHEN "
        "averageRating IS NOT NULL THEN ratingCount END), group_concat(DISTINCT currentVersion) "
        "FROM \"RatingSnapshot\" WHERE product_id = ? GROUP BY day ORDER BY day",
        -1, &statement, nullptr);
    sqlite3_bind_int64(statement, 1, productRow);
    *rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW)
        ++*rows;
    const double elapsed = milliseconds(timer);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return elapsed;
}

void benchHistoryChart(const QTemporaryDir &dir, bool tiny)
{
    const int days = tiny ? 30 : 730;
    const int countries = tiny ? 5 : 40;
    const QString path = dir.filePath(QStringLiteral("history.db"));
    ManagedObjectContext context(openStore(path));
    QElapsedTimer timer;
    timer.start();
    writeHistory(context, days, countries);
    std::printf("ratings history chart over %d days x %d countries (written in %.1f s)\n", days,
        countries, milliseconds(timer) / 1000.0);
    FetchRequest request(QStringLiteral("App"));
    request.sortDescriptors = {{ObjectIDKey, true}};
    const auto apps = context.fetch<Product>(request);

    RatingsHistoryChart chart;
    chart.resize(1000, 500);
    chart.show();
    QEventLoop loop;
    QObject::connect(&chart, &RatingsHistoryChart::historyShown, &loop, &QEventLoop::quit);
    // From the small app to the large one, five times; the slowest counts.
    double drawn = 0, floor = 0;
    int rows = 0;
    for (int round = 0; round < 5; ++round) {
        chart.setProduct(apps.value(0));
        while (chart.isLoading())
            loop.exec();
        timer.start();
        chart.setProduct(apps.value(1));
        while (chart.isLoading())
            loop.exec();
        chart.chartView()->viewport()->repaint();
        drawn = std::max(drawn, milliseconds(timer));
        floor = std::max(floor, bareSeries(path, apps.value(1)->objectID().rowId, &rows));
    }
    if (rows != days)
        std::fprintf(stderr, "the bare series has %d days\n", rows);
    print("select app to chart drawn", drawn, floor, "bare SQL", 100, "ms");
}

// The same weekly series in bare SQL: reviews per week and star, and the
// edited ones among them.
double bareWeeks(const QString &path, qint64 productRow, int *weeks)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    QElapsedTimer timer;
    timer.start();
    QSet<qint64> seen;
    for (const char *sql :
        {"SELECT dateReviewed - ((dateReviewed - 345600000) % 604800000 + 604800000) % 604800000 "
         "AS week, rating, count(*) FROM \"Review\" r WHERE product_id = ? AND +dateReviewed IS "
         "NOT NULL AND rating IN (1, 2, 3, 4, 5) GROUP BY week, rating ORDER BY week",
            "SELECT r.dateReviewed - ((r.dateReviewed - 345600000) % 604800000 + 604800000) % "
            "604800000 AS week, count(*) FROM (SELECT DISTINCT review_id AS id FROM "
            "\"ReviewVersion\") v CROSS JOIN \"Review\" r ON r.id = v.id WHERE r.product_id = ? "
            "AND r.dateReviewed IS NOT NULL AND +r.rating IN (1, 2, 3, 4, 5) GROUP BY week"}) {
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        sqlite3_bind_int64(statement, 1, productRow);
        while (sqlite3_step(statement) == SQLITE_ROW)
            seen.insert(sqlite3_column_int64(statement, 0));
        sqlite3_finalize(statement);
    }
    const double elapsed = milliseconds(timer);
    *weeks = int(seen.size());
    sqlite3_close(db);
    return elapsed;
}

// Selecting the product to its weekly chart drawn: the read on the worker,
// the answer's bars and the paint, five times; the slowest counts.
void benchWeekChart(const QString &path, const std::shared_ptr<Product> &product)
{
    ReviewsPerWeekChart chart;
    chart.resize(1000, 300);
    chart.show();
    QEventLoop loop;
    QObject::connect(&chart, &ReviewsPerWeekChart::historyShown, &loop, &QEventLoop::quit);
    double drawn = 0, floor = 0;
    int weeks = 0;
    for (int round = 0; round < 5; ++round) {
        chart.setProduct(nullptr);
        while (chart.isLoading())
            loop.exec();
        QElapsedTimer timer;
        timer.start();
        chart.setProduct(product);
        while (chart.isLoading())
            loop.exec();
        chart.chartView()->viewport()->repaint();
        drawn = std::max(drawn, milliseconds(timer));
        floor = std::max(floor, bareWeeks(path, product->objectID().rowId, &weeks));
    }
    if (weeks != chart.weeks().size())
        std::fprintf(stderr, "the bare series has %d weeks, the chart %lld\n", weeks,
            qint64(chart.weeks().size()));
    std::printf("a year of weekly review counts (%lld weeks)\n", qint64(chart.weeks().size()));
    print("select product to chart drawn", drawn, floor, "bare SQL", 100, "ms");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && QByteArray(argv[1]) == "--write-store") {
        QCoreApplication app(argc, argv);
        return writeStore(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    QApplication application(argc, argv);
    const bool tiny = application.arguments().contains(QStringLiteral("--tiny"));
    const int count = tiny ? 10000 : 50000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    QElapsedTimer writing;
    writing.start();
    if (QProcess::execute(application.applicationFilePath(),
            {QStringLiteral("--write-store"), path, QString::number(count)})
        != 0) {
        std::fprintf(stderr, "writing the store failed\n");
        return 1;
    }
    std::printf("review list over %d reviews of one product (store written in %.1f s)\n", count,
        milliseconds(writing) / 1000.0);

    ManagedObjectContext context(openStore(path));
    std::shared_ptr<Product> product;
    std::shared_ptr<Product> selected;
    ReviewController list(context, [&selected] { return selected; });
    list.resize(1000, 700);
    list.show();
    QApplication::processEvents();
    list.mainOutlineViewSelectionDidChange();
    QApplication::processEvents();
    const double emptyWindow = residentMegabytes();

    FetchRequest products(QStringLiteral("App"));
    product = context.fetch<Product>(products).value(0);
    if (!product)
        return 1;
    QTableView *table = list.tableView();
    const int screenRows =
        table->viewport()->height() / table->verticalHeader()->defaultSectionSize() + 1;

    // Floor: the first screen's records fetched in SQL.
    QElapsedTimer timer;
    timer.start();
    {
        FetchRequest request(QStringLiteral("Review"));
        request.predicate = Predicate::format(QStringLiteral("product == %@"), product);
        request.sortDescriptors = {{QStringLiteral("dateReviewed"), false}};
        request.fetchLimit = screenRows;
        const auto rows = context.executeFetchRequest(request);
        if (rows.size() != screenRows)
            std::fprintf(stderr, "floor fetched %lld rows\n", qint64(rows.size()));
    }
    const double firstScreenFloor = milliseconds(timer);

    timer.start();
    selected = product;
    list.mainOutlineViewSelectionDidChange();
    table->viewport()->repaint();
    const double firstScreen = milliseconds(timer);
    print("select to first screen", firstScreen, firstScreenFloor, "SQL fetch", 100, "ms");

    // One keystroke at a time; the slowest keystroke counts.
    double keystroke = 0;
    double keystrokeFloor = 0;
    QString typed;
    for (const QChar c : QStringLiteral("great")) {
        typed += c;
        timer.start();
        list.searchField()->setText(typed);
        table->viewport()->repaint();
        keystroke = std::max(keystroke, milliseconds(timer));

        FetchRequest request(QStringLiteral("Review"));
        request.predicate = *list.model()->filter().filterPredicate();
        request.propertiesToFetch = {ObjectIDKey};
        request.sortDescriptors = {{QStringLiteral("dateReviewed"), false}, {ObjectIDKey, false}};
        request.fetchLimit = ReviewListModel::PageSize + 1;
        timer.start();
        const auto rows = context.executeDictionaryFetch(request);
        keystrokeFloor = std::max(keystrokeFloor, milliseconds(timer));
        if (std::min<qsizetype>(rows.size(), ReviewListModel::PageSize)
            != list.model()->listedCount())
            std::fprintf(stderr, "floor and list differ: %lld / %d\n", qint64(rows.size()),
                list.model()->listedCount());
    }
    print("search keystroke (slowest of 5)", keystroke, keystrokeFloor, "SQL page", 50, "ms");
    list.searchField()->setText(QString());

    const double stall = longestStall(*table);
    const double afterScroll = residentMegabytes();
    const double growth = afterScroll - emptyWindow;

    // Floor: a plain table over the same rows as fixed texts.
    {
        StaticModel rows;
        ReviewListModel *model = list.model();
        rows.rows.reserve(model->listedCount());
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList texts;
            for (int column = 0; column < ReviewListModel::ColumnCount; ++column)
                texts << model->index(row, column).data().toString();
            rows.rows << texts;
        }
        const double staticRows = residentMegabytes() - afterScroll;
        QTableView plain;
        plain.setModel(&rows);
        plain.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        plain.verticalHeader()->setDefaultSectionSize(
            table->verticalHeader()->defaultSectionSize());
        plain.resize(table->size());
        plain.show();
        QApplication::processEvents();
        const double plainStall = longestStall(plain);
        print("longest stall scrolling", stall, plainStall, "plain view", 16, "ms");
        print("memory over the empty window", growth, staticRows, "rows as texts", 30, "MB");
    }
    benchWeekChart(path, product);
    benchHistoryChart(dir, tiny);
    return 0;
}
