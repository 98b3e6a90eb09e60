#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

class QNetworkReply;
class QNetworkCacheMetaData;

// The response header of an HTTP answer as the completion handlers see it.
// A default-constructed response stands for "no response received".
class HTTPURLResponse {
public:
    using Header = QPair<QByteArray, QByteArray>;

    HTTPURLResponse() = default;
    HTTPURLResponse(QUrl url, int statusCode, QList<Header> headers, QByteArray reasonPhrase = {});

    static HTTPURLResponse fromReply(const QNetworkReply &reply);
    static HTTPURLResponse fromCacheMetaData(const QNetworkCacheMetaData &metaData);

    bool isNull() const { return statusCode_ == 0; }
    const QUrl &url() const { return url_; }
    int statusCode() const { return statusCode_; }
    // "Not Found", as the server worded it; empty when it gave none.
    const QByteArray &reasonPhrase() const { return reasonPhrase_; }
    const QList<Header> &allHeaderFields() const { return headers_; }
    QByteArray valueForHTTPHeaderField(const QByteArray &name) const;
    // -1 when the answer announced no length.
    qint64 expectedContentLength() const;

private:
    QUrl url_;
    int statusCode_ = 0;
    QList<Header> headers_;
    QByteArray reasonPhrase_;
};
