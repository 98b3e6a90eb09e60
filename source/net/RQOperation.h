#pragma once

#include "net/HTTPURLResponse.h"
#include "net/URLRequest.h"
#include "platform/Clock.h"
#include "platform/Error.h"

#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include <QAuthenticator>
#include <QNetworkReply>

// One HTTP request run by a RequestQueue: it sends the request (or serves it
// from the process's own cache entries), gathers the answer and hands the
// response, the body and an error to its completion handler, exactly once,
// on the main thread. Lives on the main thread.
//
// It is the shared cache's only client. A stored answer is reused without
// asking the server only while it is fresh by the rule below; otherwise the
// server is asked, conditionally when the stored answer has a validator, and
// whatever it answers is the answer: a 304 brings back the stored body, an
// error stays an error.
class RQOperation : public QObject, public std::enable_shared_from_this<RQOperation> {
    Q_OBJECT

public:
    using CompletionHandler = std::function<void(
        const HTTPURLResponse &response, const QByteArray &data, const Error &error)>;
    using ProgressHandler =
        std::function<void(qint64 bytesSoFar, qint64 bytesExpected, float fraction)>;
    using AuthenticationChallengeHandler = std::function<void(QAuthenticator *challenge)>;

    // A cached answer is reused without asking the network for at least this
    // long, whatever shorter max-age it came with.
    static constexpr qint64 minimumCacheAgeSeconds = 3960;

    static std::shared_ptr<RQOperation> operationWithRequest(const URLRequest &request);
    explicit RQOperation(URLRequest request);
    ~RQOperation() override;

    const URLRequest &request() const { return request_; }
    bool isExecuting() const { return executing_; }
    bool isFinished() const { return finished_; }
    bool isCancelled() const { return cancelled_; }

    void start();
    void cancel();
    void finish();

    // Schedules start() after `delay` on the shared clock, replacing a start
    // scheduled before; cancel() withdraws it.
    void startAfter(Clock::Duration delay);

    void setCompletionHandler(CompletionHandler handler)
    {
        completionHandler_ = std::move(handler);
    }
    void setUploadProgressHandler(ProgressHandler handler)
    {
        uploadProgressHandler_ = std::move(handler);
    }
    void setDownloadProgressHandler(ProgressHandler handler)
    {
        downloadProgressHandler_ = std::move(handler);
    }
    void setAuthenticationChallengeHandler(AuthenticationChallengeHandler handler)
    {
        authenticationChallengeHandler_ = std::move(handler);
    }

    bool autoRetry() const { return autoRetry_; }
    void setAutoRetry(bool on) { autoRetry_ = on; }
    double autoRetryDelay() const { return autoRetryDelay_; }
    void setAutoRetryDelay(double seconds) { autoRetryDelay_ = seconds; }
    // The default set holds the six codes of network trouble (-1001, -1003,
    // -1004, -1005, -1006, -1009).
    QSet<int> autoRetryErrorCodes() const;
    void setAutoRetryErrorCodes(const QSet<int> &codes) { autoRetryErrorCodes_ = codes; }
    static const QSet<int> &defaultAutoRetryErrorCodes();

    const HTTPURLResponse &responseReceived() const { return responseReceived_; }
    const QByteArray &accumulatedData() const { return accumulatedData_; }
    // When the request was sent or served from the cache; null before.
    QDateTime startTime() const { return startTime_; }

Q_SIGNALS:
    // Emitted after the flag changed (the announcements a queue observes).
    void executingChanged(bool executing);
    void finishedChanged(bool finished);
    void cancelledChanged(bool cancelled);

private:
    // A stored answer that the server is asked to confirm.
    struct StoredAnswer {
        HTTPURLResponse response;
        QByteArray body;
    };

    bool isCacheable() const;
    bool startLoadingCache();
    void startConnection();
    void dropConnection();
    void armTimeout();

    void didReceiveResponse(const HTTPURLResponse &response);
    void didReceiveData(const QByteArray &chunk);
    void didFinishLoading();
    void didFailWithError(const Error &error);
    void replyFinished();
    void keepInCache();
    void timedOut();

    URLRequest request_;
    std::recursive_mutex lock_;
    bool executing_ = false;
    bool finished_ = false;
    bool cancelled_ = false;
    bool timedOut_ = false;
    bool completed_ = false;

    CompletionHandler completionHandler_;
    ProgressHandler uploadProgressHandler_;
    ProgressHandler downloadProgressHandler_;
    AuthenticationChallengeHandler authenticationChallengeHandler_;

    bool autoRetry_ = false;
    double autoRetryDelay_ = 5.0;
    std::optional<QSet<int>> autoRetryErrorCodes_;

    std::optional<StoredAnswer> revalidating_;
    QPointer<QNetworkReply> connection_;
    QMetaObject::Connection authenticationConnection_;
    HTTPURLResponse responseReceived_;
    QByteArray accumulatedData_;
    QDateTime startTime_;

    // Timers are withdrawn from the clock that made them, even if a test
    // installs another meanwhile.
    Clock *clock_;
    Clock::TimerId delayedStart_ = 0;
    Clock::TimerId retryTimer_ = 0;
    Clock::TimerId timeoutTimer_ = 0;
};
