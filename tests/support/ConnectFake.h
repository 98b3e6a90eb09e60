#pragma once

#include "FakeStore.h"
#include "LocalHttpServer.h"
#include "support/TestKeys.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <memory>

// The App Store Connect stand-in on a local server: a key pair made for the
// test, whose public half checks the tokens, and the answers in a folder of
// its own ("connect/apps.json", "connect/reviews-<id>.json", …).
struct ConnectFake {
    TestKeyPair keys = TestKeys::make();
    QTemporaryDir folder;
    LocalHttpServer server;
    std::unique_ptr<FakeStore> store;

    ConnectFake()
    {
        QDir(folder.path()).mkpath(QStringLiteral("connect"));
        if (!server.listen())
            qFatal("the App Store Connect stand-in cannot listen");
        serve({});
    }

    // Answers from now on with `options`, the key being the test's own;
    // replies kept in memory and the request count start afresh.
    void serve(FakeAppStoreConnect::Options options)
    {
        options.publicKey = keys.publicKey;
        FakeStore::Options storeOptions;
        storeOptions.connect = options;
        store = std::make_unique<FakeStore>(folder.path(), storeOptions);
        store->attach(server);
    }

    FakeAppStoreConnect &service() { return store->appStoreConnect(); }
    QString path(const QString &name) const { return folder.filePath(name); }

    void write(const QString &name, const QByteArray &data) const
    {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }
    void write(const QString &name, const QJsonArray &list) const
    {
        write(name, QJsonDocument(list).toJson(QJsonDocument::Compact));
    }
};
