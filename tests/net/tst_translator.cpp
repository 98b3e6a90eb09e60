#include "LocalHttpServer.h"
#include "ManualClock.h"
#include "TestEnvironment.h"
#include "Translator.h"
#include "TranslatorCredentials.h"
#include "UserDefaults.h"
#include "WaitFor.h"

#include <QFile>
#include <QTest>

using Response = LocalHttpServer::Response;

namespace {

// The service reads the query as a form: "+" is a space.
QString formValue(const QByteArray &target, const QString &name)
{
    const QByteArray query = target.mid(target.indexOf('?') + 1);
    for (const QByteArray &pair : query.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (QString::fromUtf8(pair.left(equals)) == name) {
            QByteArray value = pair.mid(equals + 1);
            value.replace('+', ' ');
            return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
        }
    }
    return QString();
}

QByteArray translationAnswer(const QString &text)
{
    return "<string xmlns=\"http://schemas.microsoft.com/2003/10/Serialization/\">"
        + text.toHtmlEscaped().toUtf8() + "</string>";
}

} // namespace

class TranslatorTest : public QObject {
    Q_OBJECT

private:
    LocalHttpServer *server_ = nullptr;
    ManualClock *clock_ = nullptr;
    QByteArray tokenAnswer_;
    int tokenStatus_ = 200;

    struct Result {
        bool called = false;
        QString translation;
        Error error;
    };

    void translate(Result &result, const QString &text, const QString &from = QString(),
        const QString &to = "de")
    {
        Translator::sharedInstance().translateFrom(
            from, to, text, [&result](const QString &t, const Error &e) {
                result.called = true;
                result.translation = t;
                result.error = e;
            });
    }

    int tokenRequests() const { return int(server_->requestsFor("/v2/OAuth2-13").size()); }
    QList<LocalHttpServer::Request> translations() const
    {
        return server_->requestsFor("/v2/Http.svc/Translate");
    }

private Q_SLOTS:
    void init()
    {
        clock_ = new ManualClock;
        Clock::setShared(clock_);
        server_ = new LocalHttpServer;
        QVERIFY(server_->listen());
        tokenAnswer_ = R"({"access_token":"tok=1&x","token_type":"bearer","expires_in":"600"})";
        tokenStatus_ = 200;
        server_->route("/v2/OAuth2-13", [this](const LocalHttpServer::Request &) {
            return Response::withStatus(tokenStatus_, tokenAnswer_);
        });
        server_->route("/v2/Http.svc/Translate", [](const LocalHttpServer::Request &request) {
            if (!request.header("Authorization").startsWith("Bearer tok"))
                return Response::withStatus(401, translationAnswer("no token"));
            return Response::ok(translationAnswer(
                "[" + formValue(request.target, "to") + "] " + formValue(request.target, "text")));
        });
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString(server_->url("/v2/OAuth2-13").toString(), Translator::tokenURLKey);
        defaults.setString(
            server_->url("/v2/Http.svc/Translate").toString(), Translator::translateURLKey);
        defaults.setString("my id", Translator::clientIDKey);
        defaults.setString("s3cr&t+/=", Translator::clientSecretKey);
    }

    void cleanup()
    {
        Translator::sharedInstance().invalidateAccessToken();
        delete server_;
        Clock::setShared(nullptr);
        delete clock_;
        for (const QString &key : {Translator::tokenURLKey, Translator::translateURLKey,
                 Translator::clientIDKey, Translator::clientSecretKey})
            UserDefaults::standard().removeObjectForKey(key);
    }

    void formEncoding()
    {
        QCOMPARE(URLencode("a b"), QString("a+b"));
        QCOMPARE(URLencode("&"), QString("%26"));
        QCOMPARE(URLencode(QString::fromUtf8("ä")), QString("%C3%A4"));
        QCOMPARE(URLencode("-._~"), QString("-._~"));
        QCOMPARE(URLencode("+=#/?%"), QString("%2B%3D%23%2F%3F%25"));
        QCOMPARE(URLencode(""), QString(""));
    }

    void languageTable()
    {
        const auto codes = Translator::languageCodes();
        QCOMPARE(codes.size(), 51);
        QCOMPARE(codes.value("tlh-Qaak"), QString("Klingon (pIqaD"));
        QCOMPARE(codes.value("otq"), QString::fromUtf8("Quer\xC3\xA9taro Otomi"));
        QCOMPARE(codes.value("zh-CHT"), QString("Chinese Traditional"));
    }

