#include "net/Downloader.h"
#include "net/RequestQueue.h"
#include "net/Translator.h"
#include "platform/SecretStore.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QJsonArray>
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

// The store client and the translation client against the fakestore program
// serving its sample folder, reached only through the preferences; the
// translation services' protocols through plain requests, since the fake
// stands in for those services in other tests.
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
        SecretStore::shared().writeSecret(Translator::secretName("MicrosoftV2"), "demo secret", {});
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
            QCOMPARE(records.first().value("title").toString(), QString("Does what it says"));
            QCOMPARE(records.at(1).value("text").toString(),
                QString("Since 2.1 it crashes when I open a file <sometimes>."));
            QCOMPARE(records.last().value("rating").toString(), QString("1"));
        }
        QCOMPARE(
            pages["xml"].first().value("updated").toString(), QString("2026-11-30T10:01:00-07:00"));
    }

    void lookupSearchAndArtwork()
    {
        Downloader::ProductRecords ratings;
        bool looked = false;
        Downloader::sharedInstance().lookupByIds({"1000000001", "1000000002", "999"}, "GB", &queue_,
            [&](const auto &records, const Error &e) {
                QVERIFY(!e);
                ratings = records;
                looked = true;
            });
        std::optional<Downloader::ProductRecords> found;
        bool searched = false;
        Downloader::sharedInstance().search("sample notes", Downloader::SearchMacApps, &queue_,
            [&](const auto &records, const Error &e) {
                QVERIFY(!e);
                found = records;
                searched = true;
            });
        QVERIFY(waitFor([&] { return looked && searched; }));
        QCOMPARE(ratings.size(), 2);
        QCOMPARE(ratings.first().value("trackId").toInteger(), 1000000001LL);
        QCOMPARE(ratings.first().value("userRatingCount").toInteger(), 12LL); // the gb record
        QVERIFY(found);
        QCOMPARE(found->size(), 1);
        QCOMPARE(found->first().value("kind").toString(), QString("mac-software"));

        const QUrl artwork(ratings.first().value("artworkUrl100").toString());
        QVERIFY(artwork.toString().startsWith(root_));
        QImage image;
        bool loaded = false;
        Downloader::sharedInstance().loadImageFromURL(
            artwork, queue_, [&](const QImage &i, const Error &e) {
                QVERIFY(!e);
                image = i;
                loaded = true;
            });
        QVERIFY(waitFor([&] { return loaded; }));
        QCOMPARE(image.size(), QSize(16, 16));
    }

    void translationGoesThroughTheFakeService()
    {
        QString translation;
        Error error;
        bool done = false;
        Translator::sharedInstance().translateFrom(
            QString(), "fr", "Cats & dogs + 1", [&](const QString &text, const Error &e) {
                translation = text;
                error = e;
                done = true;
            });
        QVERIFY(waitFor([&] { return done; }));
        QVERIFY2(!error, qPrintable(error.debugDescription()));
        QCOMPARE(translation, QString("[fr] Cats & dogs + 1"));
    }

    // The title and the text of a review in one request, as the application
    // sends them, for each protocol and kind of key, target and body.
    void translationProtocols_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("broken");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");

        const QByteArray key = "fakestore-key";
        const QByteArray quota = "fakestore-quota";
        QTest::newRow("Azure") << "Azure" << key << "de" << false << 200
                               << QByteArray(R"([{"detectedLanguage":{"language":"en","score":1.0},
            "translations":[{"text":"[de] Works","to":"de"}]},
            {"detectedLanguage":{"language":"en","score":1.0},
            "translations":[{"text":"[de] Crashes on <open> & more","to":"de"}]}])");
        QTest::newRow("Azure no key") << "Azure" << QByteArray() << "de" << false << 401
                                      << QByteArray(R"({"error":{"code":401000,"message":
            "The request is not authorized because credentials are missing or invalid."}})");
        QTest::newRow("Azure quota") << "Azure" << quota << "de" << false << 429
                                     << QByteArray(R"({"error":{"code":429000,"message":
            "The server rejected the request because the client has exceeded request limits."}})");
        QTest::newRow("Azure unknown target")
            << "Azure" << key << "xx" << false << 400
            << QByteArray(
                   R"({"error":{"code":400036,"message":"The target language is not valid."}})");
        QTest::newRow("Azure broken body")
            << "Azure" << key << "de" << true << 400 << QByteArray(R"({"error":{"code":400074,
            "message":"The body of the request is not valid JSON."}})");

        QTest::newRow("DeepL free key") << "DeepL" << key + ":fx"
                                        << "DE" << false << 200 << QByteArray(R"({"translations":[
            {"detected_source_language":"EN","text":"[DE] Works"},
            {"detected_source_language":"EN","text":"[DE] Crashes on <open> & more"}]})");
        QTest::newRow("DeepL wrong key")
            << "DeepL" << QByteArray("wrong-key") << "DE" << false << 403
            << QByteArray(
                   R"({"message":"Authorization failed. Please supply a valid DeepL-Auth-Key."})");
        QTest::newRow("DeepL quota") << "DeepL" << quota << "DE" << false << 456
                                     << QByteArray(R"({"message":"Quota exceeded."})");
        QTest::newRow("DeepL unknown target")
            << "DeepL" << key << "XX" << false << 400
            << QByteArray(R"({"message":"Value for 'target_lang' not supported."})");
        QTest::newRow("DeepL broken body")
            << "DeepL" << key << "DE" << true << 400
            << QByteArray(R"({"message":"Parameter 'text' not specified."})");

        QTest::newRow("LibreTranslate")
            << "LibreTranslate" << key << "de" << false << 200
            << QByteArray(R"({"translatedText":["[de] Works","[de] Crashes on <open> & more"],
            "detectedLanguage":[{"confidence":90.0,"language":"en"},
            {"confidence":90.0,"language":"en"}]})");
        QTest::newRow("LibreTranslate no key")
            << "LibreTranslate" << QByteArray() << "de" << false << 403
            << QByteArray(R"({"error":"Invalid API key"})");
        QTest::newRow("LibreTranslate quota")
            << "LibreTranslate" << quota << "de" << false << 429
            << QByteArray(R"({"error":"Too many request limits violations"})");
        QTest::newRow("LibreTranslate unknown target")
            << "LibreTranslate" << key << "xx" << false << 400
            << QByteArray(R"({"error":"xx is not supported"})");
        QTest::newRow("LibreTranslate broken body")
            << "LibreTranslate" << key << "de" << true << 400
            << QByteArray(R"({"error":"Invalid request: missing q parameter"})");
    }

    void translationProtocols()
    {
        QFETCH(QString, protocol);
        QFETCH(QByteArray, key);
        QFETCH(QString, target);
        QFETCH(bool, broken);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);

        const QJsonArray texts {"Works", "Crashes on <open> & more"};
        QNetworkRequest request;
        QJsonDocument body;
        if (protocol == "Azure") {
            request.setUrl(QUrl(root_ + "azure/translate?api-version=3.0&to=" + target));
            if (!key.isEmpty())
                request.setRawHeader("Ocp-Apim-Subscription-Key", key);
            request.setRawHeader("Ocp-Apim-Subscription-Region", "westeurope");
            QJsonArray array;
            for (const QJsonValue &text : texts)
                array.append(QJsonObject {{"Text", text}});
            body = broken ? QJsonDocument(array.first().toObject()) : QJsonDocument(array);
        } else if (protocol == "DeepL") {
            request.setUrl(QUrl(root_ + "deepl/v2/translate"));
            request.setRawHeader("Authorization", "DeepL-Auth-Key " + key);
            body = QJsonDocument(QJsonObject {
                {"text", broken ? texts.first() : QJsonValue(texts)}, {"target_lang", target}});
        } else {
            request.setUrl(QUrl(root_ + "libre/translate"));
            QJsonObject fields {{"source", "auto"}, {"target", target}, {"format", "text"}};
            if (!broken)
                fields.insert("q", texts);
            if (!key.isEmpty())
                fields.insert("api_key", QString::fromUtf8(key));
            body = QJsonDocument(fields);
        }
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");

        QJsonObject counts = translationCounts();
        const Answer got = send(request, body.toJson(QJsonDocument::Compact));
        QCOMPARE(got.status, status);
        QCOMPARE(got.body, QJsonDocument::fromJson(answer));
        // Each request is counted once, under its own protocol.
        counts.insert(protocol, counts.value(protocol).toInt() + 1);
        QCOMPARE(translationCounts(), counts);
    }

    void languageLists()
    {
        const Answer azure = send(
            QNetworkRequest(QUrl(root_ + "azure/languages?api-version=3.0&scope=translation")));
        QCOMPARE(azure.status, 200);
        const QJsonObject translation = azure.body["translation"].toObject();
        QCOMPARE(translation.size(), 13);
        QCOMPARE(translation["zh-Hans"]["name"].toString(), QString("Chinese Simplified"));
        QCOMPARE(translation["zh-Hant"]["nativeName"].toString(), QString("繁體中文 (繁體)"));
        QCOMPARE(translation["ar"]["dir"].toString(), QString("rtl"));

        QNetworkRequest deepL(QUrl(root_ + "deepl/v2/languages?type=target"));
        QCOMPARE(send(deepL).status, 403);
        deepL.setRawHeader("Authorization", "DeepL-Auth-Key fakestore-key");
        const Answer targets = send(deepL);
        QCOMPARE(targets.status, 200);
        QStringList codes;
        for (const QJsonValue &language : targets.body.array())
            codes << language["language"].toString();
        QCOMPARE(codes.first(), QString("DE"));
        QVERIFY(targets.body[0]["supports_formality"].toBool());
        for (const QString code : {"EN-GB", "EN-US", "PT-BR", "PT-PT", "ZH"})
            QVERIFY2(codes.contains(code), qPrintable(code));
        QVERIFY(!codes.contains("EN"));

        const Answer libre = send(QNetworkRequest(QUrl(root_ + "libre/languages")));
        QCOMPARE(libre.status, 200);
        QCOMPARE(libre.body.array().size(), 13);
        const QJsonObject german = libre.body[1].toObject();
        QCOMPARE(german["code"].toString(), QString("de"));
        QCOMPARE(german["name"].toString(), QString("German"));
        QVERIFY(german["targets"].toArray().contains("en"));
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
