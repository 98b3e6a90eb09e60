#include "LocalHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Requests larger than this are refused rather than buffered.
constexpr qsizetype maximumRequestSize = 8 * 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 415:
        return "Unsupported Media Type";
    case 429:
        return "Too Many Requests";
    case 456:
        return "Quota Exceeded";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

QByteArray LocalHttpServer::Request::header(const QByteArray &name) const
{
    for (const Header &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

LocalHttpServer::Response LocalHttpServer::Response::ok(QByteArray body, QByteArray contentType)
{
    Response response;
    response.body = std::move(body);
    response.headers.append({"Content-Type", std::move(contentType)});
    return response;
}

LocalHttpServer::Response LocalHttpServer::Response::withStatus(int status, QByteArray body)
{
    Response response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

LocalHttpServer::Response LocalHttpServer::Response::dropped()
{
    Response response;
    response.dropConnection = true;
    return response;
}

LocalHttpServer::Response LocalHttpServer::Response::delayed(int delayMs, Response response)
{
    response.delayMs = delayMs;
    return response;
}

LocalHttpServer::Response &LocalHttpServer::Response::withHeader(QByteArray name, QByteArray value)
{
    headers.append({std::move(name), std::move(value)});
    return *this;
}

LocalHttpServer::LocalHttpServer(QObject *parent) : QObject(parent)
{
    elapsed_.start();
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server_.nextPendingConnection()) {
            connections_.insert(socket, {});
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                connections_.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

LocalHttpServer::~LocalHttpServer()
{
    server_.close();
    for (auto it = connections_.cbegin(); it != connections_.cend(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        delete it.key();
    }
}

bool LocalHttpServer::listen(quint16 port)
{
    return server_.listen(QHostAddress::LocalHost, port);
}

quint16 LocalHttpServer::port() const
{
    return server_.serverPort();
}

QString LocalHttpServer::rootURL() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port());
}

QUrl LocalHttpServer::url(const QString &pathAndQuery) const
{
    QString relative = pathAndQuery;
    if (relative.startsWith(QLatin1Char('/')))
        relative.remove(0, 1);
    return QUrl(rootURL() + relative);
}

void LocalHttpServer::route(const QString &path, Response response)
{
    routes_.insert(path, [response](const Request &) { return response; });
}

void LocalHttpServer::route(const QString &path, Handler handler)
{
    routes_.insert(path, std::move(handler));
}

QList<LocalHttpServer::Request> LocalHttpServer::requestsFor(const QString &path) const
{
    QList<Request> list;
    for (const Request &request : requests_) {
        if (request.path() == path)
            list.append(request);
    }
    return list;
}

void LocalHttpServer::readFrom(QTcpSocket *socket)
{
    auto found = connections_.find(socket);
    if (found == connections_.end() || found->answered)
        return;
    Connection &connection = *found;
    connection.buffer.append(socket->readAll());
    if (connection.buffer.size() > maximumRequestSize) {
        connection.answered = true;
        write(socket, Response::withStatus(400, "request too large"));
        return;
    }
    const qsizetype headerEnd = connection.buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    Request request;
    const QList<QByteArray> lines = connection.buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() < 2) {
        connection.answered = true;
        write(socket, Response::withStatus(400, "bad request line"));
        return;
    }
    request.method = requestLine.at(0);
    request.target = requestLine.at(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        Header header {line.left(colon).trimmed(), line.mid(colon + 1).trimmed()};
        if (header.first.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = header.second.toLongLong();
        request.headers.append(header);
    }
    if (contentLength < 0 || contentLength > maximumRequestSize) {
        connection.answered = true;
        write(socket, Response::withStatus(400, "bad length"));
        return;
    }
    const qsizetype bodyStart = headerEnd + 4;
    if (connection.buffer.size() - bodyStart < contentLength)
        return;
    request.body = connection.buffer.mid(bodyStart, contentLength);
    request.url = QUrl(rootURL()).resolved(QUrl::fromEncoded(request.target));
    request.arrivalMs = elapsedMs();
    connection.answered = true;
    if (recordsRequests_)
        requests_.append(request);
    Q_EMIT requestReceived(request.method, request.target);
    answer(socket, request);
}

void LocalHttpServer::answer(QTcpSocket *socket, const Request &request)
{
    Response response;
    const auto route = routes_.constFind(request.path());
    if (route != routes_.cend()) {
        response = (*route)(request);
    } else if (std::optional<Response> fallback = fallback_ ? fallback_(request) : std::nullopt) {
        response = *fallback;
    } else {
        response = Response::withStatus(404, "Not Found");
    }
    if (response.delayMs > 0) {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(response.delayMs, socket, [guard, response] {
            if (guard)
                write(guard, response);
        });
        return;
    }
    write(socket, response);
}

void LocalHttpServer::write(QTcpSocket *socket, const Response &response)
{
    if (response.dropConnection) {
        socket->abort();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
        + reasonPhrase(response.status) + "\r\n";
    for (const Header &header : response.headers)
        head += header.first + ": " + header.second + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    socket->write(
        response.cutAfterBytes >= 0 ? response.body.left(response.cutAfterBytes) : response.body);
    socket->disconnectFromHost();
}