    void withoutCredentialsNothingIsSent()
    {
        QVERIFY(TranslatorCredentials::builtInClientID().isEmpty());
        QVERIFY(TranslatorCredentials::builtInClientSecret().isEmpty());
        UserDefaults::standard().removeObjectForKey(Translator::clientSecretKey);
        Result result;
        translate(result, "Hello");
        QVERIFY(!result.called); // never re-entrant
        QVERIFY(waitFor([&] { return result.called; }, clock_));
        QVERIFY(result.translation.isNull());
        QCOMPARE(result.error.domain(), Translator::ErrorDomain);
        QVERIFY(result.error.localizedDescription().contains("Translation is not set up"));
        QTest::qWait(20);
        QVERIFY(server_->requests().isEmpty());
    }

    void tokenThenTranslation()
    {
        Result result;
        translate(result, "Tom & Jerry + #1 über 100%", "en");
        QVERIFY(waitFor([&] { return result.called; }, clock_));
        QVERIFY(!result.error);
        QCOMPARE(result.translation, QString::fromUtf8("[de] Tom & Jerry + #1 über 100%"));

        const auto token = server_->requestsFor("/v2/OAuth2-13");
        QCOMPARE(token.size(), 1);
        QCOMPARE(token.first().method, QByteArray("POST"));
        QCOMPARE(token.first().header("Content-Type"),
            QByteArray("application/x-www-form-urlencoded; charset=utf-8"));
        QCOMPARE(token.first().body,
            QByteArray("grant_type=client_credentials&client_id=my+id&client_secret="
                       "s3cr%26t%2B%2F%3D&scope=http://api.microsofttranslator.com"));
        const auto sent = translations().first();
        QCOMPARE(sent.header("Authorization"), QByteArray("Bearer tok=1&x"));
        QCOMPARE(formValue(sent.target, "from"), QString("en"));
        QCOMPARE(Translator::sharedInstance().expiresIn(), std::optional<qint64>(600));
    }

    void sourceLanguageIsOptional()
    {
        Result result;
        translate(result, "Bonjour", QString(), "zh-CHS");
        QVERIFY(waitFor([&] { return result.called; }, clock_));
        const QUrlQuery query(translations().first().url);
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(query.queryItemValue("to"), QString("zh-CHS"));
        QVERIFY(!query.hasQueryItem("from"));

        Result none;
        translate(none, "Bonjour", QString(), QString());
        QTest::qWait(20);
        QVERIFY(!none.called);
        QCOMPARE(translations().size(), 1);
    }

    void tokenIsReusedForItsLifetime()
    {
        tokenAnswer_ = R"({"access_token":"tok2","expires_in":300})";
        Result first, second, third;
        translate(first, "one");
        QVERIFY(waitFor([&] { return first.called; }, clock_));
        clock_->advanceSeconds(299);
        translate(second, "two");
        QVERIFY(waitFor([&] { return second.called; }, clock_));
        QCOMPARE(tokenRequests(), 1);
        QCOMPARE(second.translation, QString("[de] two"));
        clock_->advanceSeconds(1);
        QVERIFY(Translator::sharedInstance().accessToken().isNull());
        QVERIFY(!Translator::sharedInstance().expiresIn());
        translate(third, "three");
        QVERIFY(waitFor([&] { return third.called; }, clock_));
        QCOMPARE(tokenRequests(), 2);
    }

    void tokenWithoutLifetimeIsKept600Seconds()
    {
        tokenAnswer_ = R"({"access_token":"tok3"})";
        bool done = false;
        Translator::sharedInstance().getAccessTokenWithCompletion([&](const Error &error) {
            QVERIFY(!error);
            done = true;
        });
        QVERIFY(waitFor([&] { return done; }, clock_));
        QCOMPARE(Translator::sharedInstance().accessToken(), QString("tok3"));
        QCOMPARE(Translator::sharedInstance().expiresIn(), std::optional<qint64>(600));
        clock_->advanceSeconds(599.9);
        QCOMPARE(Translator::sharedInstance().accessToken(), QString("tok3"));
        clock_->advanceSeconds(0.1);
        QVERIFY(Translator::sharedInstance().accessToken().isNull());
    }

    void oddLifetimes_data()
    {
        QTest::addColumn<QByteArray>("expiresIn");
        QTest::addColumn<qint64>("kept");
        QTest::newRow("text") << QByteArray("\"599\"") << qint64(599);
        QTest::newRow("number") << QByteArray("3600") << qint64(3600);
        QTest::newRow("null") << QByteArray("null") << qint64(600);
        QTest::newRow("not a number") << QByteArray("\"soon\"") << qint64(600);
        QTest::newRow("negative") << QByteArray("-5") << qint64(600);
        QTest::newRow("huge text") << QByteArray("\"99999999999999999999\"") << qint64(600);
        QTest::newRow("huge number") << QByteArray("1e15") << qint64(86400);
    }

