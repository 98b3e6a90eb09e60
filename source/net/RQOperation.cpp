#include "net/RQOperation.h"

#include "net/URLError.h"
#include "platform/NetworkAccess.h"
#include "platform/SharedURLCache.h"
#include "platform/StringFormat.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <cmath>

namespace {

// A body buffer is sized from the announced length, but an absurd announcement
// must not reserve gigabytes before a single byte arrived.
constexpr qint64 maximumReservation = 16 * 1024 * 1024;

Error httpError(int statusCode)
{
    return Error(Error::HTTPResponseErrorDomain, statusCode,
        {{Error::LocalizedDescriptionKey,
            formatString(localized("RQOperation", "The server returned a %i error"), statusCode)}});
}

// The integer after "max-age=": leading digits only, so "300, must-revalidate"
// reads 300. -1 when the header has no max-age.
qint64 maxAgeOf(const QByteArray &cacheControl)
{
    const qsizetype at = cacheControl.indexOf("max-age=");
    if (at < 0)
        return -1;
    qint64 value = 0;
    for (qsizetype i = at + 8; i < cacheControl.size(); ++i) {
        const char c = cacheControl.at(i);
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > (qint64(1) << 40))
            break;
    }
    return value;
}

} // namespace

std::shared_ptr<RQOperation> RQOperation::operationWithRequest(const URLRequest &request)
{
    return std::make_shared<RQOperation>(request);
}

RQOperation::RQOperation(URLRequest request)
    : request_(std::move(request)), clock_(&Clock::shared())
{
}

RQOperation::~RQOperation()
{
    Clock &clock = *clock_;
    for (Clock::TimerId id : {delayedStart_, retryTimer_, timeoutTimer_}) {
        if (id)
            clock.withdraw(id);
    }
    dropConnection();
}

const QSet<int> &RQOperation::defaultAutoRetryErrorCodes()
{
    static const QSet<int> codes {URLError::TimedOut, URLError::CannotFindHost,
        URLError::CannotConnectToHost, URLError::DNSLookupFailed, URLError::NotConnectedToInternet,
        URLError::NetworkConnectionLost};
    return codes;
}

QSet<int> RQOperation::autoRetryErrorCodes() const
{
    return autoRetryErrorCodes_ ? *autoRetryErrorCodes_ : defaultAutoRetryErrorCodes();
}

void RQOperation::startAfter(Clock::Duration delay)
{
    Clock &clock = *clock_;
    if (delayedStart_)
        clock.withdraw(delayedStart_);
    delayedStart_ = 0;
    if (cancelled_ || executing_ || finished_)
        return;
    delayedStart_ = clock.callAfter(
        delay,
        [this] {
            delayedStart_ = 0;
            start();
        },
        this);
}

void RQOperation::start()
{
    const auto keepAlive = weak_from_this().lock();
    std::lock_guard guard(lock_);
    if (executing_ || cancelled_ || finished_)
        return;
    executing_ = true;
    if (!startLoadingCache())
        startConnection();
    if (executing_)
        Q_EMIT executingChanged(true);
}

// Only plain reads are shared: an answer to a signed-in request is the
// account's own and is asked for afresh each time.
bool RQOperation::isCacheable() const
{
    return request_.httpMethod() == "GET"
        && request_.valueForHTTPHeaderField("Authorization").isEmpty();
}

bool RQOperation::startLoadingCache()
{
    revalidating_.reset();
    SharedURLCache *cache = isCacheable() ? NetworkAccess::sharedURLCache() : nullptr;
    if (!cache)
        return false;
    const QNetworkCacheMetaData metaData = cache->metaData(request_.url());
    if (!metaData.isValid())
        return false;
    const HTTPURLResponse response = HTTPURLResponse::fromCacheMetaData(metaData);
    if (response.isNull())
        return false;
    const QDateTime now = clock_->now();
    const QDateTime cachedDate = SharedURLCache::cachedDate(metaData);
    const qint64 maxAge = maxAgeOf(response.valueForHTTPHeaderField("Cache-Control"));
    const double age = std::fabs(double(cachedDate.msecsTo(now)) / 1000.0);
    const bool fresh = cachedDate.isValid() && maxAge > 0
        && double(std::max(maxAge, minimumCacheAgeSeconds)) > age;
    const bool hasValidator = !response.valueForHTTPHeaderField("ETag").isEmpty()
        || !response.valueForHTTPHeaderField("Last-Modified").isEmpty();
    if (!fresh && !hasValidator)
        return false;
    std::unique_ptr<QIODevice> body(cache->data(request_.url()));
    if (!body)
        return false;
    if (!fresh) {
        revalidating_ = StoredAnswer {response, body->readAll()};
        return false;
    }

    startTime_ = now;
    didReceiveResponse(response);
    const QByteArray data = body->readAll();
    if (!data.isEmpty())
        didReceiveData(data);
    didFinishLoading();
    return true;
}

