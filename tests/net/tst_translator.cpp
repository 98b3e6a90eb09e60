#include "FakeTranslator.h"
#include "LocalHttpServer.h"
#include "net/AzureTranslatorProvider.h"
#include "net/DeepLProvider.h"
#include "net/LibreTranslateProvider.h"
#include "net/Translator.h"
#include "net/TranslatorCredentials.h"
#include "platform/AppPaths.h"
#include "platform/Log.h"
#include "platform/ManualClock.h"
#include "platform/SecretStore.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>

using Response = LocalHttpServer::Response;
using Headers = QMap<QString, QString>;

namespace {

const QString theKey = QStringLiteral("k3y-never-logged");

// The V2 service reads the query as a form: "+" is a space.
QString formValue(const QByteArray &target, const QString &name)
{
    const QString query = QString::fromUtf8(target.mid(target.indexOf('?') + 1));
    return QUrlQuery(QString(query).replace('+', ' ')).queryItemValue(name, QUrl::FullyDecoded);
}

QByteArray v2Answer(const QString &text)
{
    return "<string xmlns=\"http://schemas.microsoft.com/2003/10/Serialization/\">"
        + text.toHtmlEscaped().toUtf8() + "</string>";
}

// A secret store that keeps its secrets, as the desktop's does.
class KeepingSecretStore : public MemorySecretStore { };

// One translation as a service's documentation describes the request.
struct Exchange {
    QString provider, key, region, to, query;
    Headers headers;
    QByteArray body;
};

} // namespace

Q_DECLARE_METATYPE(LocalHttpServer::Response)
Q_DECLARE_METATYPE(Exchange)

class TranslatorTest : public QObject {
    Q_OBJECT

private:
    LocalHttpServer *server_ = nullptr;
    ManualClock *clock_ = nullptr;
    KeepingSecretStore *secrets_ = nullptr;
    QStringList log_;
    QByteArray tokenAnswer_;
    int tokenStatus_ = 200;

    struct Result {
        int calls = 0;
        QStringList translations;
        Error error;
    };

    Translator &translator() { return Translator::sharedInstance(); }
    MicrosoftV2Provider &v2() { return translator().microsoftV2(); }

    void choose(const QString &provider, const QString &key = theKey)
    {
        UserDefaults::standard().setString(provider, Translator::providerKey);
        if (!key.isNull())
            secrets_->writeSecret(Translator::secretName(provider), key, {});
    }

    void translate(Result &result, const QStringList &texts, const QString &to = "de")
    {
        translator().translateTexts(
            QString(), to, texts, [&result](const QStringList &t, const Error &e) {
                ++result.calls;
                result.translations = t;
                result.error = e;
            });
    }

    // Translates and waits for the completion, which comes once and never
    // before translateTexts returns.
    Result translated(const QStringList &texts, const QString &to = "de")
    {
        Result result;
        translate(result, texts, to);
        const bool early = result.calls > 0;
        waitFor([&] { return result.calls > 0; }, clock_);
        QTest::qWait(20);
        if (early || result.calls != 1)
            QTest::qFail(
                early ? "completed re-entrantly" : "not completed once", __FILE__, __LINE__);
        return result;
    }

    // The token request's error, or "no answer" when none came.
    Error fetchToken()
    {
        std::optional<Error> error;
        v2().getAccessTokenWithCompletion("s", [&](const Error &e) { error = e; });
        return waitFor([&] { return bool(error); }, clock_) ? *error : Error("no answer", -1);
    }

    // Every service's address in the preferences on `server`.
    static void pointAt(const LocalHttpServer &server)
    {
        for (const auto &[path, key] :
            {std::pair {"/v2/OAuth2-13", MicrosoftV2Provider::tokenURLKey},
                {"/v2/Http.svc/Translate", MicrosoftV2Provider::translateURLKey},
                {"/deepl", DeepLProvider::serverURLKey},
                {"/azure/", AzureTranslatorProvider::endpointKey},
                {"/libre", LibreTranslateProvider::urlKey}})
            UserDefaults::standard().setString(server.url(path).toString(), key);
    }

