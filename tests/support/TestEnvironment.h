#pragma once

#include "platform/NetworkAccess.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

// Points every XDG folder at a fresh temporary folder before the application
// object exists, so that no test touches the user's real data, preferences or
// cache. The folder lives as long as the process.
class TestEnvironment
{
public:
    TestEnvironment()
    {
        root_.setAutoRemove(true);
        const QDir root(root_.path());
        for (const char *name : {"data", "config", "cache", "runtime"})
            root.mkpath(QString::fromLatin1(name));
        setenv("XDG_DATA_HOME", QFile::encodeName(root.filePath("data")).constData(), 1);
        setenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")).constData(), 1);
        setenv("XDG_CACHE_HOME", QFile::encodeName(root.filePath("cache")).constData(), 1);
        setenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("runtime")).constData(), 1);
        QFile::setPermissions(root.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

private:
    QTemporaryDir root_;
};

// Like QTEST_MAIN / QTEST_GUILESS_MAIN, with the folders redirected first.
#define RK_TEST_MAIN_WITH(AppClass, TestObject)                                                    \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        TestEnvironment environment;                                                               \
        AppClass app(argc, argv);                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        const int status = QTest::qExec(&tc, argc, argv);                                          \
        /* Connections kept alive to the test servers are closed before exit, */                  \
        /* so the leak checker does not find Qt's network thread half torn down. */               \
        if (NetworkAccess::closeIdleConnections())                                                 \
            QTest::qWait(50);                                                                      \
        return status;                                                                             \
    }

#define RK_TEST_MAIN(TestObject) RK_TEST_MAIN_WITH(QCoreApplication, TestObject)
#define RK_TEST_GUI_MAIN(TestObject) RK_TEST_MAIN_WITH(QApplication, TestObject)