void RQOperation::startConnection()
{
    dropConnection();
    timedOut_ = false;

    QNetworkRequest request(request_.url());
    for (const URLRequest::Header &header : request_.allHTTPHeaderFields())
        request.setRawHeader(header.first, header.second);
    if (revalidating_) {
        const HTTPURLResponse &stored = revalidating_->response;
        if (const QByteArray etag = stored.valueForHTTPHeaderField("ETag"); !etag.isEmpty())
            request.setRawHeader("If-None-Match", etag);
        if (const QByteArray date = stored.valueForHTTPHeaderField("Last-Modified");
            !date.isEmpty())
            request.setRawHeader("If-Modified-Since", date);
    }

    QNetworkAccessManager &nam = NetworkAccess::sharedManager();
    const QByteArray &method = request_.httpMethod();
    QNetworkReply *reply = nullptr;
    if (method == "GET")
        reply = nam.get(request);
    else if (method == "POST")
        reply = nam.post(request, request_.httpBody());
    else if (method == "HEAD")
        reply = nam.head(request);
    else
        reply = nam.sendCustomRequest(request, method, request_.httpBody());
    connection_ = reply;

    connect(reply, &QNetworkReply::metaDataChanged, this,
        [this, reply] { didReceiveResponse(HTTPURLResponse::fromReply(*reply)); });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        const QByteArray chunk = reply->readAll();
        if (!chunk.isEmpty())
            didReceiveData(chunk);
    });
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        armTimeout();
        if (uploadProgressHandler_)
            uploadProgressHandler_(sent, total, total > 0 ? float(sent) / float(total) : 0.0f);
    });
    connect(reply, &QNetworkReply::finished, this, &RQOperation::replyFinished);
    // Without a handler the challenge is left unanswered, which Qt treats as
    // continuing without credentials.
    authenticationConnection_ = connect(&nam, &QNetworkAccessManager::authenticationRequired, this,
        [this](QNetworkReply *challenged, QAuthenticator *authenticator) {
            if (challenged == connection_ && authenticationChallengeHandler_)
                authenticationChallengeHandler_(authenticator);
        });

    startTime_ = clock_->now();
    armTimeout();
}

