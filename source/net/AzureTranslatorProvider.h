#pragma once

#include "net/TranslationProvider.h"

// Azure AI Translator, version 3: one POST of all texts to
// {endpoint}/translate, the key (and, for a regional resource, its region)
// in headers. Its languages come from {endpoint}/languages, which needs no
// key.
class AzureTranslatorProvider : public TranslationProvider {
public:
    static const QString endpointKey; // "AzureTranslatorEndpoint"
    static const QString regionKey; // "AzureTranslatorRegion"
    static const QString defaultEndpoint;

    QString name() const override { return QStringLiteral("Azure"); }
    QString serviceName() const override { return QStringLiteral("Azure Translator"); }
    void translate(const QString &key, const QString &from, const QString &to,
        const QStringList &texts, TranslationsCompletion completion) override;
    void fetchLanguages(LanguagesCompletion completion) override;
    QString languagesSource() const override { return endpoint(); }

    static QString endpoint();

protected:
    QList<QPair<QString, QString>> codeTable() const override;
    Error refusal(int status, const QByteArray &body, const Error &requestError) const override;
};
