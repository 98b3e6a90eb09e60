#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

void dispatchMain(std::function<void()> block)
{
    QCoreApplication *app = QCoreApplication::instance();
    Q_ASSERT_X(app, "dispatchMain", "needs an application object");
    if (!app)
        return;
    QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
}

void dispatchMain(QObject *context, std::function<void()> block)
{
    QPointer<QObject> guard(context);
    dispatchMain([guard, block = std::move(block)] {
        if (guard)
            block();
    });
}

bool isMainThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
