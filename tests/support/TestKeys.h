#pragma once

#include <QByteArray>

// Keys made afresh for a test with libcrypto, as PEM: PKCS#8 private keys
// (like an App Store Connect .p8 file) and their public halves.
struct TestKeyPair {
    QByteArray privateKey;
    QByteArray publicKey;
};

namespace TestKeys {

// An EC key on `curve` ("P-256", "P-384"), or an RSA key for "RSA".
TestKeyPair make(const char *curve = "P-256");

} // namespace TestKeys
