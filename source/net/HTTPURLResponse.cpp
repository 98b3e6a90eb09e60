#include "net/HTTPURLResponse.h"

#include <QNetworkCacheMetaData>
#include <QNetworkReply>

HTTPURLResponse::HTTPURLResponse(
    QUrl url, int statusCode, QList<Header> headers, QByteArray reasonPhrase)
    : url_(std::move(url)),
      statusCode_(statusCode),
      headers_(std::move(headers)),
      reasonPhrase_(std::move(reasonPhrase))
{
}

HTTPURLResponse HTTPURLResponse::fromReply(const QNetworkReply &reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return {};
    return HTTPURLResponse(reply.url(), status.toInt(), reply.rawHeaderPairs(),
        reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
}

HTTPURLResponse HTTPURLResponse::fromCacheMetaData(const QNetworkCacheMetaData &metaData)
{
    const QVariant status = metaData.attributes().value(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return {};
    return HTTPURLResponse(metaData.url(), status.toInt(), metaData.rawHeaders());
}

QByteArray HTTPURLResponse::valueForHTTPHeaderField(const QByteArray &name) const
{
    for (const Header &header : headers_) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

qint64 HTTPURLResponse::expectedContentLength() const
{
    bool ok = false;
    const qint64 length = valueForHTTPHeaderField("Content-Length").trimmed().toLongLong(&ok);
    return ok && length >= 0 ? length : -1;
}
