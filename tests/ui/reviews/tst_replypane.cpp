#include "support/UiRecorders.h"

#include "net/AppStoreConnectClient.h"
#include "ui/reviews/ReplyPane.h"
#include "ui/reviews/ReviewController.h"
#include "ui/reviews/ReviewListModel.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

// Replies go out through the service and are stored only once it took
// them; the editor counts against the service's limit.
class ReplyPaneTest : public QObject {
    Q_OBJECT

    RecordingPresenter presenter_;

private Q_SLOTS:
    void initTestCase() { Presenter::setShared(&presenter_); }

    void replyEditAndDelete()
    {
        StoreFixture store;
        auto app = store.app("100");
        auto mine = StoreFixture::review(*store.context, app, "api-1", "US");
        mine->setConnectIdentifier("api-1");
        auto feedOnly = StoreFixture::review(*store.context, app, "r1", "US");
        store.context->save();
        QWidget window;
        Error refusal;
        QStringList sent;
        ReplyPane pane(*store.context, &window,
            [&](const QString &reviewID, const QString &replyID, const QString &text,
                ReplyPane::ReplyCompletion done) {
                sent << reviewID + "|" + replyID + "|" + text;
                if (refusal || text.isNull())
                    done(std::nullopt, refusal);
                else
                    done(AppStoreConnectReply {"answer-1", text, {}, "PENDING_PUBLISH"}, {});
            });

        pane.showReview(feedOnly);
        QVERIFY(pane.replyButton()->isHidden() && pane.deleteButton()->isHidden());
        pane.showReview(mine);
        QVERIFY(!pane.replyButton()->isHidden() && pane.deleteButton()->isHidden());
        QCOMPARE(pane.replyButton()->text(), "Reply…");

        pane.send("Thanks for the report.");
        QCOMPARE(mine->reply()->text, "Thanks for the report.");
        QVERIFY(!store.context->hasChanges());
        QCOMPARE(pane.replyButton()->text(), "Edit Reply…");
        QVERIFY(!pane.deleteButton()->isHidden());

        // A refused edit or deletion changes nothing stored, and says why.
        refusal = AppStoreConnectClient::errorFor(403, {}, "POST");
        pane.send("Fixed in 2.1.");
        pane.deleteAction();
        QCOMPARE(mine->reply()->text, "Thanks for the report.");
        QCOMPARE(presenter_.errors.size(), 2);

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
        StoreFixture store;
        auto app = store.app("100");
        auto other = store.app("200");
        auto answered = StoreFixture::review(*store.context, app, "a", "US");
        answered->setConnectIdentifier("a");
        answered->setReply(ReviewReply {"r", "Thanks", "PUBLISHED", {}});
        StoreFixture::review(*store.context, app, "b", "US")->setConnectIdentifier("b");
        StoreFixture::review(*store.context, other, "c", "US");
        store.context->save();
        ReviewListModel model(*store.context);
        QAbstractItemModelTester tester(&model);
        model.setProduct(app);
        QCOMPARE(model.rowCount(), 2);
        const int row = model.rowForID(answered->objectID());
        const QModelIndex title = model.index(row, ReviewListModel::Title);
        QCOMPARE(title.data().toString(), "\u21A9 Title a");
        QCOMPARE(title.data(Qt::AccessibleTextRole).toString(), "Title a (answered)");
        model.setUnansweredOnly(true);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.reviewAt(0)->identifier(), "b");

        std::shared_ptr<Product> selected = app;
        ReviewController controller(*store.context, [&] { return selected; });
        controller.mainOutlineViewSelectionDidChange();
        QVERIFY(!controller.unansweredButton()->isHidden());
        selected = other;
        controller.mainOutlineViewSelectionDidChange();
        QVERIFY(controller.unansweredButton()->isHidden());
    }

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

RK_TEST_GUI_MAIN(ReplyPaneTest)
#include "tst_replypane.moc"
