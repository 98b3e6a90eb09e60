#include "net/AzureTranslatorProvider.h"
#include "net/DeepLProvider.h"
#include "net/Downloader.h"
#include "net/LibreTranslateProvider.h"
#include "net/RequestQueue.h"
#include "net/Translator.h"
#include "platform/SecretStore.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTest>

namespace {

struct Answer {
    int status = 0;
    QJsonDocument body;
};

} // namespace

// The store client and the translation clients against the fakestore program
// serving its sample folder, reached only through the preferences.
class FakeStoreTest : public QObject {
    Q_OBJECT

private:
    QProcess store_;
    QString root_;
    RequestQueue queue_;
    QNetworkAccessManager network_;

    // Starts the program on a free port; its root URL, or empty.
    static QString start(QProcess &process, QStringList options)
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(qEnvironmentVariable("RK_FAKESTORE"),
            options << "--port"
                    << "0"
                    << "--quiet" << qEnvironmentVariable("RK_FAKESTORE_SAMPLE"));
        if (!process.waitForStarted(2000)
            || !waitFor([&] { return process.canReadLine(); }, nullptr, 2000))
            return {};
        const QString root = QString::fromUtf8(process.readLine()).trimmed().section(" at ", -1);
        return root.startsWith("http://127.0.0.1:") && root.endsWith('/') ? root : QString();
    }

    static void stop(QProcess &process)
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(2000);
        }
    }

    Answer send(const QNetworkRequest &request, const QByteArray &body = {})
    {
        QNetworkReply *reply = body.isNull() ? network_.get(request) : network_.post(request, body);
        const bool finished = waitFor([&] { return reply->isFinished(); }, nullptr, 3000);
        Answer answer;
        if (finished) {
            answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            answer.body = QJsonDocument::fromJson(reply->readAll());
        }
        reply->deleteLater();
        return answer;
    }

    QJsonObject translationCounts()
    {
        return send(QNetworkRequest(QUrl(root_ + "fakestore/translations"))).body.object();
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("RK_FAKESTORE")
            || qEnvironmentVariableIsEmpty("RK_FAKESTORE_SAMPLE"))
            QSKIP("RK_FAKESTORE and RK_FAKESTORE_SAMPLE are not set");
        root_ = start(store_, {});
        QVERIFY(!root_.isEmpty());

        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString(root_, "StoreRootURL");
        defaults.setString("MicrosoftV2", Translator::providerKey);
        defaults.setString(root_ + "v2/OAuth2-13", MicrosoftV2Provider::tokenURLKey);
        defaults.setString(root_ + "v2/Http.svc/Translate", MicrosoftV2Provider::translateURLKey);
        defaults.setString("demo", MicrosoftV2Provider::clientIDKey);
        defaults.setString(root_ + "azure", AzureTranslatorProvider::endpointKey);
        defaults.setString(root_ + "deepl", DeepLProvider::serverURLKey);
        defaults.setString(root_ + "libre", LibreTranslateProvider::urlKey);
        for (const QString &provider : Translator::providerNames())
            SecretStore::shared().writeSecret(
                Translator::secretName(provider), "fakestore-key", {});
    }

    void cleanupTestCase() { stop(store_); }

    void reviewsComeFromTheSample()
    {
        QMap<QString, Downloader::FeedRecords> pages;
        for (const QString format : {"xml", "json"}) {
            Downloader::sharedInstance().reviewsForId("1000000001", "us", format, 10, &queue_,
                [&pages, format](const Downloader::FeedRecords &records, const Error &error) {
                    QVERIFY(!error);
                    pages.insert(format, records);
                });
        }
        QVERIFY(waitFor([&] { return pages.size() == 2; }));
        for (const auto &records : pages) {
            QCOMPARE(records.size(), 5);
            QCOMPARE(records.at(1).value("text").toString(),
                QString("Since 2.1 it crashes when I open a file <sometimes>."));
        }
        QCOMPARE(
            pages["xml"].first().value("updated").toString(), QString("2026-11-30T10:01:00-07:00"));
    }

    void lookupSearchAndArtwork()
    {
        std::optional<Downloader::ProductRecords> ratings, found;
        const auto into = [](std::optional<Downloader::ProductRecords> &records) {
            return [&records](const auto &r, const Error &e) {
                QVERIFY(!e);
                records = r;
            };
        };
        Downloader::sharedInstance().lookupByIds(
            {"1000000001", "1000000002", "999"}, "GB", &queue_, into(ratings));
        Downloader::sharedInstance().search(
            "sample notes", Downloader::SearchMacApps, &queue_, into(found));
        QVERIFY(waitFor([&] { return ratings && found; }));
        QCOMPARE(ratings->size(), 2);
        QCOMPARE(ratings->first().value("userRatingCount").toInteger(), 12LL); // the gb record
        QCOMPARE(found->size(), 1);

        const QUrl artwork(ratings->first().value("artworkUrl100").toString());
        QVERIFY(artwork.toString().startsWith(root_));
        QImage image;
        Downloader::sharedInstance().loadImageFromURL(
            artwork, queue_, [&](const QImage &i, const Error &) { image = i; });
        QVERIFY(waitFor([&] { return !image.isNull(); }));
        QCOMPARE(image.size(), QSize(16, 16));
    }

    // Every protocol of the fake answers the application's own client, with
    // one request per review.
    void translationThroughTheFake_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("translation");
        for (const char *provider : {"MicrosoftV2", "Azure", "DeepL", "LibreTranslate"})
            QTest::newRow(provider) << QString(provider)
                                    << QString(provider == QLatin1String("DeepL") ? "[FR]" : "[fr]")
                    + " Cats & dogs + 1";
    }

    void translationThroughTheFake()
    {
        QFETCH(QString, provider);
        QFETCH(QString, translation);
        UserDefaults::standard().setString(provider, Translator::providerKey);
        const QJsonObject counts = translationCounts();
        QString text;
        Error error;
        bool done = false;
        Translator::sharedInstance().translateFrom(
            QString(), "fr", "Cats & dogs + 1", [&](const QString &t, const Error &e) {
                text = t;
                error = e;
                done = true;
            });
        QVERIFY(waitFor([&] { return done; }));
        QVERIFY2(!error, qPrintable(error.debugDescription()));
        QCOMPARE(text, translation);
        QCOMPARE(translationCounts().value(provider).toInt(), counts.value(provider).toInt() + 1);
    }

    // Without a key, and q a single text: a text answers, as the service does.
    void libreTranslateCanRunOpen()
    {
        QProcess open;
        const QString root = start(open, {"--libre-open"});
        QVERIFY(!root.isEmpty());
        QNetworkRequest request(QUrl(root + "libre/translate"));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        const Answer answer = send(request, R"({"q":"Works","source":"en","target":"fr"})");
        stop(open);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body.object(), QJsonObject({{"translatedText", "[fr] Works"}}));
    }
};

RK_TEST_MAIN(FakeStoreTest)
#include "tst_fakestore.moc"
