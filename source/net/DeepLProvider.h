#pragma once

#include "net/TranslationProvider.h"

// DeepL's API: one POST of all texts to {url}/v2/translate with the key in
// the Authorization header. The address follows the key (":fx" keys belong
// to the free API) unless "DeepLServerURL" names one. The target languages
// are the documented ones, so nothing is fetched for them.
class DeepLProvider : public TranslationProvider {
public:
    static const QString serverURLKey; // "DeepLServerURL"

    QString name() const override { return QStringLiteral("DeepL"); }
    QString serviceName() const override { return QStringLiteral("DeepL"); }
    void translate(const QString &key, const QString &from, const QString &to,
        const QStringList &texts, TranslationsCompletion completion) override;
    QMap<QString, QString> builtInLanguages() const override;

    static QString serverURL(const QString &key);

protected:
    QList<QPair<QString, QString>> codeTable() const override;
    QString unlistedProviderCode(const QString &code) const override { return code.toUpper(); }
    Error refusal(int status, const QByteArray &body, const Error &requestError) const override;
};
