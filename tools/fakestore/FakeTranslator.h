#pragma once

#include "LocalHttpServer.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>

#include <optional>

// Answers the translation services' protocols the way the services do: the
// old token-and-GET protocol at "/v2", Azure Translator v3 at "/azure", DeepL
// at "/deepl" and LibreTranslate at "/libre" (see README.md). Every service
// translates a text into language X as "[X] text", X being the target code as
// the request names it, and counts the translation requests it receives.
class FakeTranslator {
public:
    enum class Protocol { MicrosoftV2, Azure, DeepL, LibreTranslate };

    struct Options {
        // LibreTranslate translates without a key (a key given is still checked).
        bool libreOpen = false;
    };

    // The old protocol's bearer token, handed out by its token answer.
    static const QByteArray token;
    // Accepted by Azure, DeepL and LibreTranslate (DeepL also with ":fx").
    static const QByteArray key;
    // Accepted, but answered with the service's quota error.
    static const QByteArray quotaKey;

    explicit FakeTranslator(Options options);

    // The answer for a translation path, or nothing for the other paths.
    std::optional<LocalHttpServer::Response> answer(const LocalHttpServer::Request &request);

    // Translation requests received, refused ones included; language lists
    // are not counted.
    int requestCount(Protocol protocol) const { return counts_.value(protocol); }
    // The counts by provider name ("Azure": 2, ...), as GET /fakestore/translations gives them.
    QJsonObject requestCounts() const;

    static QString translation(const QString &text, const QString &target);

private:
    using Request = LocalHttpServer::Request;
    using Response = LocalHttpServer::Response;

    Response microsoftV2(const Request &request) const;
    Response azureTranslate(const Request &request) const;
    Response azureLanguages(const Request &request) const;
    Response deepLTranslate(const Request &request) const;
    Response deepLLanguages(const Request &request) const;
    Response libreTranslate(const Request &request) const;
    Response libreLanguages() const;

    Options options_;
    QHash<Protocol, int> counts_;
};
