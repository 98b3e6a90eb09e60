#include "ui/reviews/ReplyPane.h"

#include "model/Review.h"
#include "net/AppStoreConnectAccount.h"
#include "net/AppStoreConnectClient.h"
#include "platform/Clock.h"
#include "platform/Presenter.h"
#include "platform/store/ManagedObjectContext.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

void appendReply(QTextCursor &cursor, const ReviewReply &reply, const QColor &detailColor)
{
    QTextCharFormat detail;
    detail.setForeground(detailColor);
    QTextCharFormat body;
    const QString state =
        reply.isPublished() ? ReplyPane::tr("Published") : ReplyPane::tr("Pending");
    const QString date = reply.date.isValid()
        ? QLocale().toString(reply.date.toLocalTime().date(), QLocale::LongFormat)
        : QString();
    cursor.insertBlock();
    cursor.insertBlock();
    cursor.insertText(date.isEmpty() ? ReplyPane::tr("Your reply · %1").arg(state)
                                     : ReplyPane::tr("Your reply · %1 · %2").arg(state, date),
        detail);
    cursor.insertBlock();
    cursor.insertText(reply.text, body);
}

ReplyEditor::ReplyEditor(const QString &text, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Reply to the Review"));
    auto *layout = new QVBoxLayout(this);
    textView_ = new QPlainTextEdit(text);
    textView_->moveCursor(QTextCursor::End); // an edit goes on from the reply's end
    textView_->setAccessibleName(tr("Reply"));
    textView_->setTabChangesFocus(true);
    counterLabel_ = new QLabel;
    counterLabel_->setAccessibleName(tr("Characters"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    sendButton_ = buttons->addButton(tr("Send"), QDialogButtonBox::AcceptRole);
    sendButton_->setAccessibleName(tr("Send the reply"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(textView_, &QPlainTextEdit::textChanged, this, &ReplyEditor::textChanged);
    layout->addWidget(textView_, 1);
    layout->addWidget(counterLabel_);
    layout->addWidget(buttons);
    resize(480, 280);
    textChanged();
}

QString ReplyEditor::text() const
{
    return textView_->toPlainText().trimmed();
}

void ReplyEditor::textChanged()
{
    const qsizetype length = text().size();
    counterLabel_->setText(tr("%1 of %2 characters").arg(length).arg(longestReply));
    counterLabel_->setForegroundRole(
        length > longestReply ? QPalette::BrightText : QPalette::WindowText);
    sendButton_->setEnabled(length > 0 && length <= longestReply);
}

ReplyPane::ReplyPane(ManagedObjectContext &context, QWidget *parent, SendFunction send)
    : QObject(parent), context_(context), parent_(parent), send_(std::move(send))
{
    if (!send_) {
        send_ = [](const QString &reviewID, const QString &replyID, const QString &text,
                    ReplyCompletion completion) {
            AppStoreConnectAccount::loadKey(
                [=](const std::optional<AppStoreConnectKey> &key, const Error &error) {
                    if (!key) {
                        completion(std::nullopt,
                            error ? error
                                  : Error(AppStoreConnectToken::ErrorDomain,
                                      AppStoreConnectToken::InvalidKeyCode,
                                      {{Error::LocalizedDescriptionKey,
                                          tr("No App Store Connect key is connected: choose one in "
                                             "the preferences.")}}));
                        return;
                    }
                    auto client = std::make_shared<AppStoreConnectClient>();
                    client->setKey(*key);
                    if (text.isNull())
                        client->deleteReply(replyID,
                            [client, completion](const Error &e) { completion(std::nullopt, e); });
                    else
                        client->reply(reviewID, text,
                            [client, completion](
                                const auto &reply, const Error &e) { completion(reply, e); });
                });
        };
    }
    replyButton_ = new QToolButton(parent);
    replyButton_->setAccessibleName(tr("Reply to the review"));
    connect(replyButton_, &QToolButton::clicked, this, &ReplyPane::replyAction);
    deleteButton_ = new QToolButton(parent);
    deleteButton_->setText(tr("Delete Reply"));
    deleteButton_->setAccessibleName(tr("Delete the reply"));
    connect(deleteButton_, &QToolButton::clicked, this, &ReplyPane::deleteAction);
    showReview({});
}

void ReplyPane::showReview(const std::shared_ptr<Review> &review)
{
    review_ = review && !review->connectIdentifier().isEmpty() ? review : nullptr;
    const bool answered = review_ && review_->reply();
    replyButton_->setText(answered ? tr("Edit Reply…") : tr("Reply…"));
    replyButton_->setVisible(review_ != nullptr);
    deleteButton_->setVisible(answered);
}

void ReplyPane::replyAction()
{
    if (!review_)
        return;
    const auto reply = review_->reply();
    delete editor_;
    editor_ = new ReplyEditor(reply ? reply->text : QString(), parent_);
    editor_->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor_, &QDialog::accepted, this, [this] { send(editor_->text()); });
    editor_->open();
}

void ReplyPane::deleteAction()
{
    if (!review_ || !review_->reply())
        return;
    const auto review = review_;
    QPointer<ReplyPane> self(this);
    send_(review->connectIdentifier(), review->reply()->identifier, QString(),
        [self, review](const auto &, const Error &error) {
            if (self)
                self->finish(review, std::nullopt, true, error);
        });
}

void ReplyPane::send(const QString &text)
{
    if (!review_ || text.isEmpty() || text.size() > ReplyEditor::longestReply)
        return;
    const auto review = review_;
    QPointer<ReplyPane> self(this);
    send_(review->connectIdentifier(), QString(), text,
        [self, review](const std::optional<AppStoreConnectReply> &reply, const Error &error) {
            if (self)
                self->finish(review, reply, false, error);
        });
}

void ReplyPane::finish(const std::shared_ptr<Review> &review,
    const std::optional<AppStoreConnectReply> &reply, bool deleting, const Error &error)
{
    // A failed reply changes nothing stored.
    Error outcome = error;
    if (!outcome && !deleting && !reply)
        outcome = AppStoreConnectClient::errorFor(500, {}, "POST");
    if (!outcome) {
        if (deleting)
            review->setReply(std::nullopt);
        else
            review->setReply(ReviewReply {reply->identifier, reply->body, reply->state,
                reply->lastModified.isValid() ? reply->lastModified : Clock::shared().now()});
        if (!context_.save(&outcome))
            context_.rollback();
    }
    if (outcome)
        Presenter::shared().presentError(outcome);
    if (review == review_)
        showReview(review);
    Q_EMIT replied(outcome);
}
