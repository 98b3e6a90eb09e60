#include "support/UiRecorders.h"

#include "LocalHttpServer.h"
#include "catalog/ProductCatalog.h"
#include "catalog/StoreSearch.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/UserDefaults.h"
#include "support/WaitFor.h"
#include "ui/search/SearchPopoverViewController.h"
#include "ui/search/SearchResultsModel.h"
#include "ui/widgets/Popover.h"
#include "ui/widgets/ZQSpinningProgressIndicator.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

using Response = LocalHttpServer::Response;

namespace {

QJsonObject result(qint64 id, const char *name, const char *artist, const char *kind)
{
    return {{"trackId", id}, {"trackName", name}, {"artistName", artist}, {"kind", kind},
        {"trackViewUrl", QString("https://apps.apple.com/app/id%1").arg(id)}};
}

// Unsorted on purpose: the table shows them by name.
const Downloader::ProductRecords kResults {result(3, "Cello", "Ann", "software"),
    result(1, "alpha", "Zed", "podcast"), result(2, "Banjo", "Bob", "mac-software")};

Response answer(const Downloader::ProductRecords &records)
{
    QJsonArray array;
    for (const QJsonObject &record : records)
        array.append(record);
    return Response::ok(
        QJsonDocument(QJsonObject {{"resultCount", int(array.size())}, {"results", array}})
            .toJson(),
        "text/javascript");
}

} // namespace

class SearchPopoverTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LocalHttpServer> server_;
    std::unique_ptr<RecordingPresenter> presenter_;
    std::unique_ptr<SearchPopoverViewController> controller_;
    std::unique_ptr<QAbstractItemModelTester> tester_;
    std::unique_ptr<QWidget> window_;
    QList<QList<qint64>> posts_; // track ids of each "add", as posted

    SearchPopoverViewController &c() { return *controller_; }
    bool spinning()
    {
        return c().progressIndicator()->isAnimating() && !c().progressIndicator()->isFadingOut();
    }

    void open()
    {
        c().showPopoverForView(window_.get());
        QVERIFY(c().popover() && c().popover()->isShown());
    }

    // Types the text and presses Enter, as a person does.
    bool search(const QString &text)
    {
        c().searchField()->setText(text);
        const qsizetype before = server_->requests().size();
        QTest::keyClick(c().searchField(), Qt::Key_Return);
        return waitFor([&] {
            return server_->requests().size() > before && !c().storeSearch().isSearching()
                && !spinning();
        });
    }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        server_ = std::make_unique<LocalHttpServer>();
        QVERIFY(server_->listen());
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString(server_->rootURL(), "StoreRootURL");
        defaults.setInteger(1, StoreSearch::OSXSearchSelectedKey);
        defaults.setInteger(1, StoreSearch::IOSSearchSelectedKey);
        defaults.setInteger(0, StoreSearch::eBookSearchSelectedKey);
        defaults.setInteger(0, StoreSearch::PodcastSearchSelectedKey);
        server_->route("/search", [](const LocalHttpServer::Request &request) {
            const QString term = request.query().queryItemValue("term");
            if (term == "nothing")
                return answer({});
            if (term == "broken")
                return Response::withStatus(500, "<html>down</html>");
            if (term == "garbled")
                return Response::ok("{\"results\": [", "text/javascript");
            return term == "slow" ? Response::delayed(300, answer(kResults)) : answer(kResults);
        });
        presenter_ = std::make_unique<RecordingPresenter>();
        controller_ = std::make_unique<SearchPopoverViewController>(defaults, *presenter_);
        tester_ = std::make_unique<QAbstractItemModelTester>(
            c().model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        window_ = std::make_unique<QWidget>();
        window_->resize(300, 200);
        window_->show();
        posts_.clear();
        NotificationCenter::defaultCenter().addObserver(
            kAddProductsForResultsNotification, controller_.get(),
            [this](const Notification &n) {
                QList<qint64> ids;
                for (const QVariantMap &map :
                    ProductCatalog::resultsFromVariant(n.userInfo.value("results").toList()))
                    ids << map.value("trackId").toLongLong();
                posts_ << ids;
            },
            controller_.get());
    }

    void cleanup()
    {
        tester_.reset();
        controller_.reset();
        window_.reset();
        server_.reset();
    }

    // The same text runs once; any kind box lets it run again with the new kinds.
    void kindBoxesChooseEntities_data()
    {
        QTest::addColumn<QList<bool>>("boxes");
        QTest::addColumn<quint64>("options");
        QTest::newRow("all off") << QList<bool> {false, false, false, false} << quint64(15);
        QTest::newRow("books and podcasts")
            << QList<bool> {false, false, true, true} << quint64(12);
        QTest::newRow("mac only") << QList<bool> {true, false, false, false} << quint64(1);
    }
    void kindBoxesChooseEntities()
    {
        QFETCH(QList<bool>, boxes);
        QFETCH(quint64, options);
        open();
        QVERIFY(search("weather"));
        c().searchAction();
        QCOMPARE(c().model()->rowCount(), 3);
        QVERIFY(!spinning());
        for (int box = 0; box < 4; ++box)
            if (c().kindBoxes()[box]->isChecked() != boxes[box])
                QTest::mouseClick(c().kindBoxes()[box], Qt::LeftButton);
        QVERIFY(search("weather"));
        QCOMPARE(server_->requests().size(), 2);
        QCOMPARE(server_->requests().last().query().queryItemValue("entity", QUrl::FullyDecoded),
            Downloader::entityListForOptions(options));
        QCOMPARE(StoreSearch::selectedSearchOptions(UserDefaults::standard()), options);
    }

    void showingKeepsResultsAndDisablesAdd()
    {
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        open();
        QCOMPARE(c().popover()->focusWidget(), c().searchField());
        QVERIFY(!c().searchButton()->isEnabled() && !c().addButton()->isEnabled());
        QVERIFY(search("weather"));
        QVERIFY(c().searchButton()->isEnabled());
        c().tableView()->selectRow(1);
        QVERIFY(c().addButton()->isEnabled());
        Popover *shown = c().popover();
        c().showPopoverForView(window_.get());
        QCOMPARE(c().popover(), shown);

        // Opened again at once, before the closed popover is gone: the view
        // must stay in the new one.
        QTest::keyClick(c().tableView(), Qt::Key_Escape);
        QVERIFY(!c().popover());
        // The keyboard is back in the window the search came from.
        QTRY_COMPARE(QApplication::activeWindow(), window_.get());
        open();
        QTest::qWait(20);
        QCOMPARE(c().view()->parentWidget(), c().popover());
        QVERIFY(c().view()->isVisible());
        QCOMPARE(c().model()->rowCount(), 3);
        QVERIFY(!c().addButton()->isEnabled());

        // A new search empties the table and disables add again.
        c().tableView()->selectRow(0);
        c().searchField()->setText("slow");
        c().searchAction();
        QVERIFY(!c().addButton()->isEnabled());
        QCOMPARE(c().model()->rowCount(), 0);
        QCOMPARE(c().statusLabel()->text(), QString("Searching…"));
        QVERIFY(spinning());

        // Closing cancels it: no results arrive later, and nothing is presented.
        QVERIFY(waitFor([&] { return server_->requestsFor("/search").size() == 2; }));
        QTest::keyClick(c().searchField(), Qt::Key_Escape);
        QVERIFY(!c().popover());
        QVERIFY(!spinning());
        QTest::qWait(600);
        QCOMPARE(c().model()->rowCount(), 0);
        QVERIFY(presenter_->errors.isEmpty());
        QVERIFY(c().statusLabel()->text().isEmpty());
    }

    // Add posts the selected results in table order; with the keyboard, Down
    // leaves the field for the results, Down again moves on, Enter adds.
    void addingPostsChosenResults_data()
    {
        QTest::addColumn<QList<int>>("rows"); // empty with keys: by keyboard
        QTest::addColumn<bool>("keys");
        QTest::addColumn<QList<qint64>>("posted");
        QTest::newRow("nothing selected") << QList<int> {} << false << QList<qint64> {};
        QTest::newRow("one") << QList<int> {1} << false << QList<qint64> {2};
        QTest::newRow("table order") << QList<int> {2, 0} << false << QList<qint64> {1, 3};
        QTest::newRow("keyboard") << QList<int> {} << true << QList<qint64> {2};
    }
    void addingPostsChosenResults()
    {
        QFETCH(QList<int>, rows);
        QFETCH(bool, keys);
        QFETCH(QList<qint64>, posted);
        open();
        QVERIFY(search("weather"));
        for (const int row : rows)
            c().tableView()->selectionModel()->select(c().model()->index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (keys) {
            QTest::keyClick(c().searchField(), Qt::Key_Down);
            QTest::keyClick(c().tableView(), Qt::Key_Down);
            QTest::keyClick(c().tableView(), Qt::Key_Return);
        } else {
            c().addAction();
        }
        QVERIFY(!c().popover());
        QCOMPARE(
            posts_, posted.isEmpty() ? QList<QList<qint64>> {} : QList<QList<qint64>> {posted});
    }

    void failuresShowInThePopover_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<bool>("presented");
        QTest::newRow("server error") << "broken" << true;
        QTest::newRow("broken answer") << "garbled" << true;
        QTest::newRow("no results") << "nothing" << false;
    }
    void failuresShowInThePopover()
    {
        QFETCH(QString, term);
        QFETCH(bool, presented);
        open();
        QVERIFY(search(term));
        QCOMPARE(c().model()->rowCount(), 0);
        QCOMPARE(presenter_->errors.size(), presented ? 1 : 0);
        QCOMPARE(c().statusLabel()->text(),
            presented ? presenter_->errors.first().localizedDescription() : QString("No results."));
        QVERIFY(!c().statusLabel()->text().isEmpty());
    }

    // Kinds show by name, exact kinds only; a double click opens web pages
    // only; a header click re-sorts, and the selection stays on its result.
    void resultsTable()
    {
        const auto texts = [&](int column) {
            QStringList list;
            for (int row = 0; row < c().model()->rowCount(); ++row)
                list << c().model()->index(row, column).data().toString();
            return list;
        };
        OpenedUrls opened;
        c().model()->setResults({result(7, "A", "B", "ebook"),
            QJsonObject {
                {"trackName", "B"}, {"trackViewUrl", "file:///etc/passwd"}, {"kind", "Podcast"}}});
        for (const int row : {0, 1, -1, 5})
            c().doubleClickAction(row);
        QCOMPARE(opened, QList<QUrl> {QUrl("https://apps.apple.com/app/id7")});
        QCOMPARE(texts(SearchResultsModel::KindColumn), (QStringList {"iBook", "Unknown"}));
        QCOMPARE(texts(SearchResultsModel::AuthorColumn), (QStringList {"B", ""}));

        c().model()->setResults(kResults);
        QCOMPARE(texts(0), (QStringList {"alpha", "Banjo", "Cello"}));
        c().tableView()->selectRow(0);
        c().tableView()->sortByColumn(SearchResultsModel::AuthorColumn, Qt::DescendingOrder);
        QCOMPARE(texts(1), (QStringList {"Zed", "Bob", "Ann"}));
        c().tableView()->sortByColumn(SearchResultsModel::KindColumn, Qt::AscendingOrder);
        QCOMPARE(texts(2), (QStringList {"OS X", "Podcast", "iOS"}));
        QCOMPARE(texts(0), (QStringList {"Banjo", "alpha", "Cello"}));
        const QModelIndexList selected = c().tableView()->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QString("alpha"));
    }
};

RK_TEST_GUI_MAIN(SearchPopoverTest)
#include "tst_searchpopover.moc"
