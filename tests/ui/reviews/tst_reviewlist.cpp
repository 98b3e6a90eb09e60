#include "support/UiRecorders.h"

#include "model/ReviewTranslation.h"
#include "net/AppStoreConnectClient.h"
#include "net/URLError.h"
#include "platform/ManualClock.h"
#include "platform/UserDefaults.h"
#include "ui/reviews/ReplyPane.h"
#include "ui/reviews/ReviewController.h"
#include "ui/reviews/ReviewListModel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

class ReviewListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_, other_;
    std::shared_ptr<Product> selected_;
    ManualClock clock_;

    void addReview(const std::shared_ptr<App> &app, const QString &identifier, const char *country,
        const char *version, const QString &title, const char *reviewer, int minutes)
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

    std::shared_ptr<Review> review(const QString &identifier) const
    {
        for (const auto &review : app_->reviews())
            if (review->identifier() == identifier)
                return review;
        return nullptr;
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

    // Rows come a page at a time, records a batch at a time, in SQL order;
    // marking all reaches the rows not handed to the view yet.
    void pagesOfRows()
    {
        const int count = ReviewListModel::PageSize + 150;
        for (int i = 0; i < count; ++i)
            addReview(other_, QString::number(i), "US", "1.0", "T", "R", 100 + i);
        QVERIFY(store_->context->save());
        ReviewListModel model(*store_->context);
        model.setProduct(other_);
        QCOMPARE(model.rowCount(), int(ReviewListModel::PageSize));
        QAbstractItemModelTester tester(&model); // fetches the rest itself
        model.fetchMore({});
        QCOMPARE(model.rowCount(), count + 1);
        QVERIFY(!model.canFetchMore({}));
        QCOMPARE(model.reviewAt(0)->identifier(), QString::number(count - 1));
        QCOMPARE(model.reviewAt(count)->identifier(), "other");
        QVERIFY(!model.reviewAt(count + 1));
        QCOMPARE(model.index(ReviewListModel::BatchSize * 3 + 7, ReviewListModel::Title).data(),
            QVariant("T"));

        ReviewListModel fresh(*store_->context);
        fresh.setProduct(other_);
        QVERIFY(fresh.canFetchMore({}));
        fresh.setReadOfListed(true);
        QVERIFY(store_->context->save());
        QCOMPARE(
            store_->count("Review", Predicate::format("product == %@ AND read == NO", other_)), 0);
    }

    // A review is marked read once it stayed selected for the key-repeat
    // delay, kept between 0.25 and 1 second.
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
        clock_.advanceSeconds(dwell);
        list->tableView()->selectRow(1);
        clock_.advanceSeconds(1.0);
        QCOMPARE(
            readIdentifiers(), (firstRead ? QStringList {"de-new", "us"} : QStringList {"us"}));
        QCOMPARE(list->model()->index(1, ReviewListModel::Unread).data().toString(), QString());
    }

    // While the context menu is open, the row under it is not marked read.
    void contextMenuHoldsBackMarkRead()
    {
        auto list = controller();
        list->setKeyRepeatDelay(0.25);
        list->tableView()->selectRow(2);
        list->openContextMenu(2, QPoint(10, 10));
        QVERIFY(list->tableContextMenuIsOpen());
        clock_.advanceSeconds(2.0);
        list->contextMenu()->close();
        QVERIFY(!list->tableContextMenuIsOpen());
        clock_.advanceSeconds(2.0);
        // Right-clicking another row while one is selected marks neither.
        list->tableView()->selectRow(0);
        list->openContextMenu(3, QPoint(10, 10));
        clock_.advanceSeconds(2.0);
        QCOMPARE(readIdentifiers(), QStringList {});
        list->contextMenu()->actions().first()->trigger(); // Mark Read
        QCOMPARE(readIdentifiers(), QStringList {"fr"});
        list->contextMenu()->close();

        // No review under the click: an empty menu that never opens.
        list->openContextMenu(-1, QPoint(10, 10));
        QVERIFY(list->contextMenu()->isEmpty());
        QVERIFY(!list->tableContextMenuIsOpen());
    }

    // Mark All acts on the reviews the filter and search list, and is saved.
    void markAllActsOnTheListed_data()
    {
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("search") << "***" << QString("great") << QStringList {"fr", "us"};
        QTest::newRow("country and search") << "DE" << QString("meh") << QStringList {"de-new"};
        QTest::newRow("everything")
            << "***" << QString() << QStringList {"de-new", "de-old", "fr", "jp", "us"};
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
        QVERIFY(!store_->context->hasChanges());
        for (const auto &review : app_->reviews())
            review->setRead(true);
        list->performAction("markAllUnreadAction", 0);
        QCOMPARE(readIdentifiers().size(), 5 - expected.size());
    }

    // The menus show the stored choices, the countries by their names (the
    // versions come in the filter's order); "All Versions" is stored.
    void menusInTheirOrder()
    {
        addReview(app_, "two", "GB", "1.2", "x", "y", 7);
        app_->setSelectedVersion("1.9");
        app_->setSelectedCountryCode("FR");
        QVERIFY(store_->context->save());
        auto list = controller();
        QComboBox *versions = list->versionPopUpButton();
        QCOMPARE(versions->currentText(), "Version: 1.9");
        QCOMPARE(versions->itemText(0), "All Versions");
        QStringList countries;
        for (int i = 2; i < list->countriesPopUpButton()->count(); ++i)
            countries << list->countriesPopUpButton()->itemText(i);
        QCOMPARE(countries,
            (QStringList {"France", "Germany", "Japan", "United Kingdom", "United States"}));
        QCOMPARE(identifiers(*list->model()), QStringList {"fr"});

        list->selectedVersionForReviewRatingsChangedAction(0);
        QCOMPARE(app_->selectedVersion(), "***");
        QVERIFY(!store_->context->hasChanges());
        list->selectedCountryForReviewRatingsChangedAction(0);
        QCOMPARE(list->model()->listedCount(), 6);

        // A book has no version menu.
        selected_ = store_->context->insertNewObject<Product>("Book");
        list->mainOutlineViewSelectionDidChange();
        QCOMPARE(versions->count(), 1);
        QCOMPARE(list->model()->listedCount(), 0);
    }

    // A header click is stored and restored (nothing stored, the other cases
    // see the newest first).
    void sortSurvivesRestart()
    {
        controller()->tableView()->horizontalHeader()->setSortIndicator(
            ReviewListModel::Reviewer, Qt::AscendingOrder);
        auto list = controller();
        QCOMPARE(list->tableView()->horizontalHeader()->sortIndicatorSection(),
            int(ReviewListModel::Reviewer));
        QCOMPARE(identifiers(*list->model()), (QStringList {"de-old", "us", "fr", "de-new", "jp"}));
    }

    // A gap in the stored reviews shows for its product and country.
    void gapNotice_data()
    {
        QTest::addColumn<bool>("onOther");
        QTest::addColumn<QString>("shownCountry");
        QTest::addColumn<bool>("visible");
        QTest::newRow("all countries") << false << "***" << true;
        QTest::newRow("its country") << false << "DE" << true;
        QTest::newRow("another country") << false << "US" << false;
        QTest::newRow("another product") << true << "***" << false;
    }
    void gapNotice()
    {
        QFETCH(bool, onOther);
        QFETCH(QString, shownCountry);
        QFETCH(bool, visible);
        store_->context
            ->insertNewObject("ReviewGap",
                {{"countryCode", "DE"},
                    {"fromDate", QDateTime(QDate(2026, 3, 20), QTime(12, 0), Qt::UTC)},
                    {"toDate", QDateTime(QDate(2026, 2, 10), QTime(12, 0), Qt::UTC)},
                    {"dateNoticed", clock_.now()}})
            ->setObject("product", onOther ? other_ : app_);
        app_->setSelectedCountryCode(shownCountry);
        QVERIFY(store_->context->save());
        auto list = controller();
        QCOMPARE(!list->gapNotice()->isHidden(), visible);
        const QString text = list->gapNotice()->text();
        QVERIFY2(!visible
                || (text.contains("Germany") && text.contains("2/10/26")
                    && text.contains("3/20/26")),
            qPrintable(text));
        selected_ = other_;
        list->mainOutlineViewSelectionDidChange();
        QCOMPARE(!list->gapNotice()->isHidden(), onOther);
    }

    // A review opens its product's page in its country, web addresses only.
    void openInBrowser_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("selectFirst");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QString>("opened");
        const auto row = [](const char *name, const char *link, bool select, int clicked,
                             const char *opened) {
            QTest::newRow(name) << QString(link) << select << clicked << QString(opened);
        };
        const char *page = "https://apps.example.com/us/app/name/id1";
        row("clicked row", page, true, 2, "https://apps.example.com/jp/app/name/id1");
        row("selected row", page, true, -1, "https://apps.example.com/de/app/name/id1");
        row("nothing chosen", page, false, -1, "");
        row("file refused", "file:///us/etc/passwd", true, -1, "");
        row("no store page", "", true, -1, "");
    }
    void openInBrowser()
    {
        QFETCH(QString, link);
        QFETCH(bool, selectFirst);
        QFETCH(int, clicked);
        QFETCH(QString, opened);
        app_->setValue("jsonData", QVariantMap {{"trackViewUrl", link}});
        OpenedUrls urls;
        auto list = controller();
        if (selectFirst)
            list->tableView()->selectRow(0);
        list->doubleClickAction(clicked);
        QCOMPARE(urls, opened.isEmpty() ? QList<QUrl> {} : QList<QUrl> {QUrl(opened)});
    }

    void smileyHidesFiveSecondsAfterTheLastSelection()
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
    // first, as plain text, and is marked in the list to the eye and to a
    // screen reader; one never edited shows its text alone.
    void earlierVersionsBelowTheText()
    {
        const std::shared_ptr<Review> edited = review("us");
        edited->originalReviewContent()->setValue("data", QByteArray("Now fine"));
        edited->updateDisplayReviewContent();
        for (const auto &[rating, title, text, day] :
            {std::tuple {1.0, "<b>First</b>", "Crashes", 10}, {3.0, "Second", "Better", 20}})
            store_->context
                ->insertNewObject("ReviewVersion",
                    {{"rating", rating}, {"title", title}, {"data", QByteArray(text)},
                        {"version", "1.9"},
                        {"dateReplaced", QDateTime(QDate(2025, 1, day), QTime(12, 0), Qt::UTC)}})
                ->setObject("review", edited);
        QVERIFY(store_->context->save());
        auto list = controller();
        QCOMPARE(identifiers(*list->model()).indexOf("us"), 1);
        list->tableView()->selectRow(1);
        const QString shown = list->reviewTextView()->toPlainText();
        QVERIFY2(shown.startsWith("Now fine\n\nEarlier versions\n\n"
                                  "\u2605\u2605\u2605\u2606\u2606  Shown until "),
            qPrintable(shown));
        QVERIFY(shown.contains(", version 1.9\nSecond\nBetter\n\n\u2605\u2606"));
        QVERIFY(shown.endsWith("\n<b>First</b>\nCrashes"));
        list->tableView()->selectRow(2);
        QVERIFY(!list->reviewTextView()->toPlainText().contains("Earlier versions"));
        for (int row = 0; row < 3; ++row) {
            const QModelIndex title = list->model()->index(row, ReviewListModel::Title);
            QCOMPARE(title.data().toString().startsWith(QChar(0x270E)), row == 1);
            QCOMPARE(title.data(Qt::AccessibleTextRole).toString().endsWith(" (edited)"), row == 1);
        }
    }

    // The toggle shows a stored translation or fetches one; a failure is
    // presented once (a cancel not at all), stores nothing and leaves the
    // toggle off.
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
        SharedPresenter presenter;
        UserDefaults::standard().setString("de", "TranslationLanguageCode");
        int requests = 0;
        ReviewTranslation::setTranslateFunction(
            [&](const QString &, const QString &to, const QStringList &texts, auto completion) {
                ++requests;
                QCOMPARE(to + QString::number(texts.size()), QString("de2"));
                if (errorCode)
                    completion({}, Error("TranslatorErrorDomain", errorCode));
                else
                    completion({"Titel", "Text"}, {});
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
            QCOMPARE(review->hasTranslationForLanguageCode("de"), errorCode == 0);
            if (errorCode)
                break;
            QCOMPARE(review->displayTitle(), QString("Titel"));
            toggle->click(); // back to the original; the next click reuses the stored one
            QCOMPARE(toggle->isChecked(), false);
        }
        QCOMPARE(presenter.errors.size(), presented);
        ReviewTranslation::setTranslateFunction({});
    }

    // Replies go out through the service and are stored only once it took
    // them; only reviews App Store Connect gave can be answered.
    void replyEditAndDelete()
    {
        SharedPresenter presenter;
        const auto mine = review("us");
        mine->setConnectIdentifier("api-1");
        QVERIFY(store_->context->save());
        QWidget window;
        Error refusal;
        QStringList sent;
        ReplyPane pane(*store_->context, &window,
            [&](const QString &reviewID, const QString &replyID, const QString &text,
                ReplyPane::ReplyCompletion done) {
                sent << reviewID + "|" + replyID + "|" + text;
                if (refusal || text.isNull())
                    done(std::nullopt, refusal);
                else
                    done(AppStoreConnectReply {"answer-1", text, {}, "PENDING_PUBLISH"}, {});
            });

        pane.showReview(review("jp"));
        QVERIFY(pane.replyButton()->isHidden() && pane.deleteButton()->isHidden());
        pane.showReview(mine);
        QVERIFY(!pane.replyButton()->isHidden() && pane.deleteButton()->isHidden());
        QCOMPARE(pane.replyButton()->text(), "Reply…");

        pane.send("Thanks for the report.");
        QCOMPARE(mine->reply()->text, "Thanks for the report.");
        QVERIFY(!store_->context->hasChanges());
        QCOMPARE(pane.replyButton()->text(), "Edit Reply…");
        QVERIFY(!pane.deleteButton()->isHidden());

        // A refused edit or deletion changes nothing stored, and says why.
        refusal = AppStoreConnectClient::errorFor(403, {}, "POST");
        pane.send("Fixed in 2.1.");
        pane.deleteAction();
        QCOMPARE(mine->reply()->text, "Thanks for the report.");
        QCOMPARE(presenter.errors.size(), 2);

        refusal = {};
        pane.deleteAction();
        QVERIFY(!mine->reply());
        QVERIFY(pane.deleteButton()->isHidden());
        QCOMPARE(sent,
            QStringList({"api-1||Thanks for the report.", "api-1||Fixed in 2.1.", "api-1|answer-1|",
                "api-1|answer-1|"}));
    }

    // The list keeps only unanswered reviews on request, marks answered ones,
    // and offers the filter only for products App Store Connect gave reviews of.
    void unansweredFilterAndMark()
    {
        const auto answered = review("us");
        answered->setConnectIdentifier("us");
        answered->setReply(ReviewReply {"r", "Thanks", "PUBLISHED", {}});
        QVERIFY(store_->context->save());
        auto list = controller();
        QAbstractItemModelTester tester(list->model());
        const QModelIndex title = list->model()->index(
            list->model()->rowForID(answered->objectID()), ReviewListModel::Title);
        QCOMPARE(title.data().toString(), "\u21A9 Great app");
        QCOMPARE(title.data(Qt::AccessibleTextRole).toString(), "Great app (answered)");
        QVERIFY(!list->unansweredButton()->isHidden());
        list->unansweredButton()->click();
        QCOMPARE(list->model()->listedCount(), 4);
        QVERIFY(!identifiers(*list->model()).contains("us"));
        selected_ = other_;
        list->mainOutlineViewSelectionDidChange();
        QVERIFY(list->unansweredButton()->isHidden());
        QVERIFY(!list->unansweredButton()->isChecked());
    }

    // The reply editor counts against the service's limit.
    void editorCounts_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("sendable");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("one") << 1 << true;
        QTest::newRow("the limit") << 5970 << true;
        QTest::newRow("past it") << 5971 << false;
    }

    void editorCounts()
    {
        QFETCH(int, length);
        QFETCH(bool, sendable);
        ReplyEditor editor(QString(length, 'x'));
        QCOMPARE(editor.sendButton()->isEnabled(), sendable);
        QCOMPARE(editor.counterLabel()->text(), QString("%1 of 5970 characters").arg(length));
    }

    void replyUnderTheText()
    {
        QTextDocument document("The review.");
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::End);
        appendReply(cursor, {"a", "<b>Thanks</b>", "PUBLISHED", {}}, Qt::gray);
        QCOMPARE(document.toPlainText(), "The review.\n\nYour reply · Published\n<b>Thanks</b>");
    }
};

RK_TEST_GUI_MAIN(ReviewListTest)
#include "tst_reviewlist.moc"