    static QString pathOf(const QString &provider)
    {
        return provider == "DeepL"      ? "/deepl/v2/translate"
            : provider == "Azure"       ? "/azure/translate"
            : provider == "MicrosoftV2" ? "/v2/Http.svc/Translate"
                                        : "/libre/translate";
    }

private Q_SLOTS:
    void init()
    {
        log_.clear();
        setLogSink([this](const QString &line) { log_ << line; });
        clock_ = new ManualClock;
        Clock::setShared(clock_);
        secrets_ = new KeepingSecretStore;
        SecretStore::setShared(secrets_);
        QDir(AppPaths::cacheDirectory()).removeRecursively();
        translator().forgetLanguages();
        server_ = new LocalHttpServer;
        QVERIFY(server_->listen());
        tokenAnswer_ = R"({"access_token":"tok=1&x","token_type":"bearer","expires_in":"600"})";
        tokenStatus_ = 200;
        server_->route("/v2/OAuth2-13", [this](const LocalHttpServer::Request &) {
            return Response::withStatus(tokenStatus_, tokenAnswer_);
        });
        server_->route("/v2/Http.svc/Translate", [](const LocalHttpServer::Request &request) {
            if (!request.header("Authorization").startsWith("Bearer tok"))
                return Response::withStatus(401, v2Answer("no token"));
            return Response::ok(v2Answer(
                "[" + formValue(request.target, "to") + "] " + formValue(request.target, "text")));
        });
        pointAt(*server_);
        UserDefaults::standard().setString("my id", MicrosoftV2Provider::clientIDKey);
        choose("MicrosoftV2", "s3cr&t+/=");
    }

    // Whatever a test did, its keys reached neither the log nor the
    // preferences file, and a secret moved out of that file is gone from it.
    void cleanup()
    {
        setLogSink({});
        for (const QString &line : log_)
            QVERIFY2(!line.contains(theKey) && !line.contains("s3cr&t"), qPrintable(line));
        QVERIFY(UserDefaults::standard().synchronize());
        QFile preferences(UserDefaults::standard().fileName());
        if (preferences.open(QIODevice::ReadOnly)) {
            const QByteArray stored = preferences.readAll();
            QVERIFY(!stored.contains(theKey.toUtf8()) && !stored.contains("old secret"));
        }
        v2().invalidateAccessToken();
        delete server_;
        Clock::setShared(nullptr);
        delete clock_;
        SecretStore::setShared(nullptr);
        delete secrets_;
        for (const QString &key : {Translator::providerKey, MicrosoftV2Provider::tokenURLKey,
                 MicrosoftV2Provider::translateURLKey, MicrosoftV2Provider::clientIDKey,
                 Translator::oldClientSecretKey, DeepLProvider::serverURLKey,
                 AzureTranslatorProvider::endpointKey, AzureTranslatorProvider::regionKey,
                 LibreTranslateProvider::urlKey})
            UserDefaults::standard().removeObjectForKey(key);
    }

    // Title and text go out in one request, exactly as each service
    // documents it, and come back in order.
    void protocols_data()
    {
        QTest::addColumn<Exchange>("exchange");
        const QByteArray pair = R"(["Title & more","Body: ü + #1"])";
        const QByteArray azure = R"([{"Text":"Title & more"},{"Text":"Body: ü + #1"}])";
        const QByteArray libre =
            R"(,"format":"text","q":)" + pair + R"(,"source":"auto","target":"de"})";
        const QString json = "application/json";
        QTest::newRow("DeepL") << Exchange {"DeepL", theKey, "", "pt", "",
            {{"Authorization", "DeepL-Auth-Key " + theKey}, {"Content-Type", json}},
            R"({"target_lang":"PT-BR","text":)" + pair + "}"};
        QTest::newRow("Azure, regional")
            << Exchange {"Azure", theKey, "westeurope", "zh-CHS", "api-version=3.0&to=zh-Hans",
                   {{"Ocp-Apim-Subscription-Key", theKey},
                       {"Ocp-Apim-Subscription-Region", "westeurope"}, {"Content-Type", json}},
                   azure};
        QTest::newRow("Azure, global") << Exchange {"Azure", theKey, "", "de",
            "api-version=3.0&to=de",
            {{"Ocp-Apim-Subscription-Key", theKey}, {"Ocp-Apim-Subscription-Region", ""}}, azure};
        QTest::newRow("LibreTranslate") << Exchange {"LibreTranslate", theKey, "", "de", "",
            {{"Content-Type", json}}, "{\"api_key\":\"" + theKey.toUtf8() + "\"" + libre};
        QTest::newRow("LibreTranslate without a key")
            << Exchange {"LibreTranslate", QString(), "", "de", "", {}, "{" + libre.mid(1)};
    }

