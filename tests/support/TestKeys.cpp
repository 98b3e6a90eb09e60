#include "support/TestKeys.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace TestKeys {

TestKeyPair make(const char *curve)
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        qstrcmp(curve, "RSA") == 0 ? EVP_RSA_gen(2048) : EVP_EC_gen(curve), &EVP_PKEY_free);
    auto pem = [](auto write) {
        std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
        write(bio.get());
        char *data = nullptr;
        const long size = BIO_get_mem_data(bio.get(), &data);
        return QByteArray(data, qsizetype(size));
    };
    if (!key)
        return {};
    return {pem([&](BIO *bio) {
                PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
            }),
        pem([&](BIO *bio) { PEM_write_bio_PUBKEY(bio, key.get()); })};
}

} // namespace TestKeys
