// fakestore: serves a folder of store answers on 127.0.0.1 so that the
// application and the command-line companion run without the internet.
#include "FakeStore.h"
#include "LocalHttpServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fakestore"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a folder of store answers on 127.0.0.1 (see README.md)."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The answers to serve."));
    QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("Port to listen on (0 picks a free one)."), QStringLiteral("port"),
        QStringLiteral("8642"));
    QCommandLineOption rateLimit(QStringLiteral("rate-limit"),
        QStringLiteral("Answer 403 to XML feed requests after <n>."), QStringLiteral("n"),
        QStringLiteral("-1"));
    QCommandLineOption maxAge(QStringLiteral("max-age"),
        QStringLiteral("Send Cache-Control: max-age=<seconds>."), QStringLiteral("seconds"));
    QCommandLineOption cacheControl(QStringLiteral("cache-control"),
        QStringLiteral("Send this Cache-Control header with store answers."),
        QStringLiteral("value"));
    QCommandLineOption expires(QStringLiteral("expires"),
        QStringLiteral("Send an Expires header <seconds> from now (negative: past)."),
        QStringLiteral("seconds"));
    QCommandLineOption etag(QStringLiteral("etag"),
        QStringLiteral("Send ETags and answer 304 to a matching If-None-Match."));
    QCommandLineOption fail(QStringLiteral("fail"),
        QStringLiteral("Answer the XML feed pages of a country with a status, as us=503."),
        QStringLiteral("cc=status"));
    QCommandLineOption cut(QStringLiteral("cut"),
        QStringLiteral("Close the connection halfway through a feed page, as us/1."),
        QStringLiteral("cc/page"));
    QCommandLineOption libreOpen(
        QStringLiteral("libre-open"), QStringLiteral("LibreTranslate translates without a key."));
    QCommandLineOption connectKey(QStringLiteral("connect-key"),
        QStringLiteral("Check App Store Connect tokens with this public key (PEM)."),
        QStringLiteral("file"));
    QCommandLineOption connectBudget(QStringLiteral("connect-budget"),
        QStringLiteral("Answer App Store Connect requests with 429 after <n>."),
        QStringLiteral("n"), QStringLiteral("3500"));
    QCommandLineOption connectReadOnly(QStringLiteral("connect-read-only"),
        QStringLiteral("The App Store Connect key may not reply (403)."));
    QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Do not list requests."));
    parser.addOptions({port, rateLimit, maxAge, cacheControl, expires, etag, fail, cut, libreOpen,
        connectKey, connectBudget, connectReadOnly, quiet});
    parser.process(app);

    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "fakestore: give the folder of answers to serve.\n");
        return 2;
    }
    const QString folder = parser.positionalArguments().first();
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "fakestore: %s is not a folder.\n", qPrintable(folder));
        return 2;
    }
    bool portOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    if (!portOk || portNumber > 65535) {
        std::fprintf(stderr, "fakestore: bad port %s.\n", qPrintable(parser.value(port)));
        return 2;
    }

    FakeStore::Options options;
    options.rateLimit = parser.value(rateLimit).toInt();
    if (parser.isSet(maxAge))
        options.cacheControl = "max-age=" + parser.value(maxAge).toLatin1();
    if (parser.isSet(cacheControl))
        options.cacheControl = parser.value(cacheControl).toLatin1();
    if (parser.isSet(expires))
        options.expiresIn = parser.value(expires).toLongLong();
    options.etag = parser.isSet(etag);
    for (const QString &value : parser.values(fail)) {
        const QStringList parts = value.split(QLatin1Char('='));
        const int status = parts.value(1).toInt();
        if (parts.size() != 2 || status < 100 || status > 599) {
            std::fprintf(stderr, "fakestore: --fail takes cc=status, not %s.\n", qPrintable(value));
            return 2;
        }
        options.failingCountries.insert(parts.first().toLower(), status);
    }
    for (const QString &value : parser.values(cut))
        options.cutPages.insert(value.toLower());
    options.libreOpen = parser.isSet(libreOpen);
    if (parser.isSet(connectKey)) {
        QFile file(parser.value(connectKey));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "fakestore: cannot read %s.\n", qPrintable(file.fileName()));
            return 2;
        }
        options.connect.publicKey = file.readAll();
    }
    options.connect.hourlyBudget = parser.value(connectBudget).toInt();
    options.connect.readOnlyKey = parser.isSet(connectReadOnly);
    LocalHttpServer server;
    if (!server.listen(quint16(portNumber))) {
        std::fprintf(stderr, "fakestore: cannot listen on 127.0.0.1:%u.\n", portNumber);
        return 1;
    }
    FakeStore store(folder, options);
    store.attach(server);
    server.setRecordsRequests(false);
    if (!parser.isSet(quiet)) {
        QObject::connect(&server, &LocalHttpServer::requestReceived,
            [](const QByteArray &method, const QByteArray &target) {
                std::fprintf(stderr, "%s %s\n", method.constData(), target.constData());
            });
    }
    std::printf("fakestore: serving %s at %s\n", qPrintable(QFileInfo(folder).absoluteFilePath()),
        qPrintable(server.rootURL()));
    std::fflush(stdout);
    return app.exec();
}