void RQOperation::dropConnection()
{
    if (authenticationConnection_)
        disconnect(authenticationConnection_);
    authenticationConnection_ = {};
    if (timeoutTimer_) {
        clock_->withdraw(timeoutTimer_);
        timeoutTimer_ = 0;
    }
    if (QNetworkReply *reply = connection_.data()) {
        connection_ = nullptr;
        // Qt reports an abort synchronously; the operation reports its own
        // error instead, so the reply must not reach it any more.
        disconnect(reply, nullptr, this, nullptr);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
}

// The request's timeout counts from the last sign of life, as an idle timeout.
void RQOperation::armTimeout()
{
    Clock &clock = *clock_;
    if (timeoutTimer_)
        clock.withdraw(timeoutTimer_);
    timeoutTimer_ = 0;
    if (request_.timeoutInterval() <= 0 || !connection_)
        return;
    timeoutTimer_ = clock.callAfter(
        seconds(request_.timeoutInterval()),
        [this] {
            timeoutTimer_ = 0;
            timedOut();
        },
        this);
}

void RQOperation::timedOut()
{
    const auto keepAlive = weak_from_this().lock();
    timedOut_ = true;
    dropConnection();
    didFailWithError(URLError::errorWithCode(URLError::TimedOut, request_.url()));
}

void RQOperation::replyFinished()
{
    const auto keepAlive = weak_from_this().lock();
    QNetworkReply *reply = connection_.data();
    if (!reply || reply != sender())
        return;
    const QByteArray rest = reply->readAll();
    if (!rest.isEmpty())
        didReceiveData(rest);
    const QNetworkReply::NetworkError networkError = reply->error();
    const bool hasStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (responseReceived_.isNull() && hasStatus)
        didReceiveResponse(HTTPURLResponse::fromReply(*reply));
    dropConnection();

    // Qt flags HTTP error statuses as errors from 200 up (content, protocol
    // and server classes); those are answers, delivered with their body.
    if (networkError == QNetworkReply::NoError || (hasStatus && int(networkError) >= 200)) {
        if (networkError == QNetworkReply::NoError)
            keepInCache();
        didFinishLoading();
        return;
    }
    int code = URLError::codeForNetworkError(networkError);
    if (cancelled_)
        code = URLError::Cancelled;
    else if (timedOut_)
        code = URLError::TimedOut;
    didFailWithError(URLError::errorWithCode(code, request_.url()));
}

// A whole answer goes into the shared cache; a 304 to a conditional request
// stands for the stored answer it confirmed, which is stored again with the
// 304's headers and so counts as fresh from now.
void RQOperation::keepInCache()
{
    SharedURLCache *cache = isCacheable() ? NetworkAccess::sharedURLCache() : nullptr;
    if (!cache || responseReceived_.isNull())
        return;
    if (responseReceived_.statusCode() == 304 && revalidating_) {
        const HTTPURLResponse &stored = revalidating_->response;
        didReceiveResponse(HTTPURLResponse(stored.url(), stored.statusCode(),
            SharedURLCache::revalidatedHeaders(
                stored.allHeaderFields(), responseReceived_.allHeaderFields())));
        accumulatedData_ = {};
        didReceiveData(revalidating_->body);
    }
    cache->storeAnswer(request_.url(), responseReceived_.statusCode(),
        responseReceived_.allHeaderFields(), accumulatedData_);
}

void RQOperation::didReceiveResponse(const HTTPURLResponse &response)
{
    if (!response.isNull())
        responseReceived_ = response;
}

void RQOperation::didReceiveData(const QByteArray &chunk)
{
    const qint64 expected = std::max<qint64>(0, responseReceived_.expectedContentLength());
    if (accumulatedData_.isNull())
        accumulatedData_.reserve(qsizetype(std::min(expected, maximumReservation)));
    accumulatedData_.append(chunk);
    if (connection_)
        armTimeout();
    if (downloadProgressHandler_) {
        const qint64 length = accumulatedData_.size();
        downloadProgressHandler_(
            length, expected, expected > 0 ? float(length) / float(expected) : 0.0f);
    }
}

void RQOperation::didFinishLoading()
{
    const auto keepAlive = weak_from_this().lock();
    finish();
    Error error;
    if (!responseReceived_.isNull() && responseReceived_.statusCode() >= 400)
        error = httpError(responseReceived_.statusCode());
    if (completed_)
        return;
    completed_ = true;
    if (completionHandler_)
        completionHandler_(responseReceived_, accumulatedData_, error);
}

void RQOperation::didFailWithError(const Error &error)
{
    const auto keepAlive = weak_from_this().lock();
    if (autoRetry_ && !cancelled_ && autoRetryErrorCodes().contains(error.code())) {
        dropConnection();
        // A retry starts a fresh answer; the half-received one must not be
        // glued in front of it.
        responseReceived_ = {};
        accumulatedData_ = {};
        Clock &clock = *clock_;
        if (retryTimer_)
            clock.withdraw(retryTimer_);
        retryTimer_ = clock.callAfter(
            seconds(autoRetryDelay_),
            [this] {
                retryTimer_ = 0;
                const auto alive = weak_from_this().lock();
                if (!cancelled_ && executing_)
                    startConnection();
            },
            this);
        return;
    }
    finish();
    if (completed_)
        return;
    completed_ = true;
    if (completionHandler_)
        completionHandler_(responseReceived_, accumulatedData_, error);
}

void RQOperation::cancel()
{
    const auto keepAlive = weak_from_this().lock();
    std::lock_guard guard(lock_);
    if (cancelled_)
        return;
    cancelled_ = true;
    dropConnection();
    Clock &clock = *clock_;
    for (Clock::TimerId *id : {&delayedStart_, &retryTimer_}) {
        if (*id)
            clock.withdraw(*id);
        *id = 0;
    }
    Q_EMIT cancelledChanged(true);
    didFailWithError(URLError::errorWithCode(URLError::Cancelled, request_.url()));
}

void RQOperation::finish()
{
    const auto keepAlive = weak_from_this().lock();
    std::lock_guard guard(lock_);
    if (!executing_ || finished_)
        return;
    executing_ = false;
    finished_ = true;
    if (timeoutTimer_) {
        clock_->withdraw(timeoutTimer_);
        timeoutTimer_ = 0;
    }
    Q_EMIT finishedChanged(true);
    Q_EMIT executingChanged(false);
}
