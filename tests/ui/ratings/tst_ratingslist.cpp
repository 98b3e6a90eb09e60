#include "support/StoreFixture.h"

#include "model/Rating.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"
#include "ui/ratings/RatingsListModel.h"
#include "ui/ratings/RatingsViewController.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTest>

#define RK_WAIT_FOR(condition)                                                                     \
    QVERIFY2(waitFor([&] { return bool(condition); }, nullptr, 10000), #condition)

namespace {

// Counts and averages per country, chosen so that each column gives a
// different order; FR has no average for the current version.
struct Row {
    const char *country;
    qint64 count;
    double average;
    std::optional<double> currentAverage;
};
const Row kRows[] = {
    {"US", 120, 4.5, 4.0},
    {"DE", 30, 3.5, 2.0},
    {"JP", 7, 4.8, 5.0},
    {"FR", 64, 2.1, std::nullopt},
};

QStringList codes(const RatingsListModel &model)
{
    QStringList list;
    for (int row = 0; row < model.rowCount(); ++row)
        list << model.ratingAt(row)->countryCode();
    return list;
}

} // namespace

class RatingsListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::unique_ptr<UserDefaults> defaults_;
    std::shared_ptr<App> app_;
    QList<QUrl> opened_;

    std::shared_ptr<ManagedObject> addRating(const Row &row)
    {
        auto rating = store_->context->insertNewObject(QStringLiteral("Rating"));
        rating->setObject(QStringLiteral("product"), app_);
        rating->setValue(QStringLiteral("countryCode"), QString::fromLatin1(row.country));
        rating->setValue(QStringLiteral("ratingCount"), row.count);
        rating->setValue(QStringLiteral("averageRating"), row.average);
        rating->setValue(QStringLiteral("averageRatingForCurrentVersion"),
            ManagedObject::optionalValue(row.currentAverage));
        return rating;
    }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        store_ = std::make_unique<StoreFixture>();
        defaults_ = std::make_unique<UserDefaults>(store_->dir.filePath("prefs.ini"));
        app_ = store_->app(QStringLiteral("42"));
        app_->setValue(QStringLiteral("jsonData"),
            QVariantMap {{QStringLiteral("trackViewUrl"),
                QStringLiteral("https://apps.example.com/us/app/sample/id42?mt=8")}});
        for (const Row &row : kRows)
            addRating(row);
        QVERIFY(store_->context->save());
        opened_.clear();
        UrlOpener::setHandler([this](const QUrl &url) {
            opened_ << url;
            return true;
        });
    }

    void cleanup()
    {
        UrlOpener::setHandler({});
        app_.reset();
        store_.reset();
    }

    void rowsFollowTheStoredSort_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("indicatorColumn");
        QTest::addColumn<int>("indicatorOrder");
        // English names: France, Germany, Japan, United States.
        QTest::newRow("nothing stored: by country")
            << QStringList() << QStringList {"FR", "DE", "JP", "US"} << 0
            << int(Qt::AscendingOrder);
        QTest::newRow("count descending")
            << QStringList {"ratingCount descending"} << QStringList {"US", "FR", "DE", "JP"} << 1
            << int(Qt::DescendingOrder);
        QTest::newRow("current average, absent first")
            << QStringList {"averageRatingForCurrentVersion ascending"}
            << QStringList {"FR", "DE", "US", "JP"} << 4 << int(Qt::AscendingOrder);
        QTest::newRow("country descending")
            << QStringList {"localizedCountryName descending"}
            << QStringList {"US", "JP", "DE", "FR"} << 0 << int(Qt::DescendingOrder);
        QTest::newRow("unreadable entries: by country")
            << QStringList {"ratingCount sideways", ""} << QStringList {"FR", "DE", "JP", "US"} << 0
            << int(Qt::AscendingOrder);
    }

    void rowsFollowTheStoredSort()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        QFETCH(int, indicatorColumn);
        QFETCH(int, indicatorOrder);
        if (!stored.isEmpty())
            defaults_->setObject(QVariant(stored), RatingsViewController::sortKey());

        RatingsViewController controller(defaults_.get());
        QAbstractItemModelTester tester(
            controller.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        controller.setProduct(app_);
        QCOMPARE(codes(*controller.model()), expected);
        const QHeaderView *header = controller.tableView()->horizontalHeader();
        QCOMPARE(header->sortIndicatorSection(), indicatorColumn);
        QCOMPARE(int(header->sortIndicatorOrder()), indicatorOrder);
        // Setting up reads the stored sort without writing one.
        QCOMPARE(defaults_->hasStoredValue(RatingsViewController::sortKey()), !stored.isEmpty());

        const QModelIndex first = controller.model()->index(0, RatingsListModel::CountryColumn);
        QCOMPARE(first.data().toString(), controller.model()->ratingAt(0)->localizedCountryName());
    }

    void rowsShowTheRatingTexts()
    {
        RatingsViewController controller(defaults_.get());
        controller.setProduct(app_);
        RatingsListModel &model = *controller.model();
        QCOMPARE(model.columnCount(), 5);
        const int us = int(codes(model).indexOf("US"));
        const int fr = int(codes(model).indexOf("FR"));
        const auto text = [&](int row, int column) {
            return model.index(row, column).data().toString();
        };
        QCOMPARE(text(us, RatingsListModel::CountryColumn), QString("United States"));
        QCOMPARE(
            text(us, RatingsListModel::RatingCountColumn), model.ratingAt(us)->ratingCountString());
        QCOMPARE(text(us, RatingsListModel::AverageRatingColumn),
            model.ratingAt(us)->averageRatingString());
        QCOMPARE(text(us, RatingsListModel::RatingCountForCurrentVersionColumn),
            model.ratingAt(us)->ratingCountForCurrentVersionString());
        QCOMPARE(text(fr, RatingsListModel::AverageRatingForCurrentVersionColumn), QString());
        QVERIFY(!text(us, RatingsListModel::AverageRatingColumn).isEmpty());
        QVERIFY(!model.headerData(0, Qt::Horizontal).toString().isEmpty());
    }

    void headerClickIsStoredAndRestored()
    {
        {
            RatingsViewController controller(defaults_.get());
            controller.setProduct(app_);
            controller.tableView()->sortByColumn(
                RatingsListModel::RatingCountColumn, Qt::DescendingOrder);
            QCOMPARE(codes(*controller.model()), (QStringList {"US", "FR", "DE", "JP"}));
        }
        QCOMPARE(defaults_->stringArrayForKey(RatingsViewController::sortKey()),
            (QStringList {"ratingCount descending", "localizedCountryName ascending"}));
        QVERIFY(defaults_->synchronize());

        UserDefaults reread(defaults_->fileName());
        RatingsViewController again(&reread);
        again.setProduct(app_);
        QCOMPARE(codes(*again.model()), (QStringList {"US", "FR", "DE", "JP"}));
        QCOMPARE(again.tableView()->horizontalHeader()->sortIndicatorSection(),
            int(RatingsListModel::RatingCountColumn));
    }

    void importedChangesShowInTheirRows()
    {
        RatingsViewController controller(defaults_.get());
        RatingsListModel &model = *controller.model();
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        controller.setProduct(app_);
        controller.tableView()->sortByColumn(
            RatingsListModel::RatingCountColumn, Qt::DescendingOrder);
        controller.tableView()->selectRow(int(codes(model).indexOf("JP")));
        const QPersistentModelIndex japan = controller.tableView()->currentIndex();

        // An import in a child context: JP's count rises above all others,
        // and a new country arrives.
        auto child = store_->context->newPrivateContext();
        const ObjectID appId = app_->objectID();
        child->performAndWait([&] {
            FetchRequest request(QStringLiteral("Rating"));
            for (const auto &rating : child->executeFetchRequest(request))
                if (rating->stringValue(QStringLiteral("countryCode")) == u"JP")
                    rating->setValue(QStringLiteral("ratingCount"), 500);
            QVERIFY(child->save());
        });
        RK_WAIT_FOR(codes(model) == (QStringList {"JP", "US", "FR", "DE"}));
        QCOMPARE(japan.row(), 0); // the selection moved with its row
        QCOMPARE(model.index(0, RatingsListModel::RatingCountColumn).data().toString(),
            model.ratingAt(0)->ratingCountString());
        QVERIFY(model.ratingAt(0)->ratingCountString().contains("500"));

        child->performAndWait([&] {
            auto app = child->existingObject(appId);
            auto rating = child->insertNewObject(QStringLiteral("Rating"));
            rating->setObject(QStringLiteral("product"), app);
            rating->setValue(QStringLiteral("countryCode"), QStringLiteral("IT"));
            rating->setValue(QStringLiteral("ratingCount"), 1000);
            QVERIFY(child->save());
        });
        RK_WAIT_FOR(codes(model) == (QStringList {"IT", "JP", "US", "FR", "DE"}));

        store_->context->deleteObject(model.ratingAt(1));
        store_->context->processPendingChanges();
        QCOMPARE(codes(model), (QStringList {"IT", "US", "FR", "DE"}));

        // The app itself goes: its ratings with it.
        store_->context->deleteObject(app_);
        store_->context->processPendingChanges();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.product());
    }

    void otherProductsListNothing()
    {
        RatingsViewController controller(defaults_.get());
        controller.setProduct(app_);
        QCOMPARE(controller.model()->rowCount(), 4);
        auto book = store_->context->insertNewObject<Product>(QStringLiteral("Book"));
        controller.setProduct(book);
        QCOMPARE(controller.model()->rowCount(), 0);
        controller.setProduct(nullptr);
        QCOMPARE(controller.model()->rowCount(), 0);
    }

    void doubleClickOpensTheCountryPage_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("clickedRow");
        QTest::addColumn<int>("selectedRow");
        QTest::addColumn<QString>("expected");
        const QString page = QStringLiteral("https://apps.example.com/us/app/sample/id42?mt=8");
        // Rows by country: FR, DE, JP, US.
        QTest::newRow("clicked row")
            << page << 2 << 0 << "https://apps.example.com/jp/app/sample/id42?mt=8";
        QTest::newRow("empty space, selected row")
            << page << -1 << 1 << "https://apps.example.com/de/app/sample/id42?mt=8";
        QTest::newRow("empty space, no selection") << page << -1 << -1 << QString();
        QTest::newRow("no page address") << QString() << 0 << -1 << QString();
        QTest::newRow("not a web address") << "file:///us/etc/passwd" << 0 << -1 << QString();
    }

    void doubleClickOpensTheCountryPage()
    {
        QFETCH(QString, link);
        QFETCH(int, clickedRow);
        QFETCH(int, selectedRow);
        QFETCH(QString, expected);
        app_->setValue(
            QStringLiteral("jsonData"), QVariantMap {{QStringLiteral("trackViewUrl"), link}});
        RatingsViewController controller(defaults_.get());
        controller.setProduct(app_);
        QTableView *table = controller.tableView();
        table->resize(600, 400);
        controller.view()->show();
        if (selectedRow >= 0)
            table->selectRow(selectedRow);
        const QPoint where = clickedRow >= 0
            ? table->visualRect(table->model()->index(clickedRow, 1)).center()
            : QPoint(20, table->viewport()->height() - 5);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, where);
        QCOMPARE(opened_, expected.isEmpty() ? QList<QUrl>() : QList<QUrl> {QUrl(expected)});
    }

    void enterOpensTheCurrentRow()
    {
        RatingsViewController controller(defaults_.get());
        controller.setProduct(app_);
        controller.tableView()->selectRow(3);
        QTest::keyClick(controller.tableView(), Qt::Key_Return);
        QCOMPARE(opened_, QList<QUrl> {QUrl("https://apps.example.com/us/app/sample/id42?mt=8")});
    }
};

RK_TEST_GUI_MAIN(RatingsListTest)
#include "tst_ratingslist.moc"
