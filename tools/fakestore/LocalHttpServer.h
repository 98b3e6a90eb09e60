#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <optional>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for tests and the fake store. Each path
// answers with a chosen status, headers and body, after an optional delay, or
// drops the connection before answering or partway through the body. Every
// request is recorded with its arrival time. One request per connection
// ("Connection: close").
class LocalHttpServer : public QObject {
    Q_OBJECT

public:
    using Header = QPair<QByteArray, QByteArray>;

    struct Request {
        QByteArray method;
        QByteArray target; // path and query as sent
        QUrl url; // the target resolved against the server
        QList<Header> headers;
        QByteArray body;
        qint64 arrivalMs = 0; // on elapsedMs()'s scale

        QString path() const { return url.path(); }
        QUrlQuery query() const { return QUrlQuery(url); }
        QByteArray header(const QByteArray &name) const;
    };

    struct Response {
        int status = 200;
        QList<Header> headers;
        QByteArray body;
        int delayMs = 0;
        bool dropConnection = false;
        // Closes the connection after this many bytes of the body, with the
        // whole length announced; -1: the whole body.
        qsizetype cutAfterBytes = -1;

        static Response ok(QByteArray body, QByteArray contentType = "text/plain");
        static Response withStatus(int status, QByteArray body = {});
        static Response dropped();
        static Response delayed(int delayMs, Response response);
        Response &withHeader(QByteArray name, QByteArray value);
    };

    using Handler = std::function<Response(const Request &)>;
    using Fallback = std::function<std::optional<Response>(const Request &)>;

    explicit LocalHttpServer(QObject *parent = nullptr);
    ~LocalHttpServer() override;

    // Listens on 127.0.0.1; port 0 picks a free one.
    bool listen(quint16 port = 0);
    quint16 port() const;
    // "http://127.0.0.1:<port>/"
    QString rootURL() const;
    QUrl url(const QString &pathAndQuery) const;

    // Answers for one path (the query is ignored when matching).
    void route(const QString &path, Response response);
    void route(const QString &path, Handler handler);
    // Asked for paths without a route; nothing gives a 404.
    void setFallback(Fallback fallback) { fallback_ = std::move(fallback); }

    const QList<Request> &requests() const { return requests_; }
    QList<Request> requestsFor(const QString &path) const;
    void clearRequests() { requests_.clear(); }
    // Milliseconds since the server was made, on a monotonic clock.
    qint64 elapsedMs() const { return elapsed_.elapsed(); }

    // A long-running server (the fake store) keeps no list.
    void setRecordsRequests(bool on) { recordsRequests_ = on; }

Q_SIGNALS:
    void requestReceived(const QByteArray &method, const QByteArray &target);

private:
    struct Connection {
        QByteArray buffer;
        bool answered = false;
    };

    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);
    static void write(QTcpSocket *socket, const Response &response);

    QTcpServer server_;
    QElapsedTimer elapsed_;
    QHash<QString, Handler> routes_;
    Fallback fallback_;
    QHash<QTcpSocket *, Connection> connections_;
    QList<Request> requests_;
    bool recordsRequests_ = true;
};
