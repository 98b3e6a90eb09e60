#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

// An HTTP request as the request queue runs it: method, address, headers,
// body and timeout. Two requests are equal when URL, method, headers and body
// are; they are identical when one is a copy of the other (a copy keeps the
// identity, any change gives a new one), which is what cancelling a given
// request relies on.
class URLRequest {
public:
    using Header = QPair<QByteArray, QByteArray>;

    static constexpr double defaultTimeoutInterval = 60.0;

    URLRequest();
    explicit URLRequest(QUrl url, double timeoutInterval = defaultTimeoutInterval);

    const QUrl &url() const { return url_; }
    const QByteArray &httpMethod() const { return method_; }
    const QList<Header> &allHTTPHeaderFields() const { return headers_; }
    QByteArray valueForHTTPHeaderField(const QByteArray &name) const;
    const QByteArray &httpBody() const { return body_; }
    double timeoutInterval() const { return timeoutInterval_; }

    void setURL(const QUrl &url);
    void setHTTPMethod(const QByteArray &method);
    // Replaces a header of the same name (names compare ignoring case).
    void setValue(const QByteArray &value, const QByteArray &headerField);
    void setHTTPBody(const QByteArray &body);
    void setTimeoutInterval(double seconds);

    bool isIdenticalTo(const URLRequest &other) const { return identity_ == other.identity_; }
    bool operator==(const URLRequest &other) const;

private:
    void renew();

    QUrl url_;
    QByteArray method_ = "GET";
    QList<Header> headers_;
    QByteArray body_;
    double timeoutInterval_ = defaultTimeoutInterval;
    quint64 identity_ = 0;
};
