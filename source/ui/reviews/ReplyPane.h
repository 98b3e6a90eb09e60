#pragma once

#include "net/AppStoreConnectDecoder.h"
#include "platform/Error.h"

#include <QDialog>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class ManagedObjectContext;
class QColor;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextCursor;
class QToolButton;
class Review;
struct ReviewReply;

// Appends the developer's reply under a review's text: a heading with its
// state ("Published" or "Pending") and date in `detailColor`, then the text,
// all as plain text.
void appendReply(QTextCursor &cursor, const ReviewReply &reply, const QColor &detailColor);

// Writes a reply: plain text of at most 5,970 characters, with a counter.
// Send is enabled while the text is neither empty nor too long.
class ReplyEditor : public QDialog {
    Q_OBJECT

public:
    static constexpr int longestReply = 5970;

    ReplyEditor(const QString &text, QWidget *parent = nullptr);

    QString text() const;
    QPlainTextEdit *textView() const { return textView_; }
    QLabel *counterLabel() const { return counterLabel_; }
    QPushButton *sendButton() const { return sendButton_; }

private:
    void textChanged();

    QPlainTextEdit *textView_ = nullptr;
    QLabel *counterLabel_ = nullptr;
    QPushButton *sendButton_ = nullptr;
};

// The reply buttons under the review pane for reviews App Store Connect gave
// (Reply… or Edit Reply…, and Delete Reply), and what they do: a reply is
// sent, and only once the service accepted it stored with the review.
class ReplyPane : public QObject {
    Q_OBJECT

public:
    using ReplyCompletion =
        std::function<void(const std::optional<AppStoreConnectReply> &reply, const Error &error)>;
    // Sends `text` as the reply to the review, or deletes the reply with
    // the given identifier (a null text).
    using SendFunction = std::function<void(const QString &reviewID, const QString &replyID,
        const QString &text, ReplyCompletion completion)>;

    // Without `send`, the application's App Store Connect client is used.
    ReplyPane(ManagedObjectContext &context, QWidget *parent, SendFunction send = {});

    QToolButton *replyButton() const { return replyButton_; }
    QToolButton *deleteButton() const { return deleteButton_; }
    ReplyEditor *editor() const { return editor_; }

    // The buttons for this review (none for one only the feed gave).
    void showReview(const std::shared_ptr<Review> &review);
    void replyAction();
    void deleteAction();
    void send(const QString &text);

Q_SIGNALS:
    // After the service answered and the store was written, or either failed.
    void replied(const Error &error);

private:
    void finish(const std::shared_ptr<Review> &review,
        const std::optional<AppStoreConnectReply> &reply, bool deleting, const Error &error);

    ManagedObjectContext &context_;
    QWidget *parent_;
    SendFunction send_;
    std::shared_ptr<Review> review_;
    QToolButton *replyButton_ = nullptr;
    QToolButton *deleteButton_ = nullptr;
    ReplyEditor *editor_ = nullptr;
};
