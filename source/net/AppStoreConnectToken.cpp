#include "net/AppStoreConnectToken.h"

#include "platform/StringFormat.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

const QString AppStoreConnectToken::ErrorDomain = QStringLiteral("AppStoreConnectError");

namespace {

template<typename T, void (*Free)(T *)> struct Deleter {
    void operator()(T *p) const { Free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using DigestPtr = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;
using SignaturePtr = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG, ECDSA_SIG_free>>;

QByteArray base64Url(const QByteArray &data)
{
    return data.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

Error keyError(const QString &reason)
{
    return Error(AppStoreConnectToken::ErrorDomain, AppStoreConnectToken::InvalidKeyCode,
        {{Error::LocalizedDescriptionKey,
             localized("AppStoreConnect", "The App Store Connect key cannot be used.")},
            {Error::LocalizedFailureReasonKey, reason}});
}

KeyPtr readPrivateKey(const QByteArray &pem)
{
    std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>> bio(
        BIO_new_mem_buf(pem.constData(), int(pem.size())));
    if (!bio)
        return {};
    KeyPtr key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key || !EVP_PKEY_is_a(key.get(), "EC"))
        return {};
    char group[64] = {};
    size_t length = 0;
    if (!EVP_PKEY_get_group_name(key.get(), group, sizeof group, &length)
        || QByteArray(group, qsizetype(length)) != "prime256v1")
        return {};
    return key;
}

// ECDSA over SHA-256, turned from OpenSSL's DER into the fixed r||s form.
QByteArray signES256(EVP_PKEY *key, const QByteArray &input)
{
    DigestPtr context(EVP_MD_CTX_new());
    size_t length = 0;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key) != 1
        || EVP_DigestSign(context.get(), nullptr, &length,
               reinterpret_cast<const unsigned char *>(input.constData()), size_t(input.size()))
            != 1)
        return {};
    QByteArray der(qsizetype(length), '\0');
    auto *out = reinterpret_cast<unsigned char *>(der.data());
    if (EVP_DigestSign(context.get(), out, &length,
            reinterpret_cast<const unsigned char *>(input.constData()), size_t(input.size()))
        != 1)
        return {};
    const auto *in = reinterpret_cast<const unsigned char *>(der.constData());
    SignaturePtr signature(d2i_ECDSA_SIG(nullptr, &in, long(length)));
    if (!signature)
        return {};
    QByteArray raw(64, '\0');
    auto *bytes = reinterpret_cast<unsigned char *>(raw.data());
    if (BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), bytes, 32) != 32
        || BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), bytes + 32, 32) != 32)
        return {};
    return raw;
}

} // namespace

QByteArray AppStoreConnectToken::sign(
    const AppStoreConnectKey &key, const QDateTime &now, Error *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = keyError(reason);
        return QByteArray();
    };
    if (!key.isComplete())
        return fail(localized(
            "AppStoreConnect", "The issuer ID, the key ID and the private key are all needed."));
    const KeyPtr privateKey = readPrivateKey(key.privateKey);
    if (!privateKey)
        return fail(localized("AppStoreConnect",
            "The key file does not hold an App Store Connect private key (.p8)."));

    const qint64 issued = now.toSecsSinceEpoch();
    const QJsonObject header {{"alg", "ES256"}, {"kid", key.keyID}, {"typ", "JWT"}};
    const QJsonObject payload {{"iss", key.issuerID}, {"iat", issued},
        {"exp", issued + lifetimeSeconds}, {"aud", "appstoreconnect-v1"}};
    const QByteArray input = base64Url(QJsonDocument(header).toJson(QJsonDocument::Compact)) + '.'
        + base64Url(QJsonDocument(payload).toJson(QJsonDocument::Compact));
    const QByteArray signature = signES256(privateKey.get(), input);
    if (signature.isEmpty())
        return fail(localized("AppStoreConnect", "Signing with the key failed."));
    return input + '.' + base64Url(signature);
}

QByteArray AppStoreConnectToken::token(
    const AppStoreConnectKey &key, const QDateTime &now, Error *error)
{
    const QByteArray digest = QCryptographicHash::hash(key.privateKey, QCryptographicHash::Sha256);
    const bool sameKey = key.issuerID == issuerID_ && key.keyID == keyID_ && digest == keyDigest_;
    if (sameKey && !token_.isEmpty() && now.secsTo(expiry_) > renewalMarginSeconds
        && now >= expiry_.addSecs(-lifetimeSeconds))
        return token_;
    token_ = sign(key, now, error);
    issuerID_ = key.issuerID;
    keyID_ = key.keyID;
    keyDigest_ = digest;
    expiry_ = now.addSecs(lifetimeSeconds);
    return token_;
}
