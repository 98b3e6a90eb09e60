#pragma once

#include "net/TranslationProvider.h"

// LibreTranslate, hosted or run by the user at "LibreTranslateURL": one POST
// of all texts to {url}/translate, the key (optional: a server of one's own
// needs none) in the JSON body, as the service documents.
class LibreTranslateProvider : public TranslationProvider {
public:
    static const QString urlKey; // "LibreTranslateURL"
    static const QString defaultURL;

    QString name() const override { return QStringLiteral("LibreTranslate"); }
    QString serviceName() const override { return QStringLiteral("LibreTranslate"); }
    bool requiresKey() const override { return false; }
    void translate(const QString &key, const QString &from, const QString &to,
        const QStringList &texts, TranslationsCompletion completion) override;
    void fetchLanguages(LanguagesCompletion completion) override;
    QString languagesSource() const override { return serverURL(); }

    static QString serverURL();

protected:
    QList<QPair<QString, QString>> codeTable() const override;
    Error refusal(int status, const QByteArray &body, const Error &requestError) const override;
};
