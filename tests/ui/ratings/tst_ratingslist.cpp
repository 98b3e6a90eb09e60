#include "support/UiRecorders.h"

#include "model/Rating.h"
#include "platform/UserDefaults.h"
#include "ui/ratings/RatingsListModel.h"
#include "ui/ratings/RatingsViewController.h"

#include <QHeaderView>
#include <QTableView>

namespace {

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

    // The controller over the app, its model watched by the model tester.
    struct View {
        RatingsViewController controller;
        QAbstractItemModelTester tester;
        View(UserDefaults *defaults, const std::shared_ptr<App> &app)
            : controller(defaults),
              tester(controller.model(), QAbstractItemModelTester::FailureReportingMode::QtTest)
        {
            controller.setProduct(app);
        }
        QStringList codes() const { return ::codes(*controller.model()); }
        QHeaderView *header() const { return controller.tableView()->horizontalHeader(); }
    };

private Q_SLOTS:
    // Counts and averages per country, chosen so that each column gives a
    // different order; FR has no average for the current version.
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        store_ = std::make_unique<StoreFixture>();
        defaults_ = std::make_unique<UserDefaults>(store_->dir.filePath("prefs.ini"));
        app_ = store_->app("42");
        app_->setValue("jsonData",
            QVariantMap {{"trackViewUrl", "https://apps.example.com/us/app/sample/id42?mt=8"}});
        const struct {
            const char *country;
            qint64 count;
            double average;
            std::optional<double> currentAverage;
        } rows[] = {{"US", 120, 4.5, 4.0}, {"DE", 30, 3.5, 2.0}, {"JP", 7, 4.8, 5.0},
            {"FR", 64, 2.1, std::nullopt}};
        for (const auto &row : rows)
            store_->context
                ->insertNewObject("Rating",
                    {{"countryCode", row.country}, {"ratingCount", row.count},
                        {"averageRating", row.average},
                        {"averageRatingForCurrentVersion",
                            ManagedObject::optionalValue(row.currentAverage)}})
                ->setObject("product", app_);
        QVERIFY(store_->context->save());
    }

    // Setting up reads the stored sort without writing one.
    void rowsFollowTheStoredSort_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("indicatorColumn");
        QTest::addColumn<int>("indicatorOrder");
        const auto row = [](const char *name, QStringList stored, QStringList expected, int column,
                             Qt::SortOrder order) {
            QTest::newRow(name) << stored << expected << column << int(order);
        };
        // English names: France, Germany, Japan, United States.
        row("nothing stored: by country", {}, {"FR", "DE", "JP", "US"}, 0, Qt::AscendingOrder);
        row("count descending", {"ratingCount descending"}, {"US", "FR", "DE", "JP"}, 1,
            Qt::DescendingOrder);
        row("current average, absent first", {"averageRatingForCurrentVersion ascending"},
            {"FR", "DE", "US", "JP"}, 4, Qt::AscendingOrder);
        row("country descending", {"localizedCountryName descending"}, {"US", "JP", "DE", "FR"}, 0,
            Qt::DescendingOrder);
        row("unreadable entries: by country", {"ratingCount sideways", ""},
            {"FR", "DE", "JP", "US"}, 0, Qt::AscendingOrder);
    }
    void rowsFollowTheStoredSort()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        QFETCH(int, indicatorColumn);
        QFETCH(int, indicatorOrder);
        if (!stored.isEmpty())
            defaults_->setObject(QVariant(stored), RatingsViewController::sortKey());
        View view(defaults_.get(), app_);
        QCOMPARE(view.codes(), expected);
        QCOMPARE(view.header()->sortIndicatorSection(), indicatorColumn);
        QCOMPARE(int(view.header()->sortIndicatorOrder()), indicatorOrder);
        QCOMPARE(defaults_->hasStoredValue(RatingsViewController::sortKey()), !stored.isEmpty());
    }

    // Rows follow what an import stores in a child context, and deletions.
    void importedChangesShowInTheirRows()
    {
        View view(defaults_.get(), app_);
        RatingsListModel &model = *view.controller.model();
        view.controller.tableView()->sortByColumn(
            RatingsListModel::RatingCountColumn, Qt::DescendingOrder);
        QCOMPARE(defaults_->stringArrayForKey(RatingsViewController::sortKey()),
            (QStringList {"ratingCount descending", "localizedCountryName ascending"}));
        view.controller.tableView()->selectRow(int(view.codes().indexOf("JP")));
        const QPersistentModelIndex japan = view.controller.tableView()->currentIndex();
        view.controller.setProduct(app_); // the same again keeps rows and selection

        // JP's count rises above all others, and a new country arrives.
        auto child = store_->context->newPrivateContext();
        const ObjectID appId = app_->objectID();
        child->performAndWait([&] {
            for (const auto &rating : child->executeFetchRequest(FetchRequest("Rating")))
                if (rating->stringValue("countryCode") == u"JP")
                    rating->setValue("ratingCount", 500);
            QVERIFY(child->save());
        });
        QTRY_COMPARE_WITH_TIMEOUT(view.codes(), (QStringList {"JP", "US", "FR", "DE"}), 10000);
        QCOMPARE(japan.row(), 0); // the selection moved with its row
        QVERIFY(
            model.index(0, RatingsListModel::RatingCountColumn).data().toString().contains("500"));

        child->performAndWait([&] {
            child->insertNewObject("Rating", {{"countryCode", "IT"}, {"ratingCount", 1000}})
                ->setObject("product", child->existingObject(appId));
            QVERIFY(child->save());
        });
        QTRY_COMPARE_WITH_TIMEOUT(
            view.codes(), (QStringList {"IT", "JP", "US", "FR", "DE"}), 10000);

        store_->context->deleteObject(model.ratingAt(1));
        store_->context->processPendingChanges();
        QCOMPARE(view.codes(), (QStringList {"IT", "US", "FR", "DE"}));
        view.controller.setProduct(store_->context->insertNewObject<Product>("Book"));
        QCOMPARE(model.rowCount(), 0);
        view.controller.setProduct(app_);
        QCOMPARE(model.rowCount(), 4);

        // The app itself goes: its ratings with it.
        store_->context->deleteObject(app_);
        store_->context->processPendingChanges();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.product());
    }

    // A double click opens the clicked row's country page, else the selected
    // row's; Enter opens the current row's. Rows by country: FR, DE, JP, US.
    void opensTheCountryPage_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("clickedRow"); // -1: empty space, -2: Enter
        QTest::addColumn<int>("selectedRow");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *link, int clicked, int selected,
                             const char *expected) {
            QTest::newRow(name) << QString(link) << clicked << selected << QString(expected);
        };
        const char *page = "https://apps.example.com/us/app/sample/id42?mt=8";
        row("clicked row", page, 2, 0, "https://apps.example.com/jp/app/sample/id42?mt=8");
        row("empty space, selected row", page, -1, 1,
            "https://apps.example.com/de/app/sample/id42?mt=8");
        row("empty space, no selection", page, -1, -1, "");
        row("Enter", page, -2, 3, page);
        row("no page address", "", 0, -1, "");
        row("not a web address", "file:///us/etc/passwd", 0, -1, "");
    }
    void opensTheCountryPage()
    {
        QFETCH(QString, link);
        QFETCH(int, clickedRow);
        QFETCH(int, selectedRow);
        QFETCH(QString, expected);
        app_->setValue("jsonData", QVariantMap {{"trackViewUrl", link}});
        OpenedUrls opened;
        RatingsViewController controller(defaults_.get());
        controller.setProduct(app_);
        QTableView *table = controller.tableView();
        table->resize(600, 400);
        controller.view()->show();
        if (selectedRow >= 0)
            table->selectRow(selectedRow);
        if (clickedRow == -2)
            QTest::keyClick(table, Qt::Key_Return);
        else
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {},
                clickedRow >= 0 ? table->visualRect(table->model()->index(clickedRow, 1)).center()
                                : QPoint(20, table->viewport()->height() - 5));
        QCOMPARE(opened, expected.isEmpty() ? QList<QUrl>() : QList<QUrl> {QUrl(expected)});
    }
};

RK_TEST_GUI_MAIN(RatingsListTest)
#include "tst_ratingslist.moc"