    void oddLifetimes()
    {
        QFETCH(QByteArray, expiresIn);
        QFETCH(qint64, kept);
        tokenAnswer_ = R"({"access_token":"tok4","expires_in":)" + expiresIn + "}";
        bool done = false;
        Translator::sharedInstance().getAccessTokenWithCompletion(
            [&](const Error &) { done = true; });
        QVERIFY(waitFor([&] { return done; }, clock_));
        QCOMPARE(Translator::sharedInstance().expiresIn(), std::optional<qint64>(kept));
        clock_->advanceSeconds(double(kept) - 0.5);
        QVERIFY(!Translator::sharedInstance().accessToken().isNull());
        clock_->advanceSeconds(0.5);
        QVERIFY(Translator::sharedInstance().accessToken().isNull());
    }

    void concurrentTranslationsShareOneTokenRequest()
    {
        Result a, b;
        translate(a, "title");
        translate(b, "body");
        QVERIFY(waitFor([&] { return a.called && b.called; }, clock_));
        QCOMPARE(tokenRequests(), 1);
        QVERIFY(!a.error && !b.error);
        QCOMPARE(a.translation, QString("[de] title"));
        QCOMPARE(b.translation, QString("[de] body"));
    }

    void failedTokenStillSendsTheTranslation()
    {
        tokenStatus_ = 400;
        Error tokenError;
        bool tokenDone = false;
        Translator::sharedInstance().getAccessTokenWithCompletion([&](const Error &error) {
            tokenError = error;
            tokenDone = true;
        });
        QVERIFY(waitFor([&] { return tokenDone; }, clock_));
        QCOMPARE(tokenError.code(), 400);
        QVERIFY(Translator::sharedInstance().accessToken().isNull());

        Result result;
        translate(result, "text");
        QVERIFY(waitFor([&] { return result.called; }, clock_));
        QCOMPARE(result.error.domain(), Error::HTTPResponseErrorDomain);
        QCOMPARE(result.error.code(), 401);
        QCOMPARE(translations().size(), 1);

        // An answer that is no JSON leaves no token and no error.
        tokenStatus_ = 200;
        tokenAnswer_ = "<html>maintenance</html>";
        tokenDone = false;
        Translator::sharedInstance().getAccessTokenWithCompletion([&](const Error &error) {
            tokenError = error;
            tokenDone = true;
        });
        QVERIFY(waitFor([&] { return tokenDone; }, clock_));
        QVERIFY(!tokenError);
        QVERIFY(Translator::sharedInstance().accessToken().isNull());
    }

    void endpointsDefaultToHttps()
    {
        UserDefaults::standard().removeObjectForKey(Translator::tokenURLKey);
        UserDefaults::standard().setString("javascript:alert(1)", Translator::translateURLKey);
        QVERIFY(Translator::tokenURL().startsWith("https://"));
        QVERIFY(Translator::tokenURL().endsWith("/v2/OAuth2-13"));
        QCOMPARE(Translator::translateURL(), Translator::defaultTranslateURL);
        QVERIFY(Translator::translateURL().startsWith("https://"));
        QVERIFY(Translator::translateURL().endsWith("/v2/Http.svc/Translate"));
    }

    void capturedServiceAnswers()
    {
        const QString fixtures = qEnvironmentVariable("RK_FIXTURES");
        QFile token(fixtures + "/token-answer-1.json");
        QFile answer(fixtures + "/translate-answer-1.xml");
        if (fixtures.isEmpty() || !token.open(QIODevice::ReadOnly)
            || !answer.open(QIODevice::ReadOnly))
            QSKIP("captured answers not available");
        tokenAnswer_ = token.readAll();
        const QByteArray translated = answer.readAll();
        server_->route("/v2/Http.svc/Translate", Response::ok(translated, "application/xml"));
        Result result;
        translate(result, "hello", "en", "ja");
        QVERIFY(waitFor([&] { return result.called; }, clock_));
        QVERIFY(!result.error);
        QCOMPARE(result.translation, QString::fromUtf8("こんにちは"));
        QCOMPARE(Translator::sharedInstance().expiresIn(), std::optional<qint64>(600));
        QVERIFY(Translator::sharedInstance().accessToken().contains("HMACSHA256="));
        QVERIFY(translations().first().header("Authorization").startsWith("Bearer http%3a%2f%2f"));
    }
};

RK_TEST_MAIN(TranslatorTest)
#include "tst_translator.moc"
