#pragma once

// What the ui tests record in place of the desktop: the addresses they open
// and the errors presented to the user; with the headers every ui test uses.

#include "platform/UrlOpener.h"
#include "support/RecordingPresenter.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

// Records the addresses opened in the browser while it lives.
struct OpenedUrls : QList<QUrl> {
    OpenedUrls()
    {
        UrlOpener::setHandler([this](const QUrl &url) {
            append(url);
            return true;
        });
    }
    ~OpenedUrls() { UrlOpener::setHandler({}); }
};

// The presenter of the application's errors while it lives.
struct SharedPresenter : RecordingPresenter {
    SharedPresenter() { Presenter::setShared(this); }
    ~SharedPresenter() { Presenter::setShared(nullptr); }
};
