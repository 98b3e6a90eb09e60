#include "net/URLRequest.h"

#include <atomic>

namespace {
std::atomic<quint64> nextIdentity {1};
}

URLRequest::URLRequest()
{
    renew();
}

URLRequest::URLRequest(QUrl url, double timeoutInterval)
    : url_(std::move(url)), timeoutInterval_(timeoutInterval)
{
    renew();
}

void URLRequest::renew()
{
    identity_ = nextIdentity.fetch_add(1, std::memory_order_relaxed);
}

QByteArray URLRequest::valueForHTTPHeaderField(const QByteArray &name) const
{
    for (const Header &header : headers_) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

void URLRequest::setURL(const QUrl &url)
{
    url_ = url;
    renew();
}

void URLRequest::setHTTPMethod(const QByteArray &method)
{
    method_ = method.toUpper();
    renew();
}

void URLRequest::setValue(const QByteArray &value, const QByteArray &headerField)
{
    for (Header &header : headers_) {
        if (header.first.compare(headerField, Qt::CaseInsensitive) == 0) {
            header.second = value;
            renew();
            return;
        }
    }
    headers_.append({headerField, value});
    renew();
}

void URLRequest::setHTTPBody(const QByteArray &body)
{
    body_ = body;
    renew();
}

void URLRequest::setTimeoutInterval(double seconds)
{
    timeoutInterval_ = seconds;
    renew();
}

bool URLRequest::operator==(const URLRequest &other) const
{
    if (url_ != other.url_ || method_ != other.method_ || body_ != other.body_
        || headers_.size() != other.headers_.size())
        return false;
    for (const Header &header : headers_) {
        if (other.valueForHTTPHeaderField(header.first) != header.second)
            return false;
    }
    return true;
}