    void protocols()
    {
        QFETCH(Exchange, exchange);
        choose(exchange.provider, exchange.key);
        UserDefaults::standard().setString(exchange.region, AzureTranslatorProvider::regionKey);
        const QMap<QString, QByteArray> answers {
            {"DeepL",
                R"({"translations":[{"detected_source_language":"EN","text":"Título"},)"
                R"({"text":"Texto"}]})"},
            {"Azure",
                R"([{"detectedLanguage":{"language":"en","score":1},"translations":[)"
                R"({"text":"Título","to":"x"}]},{"translations":[{"text":"Texto"}]}])"},
            {"LibreTranslate", R"({"translatedText":["Título","Texto"]})"}};
        server_->route(pathOf(exchange.provider),
            Response::ok(answers[exchange.provider], "application/json"));
        const Result result =
            translated({"Title & more", QString::fromUtf8("Body: ü + #1")}, exchange.to);
        QCOMPARE(result.translations, (QStringList {QString::fromUtf8("Título"), "Texto"}));
        QCOMPARE(server_->requests().size(), 1);
        const auto sent = server_->requests().first();
        QCOMPARE(sent.method, QByteArray("POST"));
        QCOMPARE(sent.query().toString(QUrl::FullyDecoded), exchange.query);
        for (auto it = exchange.headers.begin(); it != exchange.headers.end(); ++it)
            QCOMPARE(QString::fromUtf8(sent.header(it.key().toUtf8())), it.value());
        QVERIFY(!QJsonDocument::fromJson(exchange.body).isNull());
        QCOMPARE(QJsonDocument::fromJson(sent.body), QJsonDocument::fromJson(exchange.body));
    }

    // The old protocol takes one text per request: title, then text. A second
    // translation meanwhile shares the one token request.
    void microsoftV2SendsOneRequestPerText()
    {
        Result result, other;
        translate(result, {"Tom & Jerry + #1 über 100%", "Body"});
        translate(other, {"more"});
        QVERIFY(waitFor([&] { return result.calls && other.calls; }, clock_));
        QCOMPARE(result.translations,
            (QStringList {QString::fromUtf8("[de] Tom & Jerry + #1 über 100%"), "[de] Body"}));
        QCOMPARE(other.translations, QStringList {"[de] more"});
        const auto token = server_->requestsFor("/v2/OAuth2-13");
        QCOMPARE(token.size(), 1);
        QCOMPARE(token.first().header("Content-Type"),
            QByteArray("application/x-www-form-urlencoded; charset=utf-8"));
        QCOMPARE(token.first().body,
            QByteArray("grant_type=client_credentials&client_id=my+id&client_secret="
                       "s3cr%26t%2B%2F%3D&scope=http://api.microsofttranslator.com"));
        const auto sent = server_->requestsFor("/v2/Http.svc/Translate");
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent.first().header("Authorization"), QByteArray("Bearer tok=1&x"));
        QVERIFY(!sent.first().query().hasQueryItem("from"));

