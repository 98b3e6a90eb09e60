#include "support/ProcessRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

ProcessRun ProcessRun::of(
    QProcess &process, const std::function<bool(QProcess &)> &meanwhile, int timeoutMs)
{
    ProcessRun run;
    process.start();
    if (!process.waitForStarted(10000))
        return run;
    QElapsedTimer timer;
    timer.start();
    bool watching = bool(meanwhile);
    while (process.state() != QProcess::NotRunning && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (watching)
            watching = !meanwhile(process);
        process.waitForFinished(5);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
