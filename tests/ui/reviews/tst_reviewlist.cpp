#include "catalog/ReviewFilter.h"
#include "model/Country.h"
#include "model/Review.h"
#include "model/ReviewTranslation.h"
#include "net/URLError.h"
#include "platform/ManualClock.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "support/RecordingPresenter.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/reviews/ReviewController.h"
#include "ui/reviews/ReviewListModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

class ReviewListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_;
    std::shared_ptr<App> other_;
    std::shared_ptr<Product> selected_;
    ManualClock clock_;

    void addReview(const std::shared_ptr<App> &app, const QString &identifier, const char *country,
        const char *version, const QString &title, const QString &reviewer, int minutes)
    {
        auto review = StoreFixture::review(*store_->context, app, identifier, country);
        review->setValue("version", version);
        review->setValue("displayTitle", title);
        review->setValue("reviewer", reviewer);
        review->setValue("read", false);
        review->setValue("dateReviewed",
            QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).addSecs(minutes * 60));
    }

    std::unique_ptr<ReviewController> controller()
    {
        auto controller =
            std::make_unique<ReviewController>(*store_->context, [this] { return selected_; });
        controller->resize(800, 600);
        controller->mainOutlineViewSelectionDidChange();
        return controller;
    }

    static QStringList identifiers(const ReviewListModel &model)
    {
        QStringList list;
        for (int row = 0; row < model.listedCount(); ++row)
            list << model.reviewAt(row)->identifier();
        return list;
    }

    QStringList readIdentifiers()
    {
        QStringList list;
        for (const auto &review : app_->reviews())
            if (review->read().value_or(false))
                list << review->identifier();
        list.sort();
        return list;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Clock::setShared(&clock_);
    }
    void cleanupTestCase() { Clock::setShared(nullptr); }

    void init()
    {
        UserDefaults::standard().removeObjectForKey(ReviewController::sortDefaultsKey());
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app("1");
        addReview(app_, "de-old", "DE", "1.9", QString::fromUtf8("Über alles"), "Anna", 1);
        addReview(app_, "us", "US", "1.10", "Great app", "Bob", 4);
        addReview(app_, "jp", "JP", "1.10", "Nice", "Yamada", 3);
        addReview(app_, "de-new", "DE", "2.0", "Meh", "Olaf", 5);
        addReview(app_, "fr", "FR", "1.9", "Bof", "Great Gatsby", 2);
        other_ = store_->app("2");
        addReview(other_, "other", "DE", "1.10", "Great app", "Carl", 6);
        QVERIFY(store_->context->save());
        selected_ = app_;
    }

    void cleanup()
    {
        selected_.reset();
        app_.reset();
        other_.reset();
        store_.reset();
    }

    // The model lists what the filter lists, with the country-name part of
    // the search done in SQL.
    void listsWhatTheFilterLists_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all") << "***"
                             << "***"
                             << "" << QStringList {"de-new", "us", "jp", "fr", "de-old"};
        QTest::newRow("title or reviewer") << "***"
                                           << "***"
                                           << "great" << QStringList {"us", "fr"};
        QTest::newRow("version pattern") << "***"
                                         << "***"
                                         << "1.1*" << QStringList {"us", "jp"};
        QTest::newRow("country name") << "***"
                                      << "***"
                                      << "germ" << QStringList {"de-new", "de-old"};
        QTest::newRow("country narrows, no name match") << "***"
                                                        << "DE"
                                                        << "germ" << QStringList {};
        QTest::newRow("version narrows, no pattern") << "1.10"
                                                     << "***"
                                                     << "1.1*" << QStringList {};
        QTest::newRow("version and title") << "1.9"
                                           << "***"
                                           << "bof" << QStringList {"fr"};
        QTest::newRow("version and country") << "1.10"
                                             << "US"
                                             << "" << QStringList {"us"};
    }
    void listsWhatTheFilterLists()
    {
        QFETCH(QString, version);
        QFETCH(QString, country);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        app_->setSelectedVersion(version);
        app_->setSelectedCountryCode(country);
        ReviewListModel model(*store_->context);
        QAbstractItemModelTester tester(&model);
        model.setProduct(app_);
        model.setSearchText(text);

        ReviewFilter filter(*store_->context);
        filter.updateReviewRatingsFilterPredicate(app_);
        filter.searchAction(text);
        QStringList fromFilter;
        for (const auto &review : filter.reviews())
            fromFilter << review->identifier();

        QCOMPARE(identifiers(model), expected);
        QCOMPARE(fromFilter, expected);
        QCOMPARE(model.rowCount(), int(expected.size()));
    }

    // Rows come a page at a time; records a batch at a time, in SQL order.
    void pagesOfRows()
    {
        const int count = ReviewListModel::PageSize + 150;
        for (int i = 0; i < count; ++i)
            addReview(other_, QString::number(i), "US", "1.0", "T", "R", 100 + i);
        QVERIFY(store_->context->save());
        ReviewListModel model(*store_->context);
        model.setProduct(other_);
        QCOMPARE(model.listedCount(), int(ReviewListModel::PageSize));
        QCOMPARE(model.rowCount(), int(ReviewListModel::PageSize));
        QVERIFY(model.canFetchMore({}));
        // The tester asks for more rows itself.
        QAbstractItemModelTester tester(&model);
        model.fetchMore({});
        QCOMPARE(model.rowCount(), count + 1);
        QCOMPARE(model.listedCount(), count + 1);
        QVERIFY(!model.canFetchMore({}));
        QCOMPARE(model.reviewAt(0)->identifier(), QString::number(count - 1));
        QCOMPARE(model.reviewAt(count - 1)->identifier(), "0");
        QCOMPARE(model.reviewAt(count)->identifier(), "other");
        QVERIFY(!model.reviewAt(count + 1));
        QCOMPARE(model.index(ReviewListModel::BatchSize * 3 + 7, ReviewListModel::Title).data(),
            QVariant("T"));

        // Marking all reaches the rows not handed to the view yet.
        ReviewListModel fresh(*store_->context);
        fresh.setProduct(other_);
        QVERIFY(fresh.canFetchMore({}));
        fresh.setReadOfListed(true);
        QVERIFY(store_->context->save());
        FetchRequest unread(QStringLiteral("Review"));
        unread.predicate = Predicate::format("product == %@ AND read == NO", other_);
        QCOMPARE(store_->context->countForFetchRequest(unread), 0);
        QCOMPARE(fresh.rowCount(), count + 1);
    }

    void markReadDelay_data()
    {
        QTest::addColumn<double>("keyRepeat");
        QTest::addColumn<double>("dwell");
        QTest::addColumn<bool>("firstRead");
        QTest::newRow("quick move, shortest delay") << 0.05 << 0.2 << false;
        QTest::newRow("staying, shortest delay") << 0.05 << 0.25 << true;
        QTest::newRow("inside the range") << 0.6 << 0.55 << false;
        QTest::newRow("longest delay, early move") << 3.0 << 0.99 << false;
        QTest::newRow("longest delay, stayed") << 3.0 << 1.0 << true;
    }
    void markReadDelay()
    {
        QFETCH(double, keyRepeat);
        QFETCH(double, dwell);
        QFETCH(bool, firstRead);
        auto list = controller();
        list->setKeyRepeatDelay(keyRepeat);
        list->tableView()->selectRow(0);
        const QString first = list->selectedReview()->identifier();
        clock_.advanceSeconds(dwell);
        list->tableView()->selectRow(1);
        const QString second = list->selectedReview()->identifier();
        clock_.advanceSeconds(1.0);
        QStringList expected {second};
        if (firstRead)
            expected << first;
        expected.sort();
        QCOMPARE(readIdentifiers(), expected);
        QCOMPARE(list->model()->index(1, ReviewListModel::Unread).data().toString(), QString());
    }

    void contextMenuHoldsBackMarkRead()
    {
        auto list = controller();
        list->setKeyRepeatDelay(0.25);
        list->tableView()->selectRow(2);
        list->openContextMenu(2, QPoint(10, 10));
        QVERIFY(list->tableContextMenuIsOpen());
        const QList<QAction *> items = list->contextMenu()->actions();
        QCOMPARE(items.size(), 6);
        QCOMPARE(items[0]->text(), "Mark Read");
        QCOMPARE(items[2]->text(), "Mark All as Read");
        QCOMPARE(items[3]->text(), "Mark All as Unread");
        QCOMPARE(items[5]->text(), "Open in Browser");
        clock_.advanceSeconds(2.0);
        QCOMPARE(readIdentifiers(), QStringList {});
        list->contextMenu()->close();
        QVERIFY(!list->tableContextMenuIsOpen());
        clock_.advanceSeconds(2.0);
        QCOMPARE(readIdentifiers(), QStringList {});

        // Right-clicking another row while one is selected marks neither.
        list->tableView()->selectRow(0);
        list->openContextMenu(3, QPoint(10, 10));
        clock_.advanceSeconds(2.0);
        QCOMPARE(readIdentifiers(), QStringList {});
        list->contextMenu()->actions().first()->trigger();
        QCOMPARE(readIdentifiers(), QStringList {list->model()->reviewAt(3)->identifier()});
        list->contextMenu()->close();

        // No review under the click: an empty menu that never opens.
        list->openContextMenu(-1, QPoint(10, 10));
        QVERIFY(list->contextMenu()->isEmpty());
        QVERIFY(!list->tableContextMenuIsOpen());
    }

    void markAllActsOnTheListed_data()
    {
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("search") << "***"
                                << "great" << QStringList {"fr", "us"};
        QTest::newRow("country and search") << "DE"
                                            << "meh" << QStringList {"de-new"};
        QTest::newRow("everything") << "***"
                                    << "" << QStringList {"de-new", "de-old", "fr", "jp", "us"};
    }
    void markAllActsOnTheListed()
    {
        QFETCH(QString, country);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        app_->setSelectedCountryCode(country);
        auto list = controller();
        list->searchField()->setText(text);
        QVERIFY(list->respondsToAction("markAllReadAction"));
        list->performAction("markAllReadAction", 1);
        QCOMPARE(readIdentifiers(), expected);
        QVERIFY(!other_->reviews().first()->read().value_or(false));
        // Saved: a fresh context sees the same.
        QVERIFY(!store_->context->hasChanges());
        for (const auto &review : app_->reviews())
            review->setRead(true);
        list->performAction("markAllUnreadAction", 0);
        QStringList rest {"de-new", "de-old", "fr", "jp", "us"};
        for (const QString &id : expected)
            rest.removeOne(id);
        QCOMPARE(readIdentifiers(), rest);
    }

    void menusInTheirOrder()
    {
        addReview(app_, "two", "GB", "1.2", "x", "y", 7);
        QVERIFY(store_->context->save());
        app_->setSelectedVersion("1.9");
        app_->setSelectedCountryCode("FR");
        auto list = controller();
        QStringList versions;
        for (int i = 0; i < list->versionPopUpButton()->count(); ++i)
            versions << list->versionPopUpButton()->itemText(i);
        QCOMPARE(versions,
            (QStringList {"All Versions", "", "Version: 2.0", "Version: 1.9", "Version: 1.2",
                "Version: 1.10"}));
        QCOMPARE(list->versionPopUpButton()->currentText(), "Version: 1.9");
        QStringList countries;
        for (int i = 2; i < list->countriesPopUpButton()->count(); ++i)
            countries << list->countriesPopUpButton()->itemData(i).toString();
        QStringList byName = countries;
        std::sort(byName.begin(), byName.end(), [](const QString &a, const QString &b) {
            return Country::localizedName(a).localeAwareCompare(Country::localizedName(b)) < 0;
        });
        QCOMPARE(countries, byName);
        QCOMPARE(list->countriesPopUpButton()->currentData().toString(), "FR");
        QCOMPARE(identifiers(*list->model()), QStringList {"fr"});

        // Choosing "All Versions" stores it and widens the list.
        list->selectedVersionForReviewRatingsChangedAction(0);
        QCOMPARE(app_->selectedVersion(), "***");
        QVERIFY(!store_->context->hasChanges());
        QCOMPARE(identifiers(*list->model()), QStringList {"fr"});
        list->selectedCountryForReviewRatingsChangedAction(0);
        QCOMPARE(list->model()->listedCount(), 6);

        // A book has no version menu.
        auto book = store_->context->insertNewObject<Product>("Book");
        selected_ = book;
        list->mainOutlineViewSelectionDidChange();
        QCOMPARE(list->versionPopUpButton()->count(), 1);
        QCOMPARE(list->model()->listedCount(), 0);
    }

    void sortSurvivesRestart()
    {
        {
            auto list = controller();
            list->tableView()->horizontalHeader()->setSortIndicator(
                ReviewListModel::Reviewer, Qt::AscendingOrder);
            QCOMPARE(
                identifiers(*list->model()), (QStringList {"de-old", "us", "fr", "de-new", "jp"}));
        }
        auto list = controller();
        QCOMPARE(list->tableView()->horizontalHeader()->sortIndicatorSection(),
            int(ReviewListModel::Reviewer));
        QCOMPARE(list->tableView()->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(identifiers(*list->model()), (QStringList {"de-old", "us", "fr", "de-new", "jp"}));

        // Nothing stored: newest first.
        UserDefaults::standard().removeObjectForKey(ReviewController::sortDefaultsKey());
        auto fresh = controller();
        QCOMPARE(fresh->tableView()->horizontalHeader()->sortIndicatorSection(),
            int(ReviewListModel::Date));
        QCOMPARE(fresh->model()->reviewAt(0)->identifier(), "de-new");
    }

    void gapNotice_data()
    {
        QTest::addColumn<QString>("gapCountry");
        QTest::addColumn<bool>("onOther");
        QTest::addColumn<QString>("shownCountry");
        QTest::addColumn<bool>("visible");
        QTest::newRow("all countries") << "DE" << false << "***" << true;
        QTest::newRow("its country") << "DE" << false << "DE" << true;
        QTest::newRow("another country") << "DE" << false << "US" << false;
        QTest::newRow("another product") << "DE" << true << "***" << false;
    }
    void gapNotice()
    {
        QFETCH(QString, gapCountry);
        QFETCH(bool, onOther);
        QFETCH(QString, shownCountry);
        QFETCH(bool, visible);
        auto gap = store_->context->insertNewObject("ReviewGap",
            {{"countryCode", gapCountry},
                {"fromDate", QDateTime(QDate(2026, 3, 20), QTime(12, 0), Qt::UTC)},
                {"toDate", QDateTime(QDate(2026, 2, 10), QTime(12, 0), Qt::UTC)},
                {"dateNoticed", clock_.now()}});
        gap->setObject("product", onOther ? other_ : app_);
        app_->setSelectedCountryCode(shownCountry);
        QVERIFY(store_->context->save());
        auto list = controller();
        QCOMPARE(!list->gapNotice()->isHidden(), visible);
        if (visible) {
            const QString text = list->gapNotice()->text();
            QVERIFY2(text.contains(Country::localizedName(gapCountry)), qPrintable(text));
            QVERIFY2(text.contains(QLocale().toString(QDate(2026, 2, 10), QLocale::ShortFormat)),
                qPrintable(text));
            QVERIFY2(text.contains(QLocale().toString(QDate(2026, 3, 20), QLocale::ShortFormat)),
                qPrintable(text));
        }
        // Switching to the other product follows its own gaps.
        selected_ = other_;
        list->mainOutlineViewSelectionDidChange();
        QCOMPARE(!list->gapNotice()->isHidden(), onOther);
    }

    void openInBrowser_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("selectFirst");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QString>("opened");
        const QString store = "https://apps.example.com/us/app/name/id1";
        QTest::newRow("clicked row")
            << store << true << 2 << "https://apps.example.com/jp/app/name/id1";
        QTest::newRow("selected row")
            << store << true << -1 << "https://apps.example.com/de/app/name/id1";
        QTest::newRow("nothing chosen") << store << false << -1 << "";
        QTest::newRow("http") << "http://apps.example.com/us/x" << true << -1
                              << "http://apps.example.com/de/x";
        QTest::newRow("file refused") << "file:///us/etc/passwd" << true << -1 << "";
        QTest::newRow("no store page") << "" << true << -1 << "";
    }
    void openInBrowser()
    {
        QFETCH(QString, link);
        QFETCH(bool, selectFirst);
        QFETCH(int, clicked);
        QFETCH(QString, opened);
        app_->setValue("jsonData", QVariantMap {{"trackViewUrl", link}});
        QStringList urls;
        UrlOpener::setHandler([&urls](const QUrl &url) {
            urls << url.toString();
            return true;
        });
        auto list = controller();
        if (selectFirst)
            list->tableView()->selectRow(0);
        list->doubleClickAction(clicked);
        UrlOpener::setHandler({});
        QCOMPARE(urls, opened.isEmpty() ? QStringList {} : QStringList {opened});
    }

    void smileyHidesAfterFiveSeconds()
    {
        auto list = controller();
        list->show();
        list->tableView()->selectRow(0);
        QVERIFY(list->smileyTextField()->isVisible());
        clock_.advanceSeconds(4.0);
        list->tableView()->selectRow(1);
        clock_.advanceSeconds(4.0);
        QVERIFY(list->smileyTextField()->isVisible());
        clock_.advanceSeconds(1.0);
        QTRY_VERIFY(!list->smileyTextField()->isVisible());
    }

    // An edited review shows what it said before below its text, newest
    // first, as plain text; one never edited shows its text alone.
    void earlierVersionsBelowTheText()
    {
        const auto reviews = app_->reviews();
        const auto edited = *std::find_if(reviews.begin(), reviews.end(),
            [](const auto &review) { return review->identifier() == QLatin1String("us"); });
        edited->originalReviewContent()->setValue("data", QByteArray("Now fine"));
        edited->updateDisplayReviewContent();
        const struct {
            double rating;
            const char *title, *text;
            int day;
        } earlier[] = {{1, "<b>First</b>", "Crashes", 10}, {3, "Second", "Better", 20}};
        for (const auto &version : earlier) {
            auto record = store_->context->insertNewObject(QStringLiteral("ReviewVersion"),
                {{"rating", version.rating}, {"title", version.title},
                    {"data", QByteArray(version.text)}, {"version", "1.9"},
                    {"dateReplaced",
                        QDateTime(QDate(2025, 1, version.day), QTime(12, 0), Qt::UTC)}});
            record->setObject("review", edited);
        }
        QVERIFY(store_->context->save());
        auto list = controller();
        const QStringList listed = identifiers(*list->model());
        list->tableView()->selectRow(int(listed.indexOf("us")));
        const QString shown = list->reviewTextView()->toPlainText();
        QVERIFY2(shown.startsWith("Now fine\n\nEarlier versions\n\n"
                                  "\u2605\u2605\u2605\u2606\u2606  Shown until "),
            qPrintable(shown));
        QVERIFY(shown.contains(", version 1.9\nSecond\nBetter\n\n\u2605\u2606"));
        QVERIFY(shown.endsWith("\n<b>First</b>\nCrashes"));
        list->tableView()->selectRow(int(listed.indexOf("jp")));
        QVERIFY(!list->reviewTextView()->toPlainText().contains("Earlier versions"));
        // The list says which reviews were edited, to the eye and to a screen reader.
        for (int row = 0; row < int(listed.size()); ++row) {
            const QModelIndex title = list->model()->index(row, ReviewListModel::Title);
            QCOMPARE(title.data().toString().startsWith(QChar(0x270E)), listed.at(row) == "us");
            QCOMPARE(title.data(Qt::AccessibleTextRole).toString().endsWith(" (edited)"),
                listed.at(row) == "us");
        }
    }

    // The toggle shows a stored translation or fetches one; a failure is
    // presented once, stores nothing and leaves the toggle off.
    void translateToggle_data()
    {
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<int>("presented");
        QTest::newRow("translated") << 0 << 0;
        QTest::newRow("quota used up") << 3 << 1;
        QTest::newRow("cancelled") << int(URLError::Cancelled) << 0;
    }
    void translateToggle()
    {
        QFETCH(int, errorCode);
        QFETCH(int, presented);
        RecordingPresenter presenter;
        Presenter::setShared(&presenter);
        UserDefaults::standard().setString(QStringLiteral("de"), "TranslationLanguageCode");
        int requests = 0;
        ReviewTranslation::setTranslateFunction(
            [&](const QString &, const QString &to, const QStringList &texts, auto completion) {
                ++requests;
                QCOMPARE(to, QStringLiteral("de"));
                QCOMPARE(texts.size(), 2);
                if (errorCode)
                    completion({}, Error(QStringLiteral("TranslatorErrorDomain"), errorCode));
                else
                    completion({QStringLiteral("Titel"), QStringLiteral("Text")}, {});
            });
        auto list = controller();
        list->tableView()->selectRow(0);
        const auto review = list->selectedReview();
        QToolButton *toggle = list->translateButton();
        for (int pass = 0; pass < 2; ++pass) {
            toggle->click();
            QTRY_COMPARE(requests, 1);
            QTest::qWait(10);
            QCOMPARE(toggle->isChecked(), errorCode == 0);
            QCOMPARE(review->hasTranslationForLanguageCode(QStringLiteral("de")), errorCode == 0);
            if (errorCode)
                break;
            QCOMPARE(review->displayTitle(), QStringLiteral("Titel"));
            toggle->click(); // back to the original; the next click reuses the stored one
            QCOMPARE(toggle->isChecked(), false);
        }
        QCOMPARE(presenter.errors.size(), presented);
        ReviewTranslation::setTranslateFunction({});
        Presenter::setShared(nullptr);
    }
};

RK_TEST_GUI_MAIN(ReviewListTest)
#include "tst_reviewlist.moc"