        Result none;
        translate(none, {"Bonjour"}, QString());
        QTest::qWait(20);
        QCOMPARE(none.calls, 0);
        QCOMPARE(server_->requestsFor("/v2/Http.svc/Translate").size(), 3);
    }

    // The fake store's services answer the application's own client in every
    // protocol, one text at a time as the preferences' test sends it.
    void throughTheFakeStore_data()
    {
        QTest::addColumn<QString>("provider");
        for (const char *provider : {"MicrosoftV2", "Azure", "DeepL", "LibreTranslate"})
            QTest::newRow(provider) << QString(provider);
    }

    void throughTheFakeStore()
    {
        QFETCH(QString, provider);
        FakeTranslator fake({});
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setFallback([&fake](const LocalHttpServer::Request &r) { return fake.answer(r); });
        pointAt(server);
        choose(provider, QString::fromUtf8(FakeTranslator::key));
        std::optional<std::pair<QString, Error>> result;
        translator().translateFrom(QString(), "fr", "Cats & dogs + 1",
            [&](const QString &text, const Error &error) { result.emplace(text, error); });
        QVERIFY(waitFor([&] { return bool(result); }, clock_));
        QVERIFY2(!result->second, qPrintable(result->second.debugDescription()));
        QCOMPARE(
            result->first, (provider == "DeepL" ? "[FR]" : "[fr]") + QString(" Cats & dogs + 1"));
    }

    // Shared statuses are mapped once in TranslationProvider (V2's 401: see
    // failedTokenStillSendsTheTranslation); each service's own answers by row.
    // A key that cannot be used (blank, missing, or no client ID for V2, or a
    // line break that would end the header) is never sent.
    void refusalsBecomeErrorsAPersonCanActOn_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<Response>("response");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("key");

        using E = TranslationError::Code;
        const auto json = [](int status, QByteArray body = {}) {
            return Response::withStatus(status, body)
                .withHeader("Content-Type", "application/json");
        };
        const auto row = [](const char *name, const char *provider, Response response, E code,
                             const QString &key = theKey) {
            QTest::newRow(name) << QString(provider) << response << int(code) << key;
        };
        const QByteArray azureCode = R"({"error":{"code":%1,"message":"x"}})";
        const auto azure = [&](int status, const char *code) {
            return json(status, QByteArray(azureCode).replace("%1", code));
        };
        row("DeepL 456", "DeepL", json(456, R"({"message":"Quota exceeded"})"), E::QuotaUsedUp);
        row("DeepL 429", "DeepL", json(429), E::QuotaUsedUp);
        row("DeepL target", "DeepL",
            json(400, R"({"message":"Value for 'target_lang' not supported."})"),
            E::UnsupportedLanguage);
        row("DeepL dropped", "DeepL", Response::dropped(), E::Unreachable);
        row("DeepL HTML page", "DeepL", Response::ok("<html>maintenance</html>"), E::BrokenAnswer);
        row("DeepL one of two", "DeepL", Response::ok(R"({"translations":[{"text":"x"}]})"),
            E::BrokenAnswer);
        row("Azure 403 quota", "Azure", azure(403, "403001"), E::QuotaUsedUp);
        row("Azure 403", "Azure", json(403), E::WrongKey);
        row("Azure target", "Azure", azure(400, "400036"), E::UnsupportedLanguage);
        row("Azure 404", "Azure", json(404), E::Refused);
        row("Azure no translations", "Azure", Response::ok("[{}, {}]"), E::BrokenAnswer);
        row("Libre target", "LibreTranslate", json(400, R"({"error":"xx is not supported"})"),
            E::UnsupportedLanguage);
        row("Libre key wanted", "LibreTranslate",
            json(400, "{\"error\":\"Visit https://portal.libretranslate.com to get an API key\"}"),
            E::NoKey);
        row("DeepL blank key", "DeepL", {}, E::NoKey, "  ");
        row("Azure without a key", "Azure", {}, E::NoKey, QString());
        row("V2 without an ID", "MicrosoftV2", {}, E::NoKey, "s");
        row("key with a line break", "DeepL", {}, E::WrongKey, "a\r\nX-Injected: 1");
    }

    // Each refusal completes once, with no translations and an error that
    // names the service but not the key.
    void refusalsBecomeErrorsAPersonCanActOn()
    {
        QFETCH(QString, provider);
        QFETCH(Response, response);
        QFETCH(int, code);
        QFETCH(QString, key);
        QVERIFY(TranslatorCredentials::builtInClientID().isEmpty());
        QVERIFY(TranslatorCredentials::builtInClientSecret().isEmpty());
        UserDefaults::standard().removeObjectForKey(MicrosoftV2Provider::clientIDKey);
        const QString path = pathOf(provider);
        choose(provider, key);
        server_->route(path, response);
        const Result result = translated({"Title", "Text"});
        QVERIFY(result.translations.isEmpty());
        QCOMPARE(result.error.domain(), Translator::ErrorDomain);
        QCOMPARE(result.error.code(), code);
        QVERIFY(
            result.error.localizedDescription().contains(translator().provider().serviceName()));
        QVERIFY(!result.error.debugDescription().contains(theKey));
        // Qt sends a request again once when the connection drops before an answer.
        const int sent = key != theKey ? 0 : response.dropConnection ? 2 : 1;
        QCOMPARE(server_->requests().size(), sent);
    }

    // The languages are fetched once a day, kept in memory and on disk, and
    // the last list (or the built-in table) stands in when they cannot be had.
    // A language not on the list is refused, by name, without asking the
    // service.
    void languagesAreCachedForADay_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("Azure")
            << "Azure"
            << QByteArray(R"({"translation":{"de":{"name":"Deutsch"},)"
                          R"("zh-Hans":{"name":"Chinesisch"},"ko":{"name":"Korean"}}})");
        QTest::newRow("LibreTranslate")
            << "LibreTranslate"
            << QByteArray(R"([{"code":"de","name":"German","targets":["en"]},)"
                          R"({"code":"zh","name":"Chinese","targets":["en"]},)"
                          R"({"code":"ko","name":"Korean"}])");
    }

    void languagesAreCachedForADay()
    {
        QFETCH(QString, provider);
        QFETCH(QByteArray, answer);
        const QString path = pathOf(provider).replace("/translate", "/languages");
        choose(provider);
        int status = 200;
        QStringList queries;
        server_->route(path, [&](const LocalHttpServer::Request &request) {
            queries << request.query().toString();
            return Response::withStatus(status, answer);
        });
        const auto languages = [&] {
            QMap<QString, QString> got;
            Error error;
            int calls = 0;
            for (int i = 0; i < 2; ++i)
                translator().availableLanguages(
                    [&](const QMap<QString, QString> &l, const Error &e) {
                        ++calls;
                        got = l;
                        error = e;
                    });
            waitFor([&] { return calls == 2; }, clock_);
            return std::make_pair(got, error);
        };
        const QMap<QString, QString> expected {
            {"de", "German"}, {"zh-CHS", "Chinese Simplified"}, {"ko", "Korean"}};
        QCOMPARE(languages().first, expected);
        QCOMPARE(server_->requestsFor(path).size(), 1); // two callers, one request
        QCOMPARE(queries.first(),
            provider == "Azure" ? QString("api-version=3.0&scope=translation") : QString());
        const Error refused = translated({"Hello"}, "fr").error;
        QCOMPARE(refused.code(), int(TranslationError::UnsupportedLanguage));
        QCOMPARE(refused.localizedDescription(),
            translator().provider().serviceName()
                + QString::fromUtf8(" does not translate into “French”."));
        QCOMPARE(server_->requests().size(), 1);

        clock_->advanceSeconds(86399);
        translator().forgetLanguages(); // from the cache folder now
        QCOMPARE(languages().first, expected);
        QCOMPARE(server_->requestsFor(path).size(), 1);

        clock_->advanceSeconds(1);
        status = 503;
        const auto stale = languages();
        QCOMPARE(server_->requestsFor(path).size(), 2);
        QCOMPARE(stale.first, expected);
        QCOMPARE(stale.second.code(), int(TranslationError::Unreachable));

        QDir(AppPaths::cacheDirectory()).removeRecursively();
        translator().forgetLanguages();
        status = 200;
        answer = "<html>no</html>";
        const auto fallback = languages();
        QCOMPARE(fallback.first, Translator::languageCodes());
        QCOMPARE(fallback.second.code(), int(TranslationError::BrokenAnswer));
    }

    // A client secret left in the preferences by earlier versions moves into
    // a keeping secret store once; the in-memory fallback leaves it in place.
    void oldClientSecretMovesIntoTheSecretStore()
    {
        secrets_->deleteSecret(Translator::secretName("MicrosoftV2"), {});
        UserDefaults::standard().setString("old secret", Translator::oldClientSecretKey);
        MemorySecretStore memory;
        SecretStore::setShared(&memory);
        translated({"one"});
        QVERIFY(UserDefaults::standard().hasStoredValue(Translator::oldClientSecretKey));
        QVERIFY(server_->requestsFor("/v2/OAuth2-13").first().body.contains("old+secret"));

        SecretStore::setShared(secrets_);
        translated({"two"});
        QCOMPARE(secrets_->secrets().value(Translator::secretName("MicrosoftV2")),
            QString("old secret"));
        QVERIFY(!UserDefaults::standard().hasStoredValue(Translator::oldClientSecretKey));
    }

    // An unknown provider gives way to DeepL, logged once; a DeepL free key
    // (":fx") goes to the free server; addresses that are no http(s) ones
    // give way to the https defaults.
    void preferences()
    {
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString("Babelfish", Translator::providerKey);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(translator().provider().name(), QString("DeepL"));
        QCOMPARE(log_.filter("Babelfish").size(), 1);
        defaults.removeObjectForKey(Translator::providerKey);
        QCOMPARE(translator().provider().name(), QString("DeepL"));
        defaults.removeObjectForKey(DeepLProvider::serverURLKey);
        QCOMPARE(DeepLProvider::serverURL("abc:fx"), QString("https://api-free.deepl.com"));
        QCOMPARE(DeepLProvider::serverURL("abc"), QString("https://api.deepl.com"));
        defaults.setString("ftp://x", AzureTranslatorProvider::endpointKey);
        QCOMPARE(AzureTranslatorProvider::endpoint(), AzureTranslatorProvider::defaultEndpoint);
        defaults.removeObjectForKey(MicrosoftV2Provider::tokenURLKey);
        defaults.setString("javascript:alert(1)", MicrosoftV2Provider::translateURLKey);
        QCOMPARE(MicrosoftV2Provider::tokenURL(), MicrosoftV2Provider::defaultTokenURL);
        QCOMPARE(MicrosoftV2Provider::translateURL(), MicrosoftV2Provider::defaultTranslateURL);
    }

    // The token's lifetime as the service may write it, clamped to a day;
    // absent or unusable, ten minutes.
    void oddLifetimes_data()
    {
        QTest::addColumn<QByteArray>("expiresIn");
        QTest::addColumn<qint64>("kept");
        const std::pair<const char *, qint64> rows[] = {{nullptr, 600}, {"\"599\"", 599},
            {"3600", 3600}, {"\"soon\"", 600}, {"-5", 600}, {"1e15", 86400}};
        for (const auto &[expiresIn, kept] : rows)
            QTest::newRow(expiresIn ? expiresIn : "absent") << QByteArray(expiresIn) << kept;
    }

    void oddLifetimes()
    {
        QFETCH(QByteArray, expiresIn);
        QFETCH(qint64, kept);
        tokenAnswer_ = R"({"access_token":"tok4")"
            + (expiresIn.isNull() ? QByteArray("}") : R"(,"expires_in":)" + expiresIn + "}");
        QVERIFY(!fetchToken());
        QCOMPARE(v2().expiresIn(), std::optional<qint64>(kept));
        clock_->advanceSeconds(double(kept) - 0.5);
        QVERIFY(!v2().accessToken().isNull());
        clock_->advanceSeconds(0.5);
        QVERIFY(v2().accessToken().isNull());
    }

    void failedTokenStillSendsTheTranslation()
    {
        tokenStatus_ = 400;
        QCOMPARE(fetchToken().code(), 400);
        QVERIFY(v2().accessToken().isNull());

        const Result result = translated({"text"});
        QCOMPARE(result.error.code(), int(TranslationError::WrongKey));
        QCOMPARE(result.error.underlyingError().code(), 401);
        QCOMPARE(server_->requestsFor("/v2/Http.svc/Translate").size(), 1);

        // An answer that is no JSON leaves no token and no error.
        tokenStatus_ = 200;
        tokenAnswer_ = "<html>maintenance</html>";
        QVERIFY(!fetchToken());
        QVERIFY(v2().accessToken().isNull());
    }
};

RK_TEST_MAIN(TranslatorTest)
#include "tst_translator.moc"
