#pragma once

// A program run as its own process while this process goes on handling events, so a simulated
// device living on this thread keeps answering it (QtTest and GoogleTest with a QCoreApplication).
// The Qt-free runner for commands that need no device is KelmctlRun.h.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "shell/Pause.h"

struct ProgramRun
{
    int exitCode = -1; // -1 when it did not start, crashed or was stopped at the time limit
    QByteArray outBytes;
    QString out;
    QString err;
};

inline ProgramRun runServingEvents(const QString &program, const QStringList &args, int timeoutMs = 60000)
{
    QProcess p;
    p.start(program, args);
    ProgramRun run;
    if (!p.waitForStarted(5000))
        return run;
    QElapsedTimer clock;
    clock.start();
    while (p.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs)
        pauseWithEvents(5);
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.outBytes = p.readAllStandardOutput();
    run.out = QString::fromLocal8Bit(run.outBytes);
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}

#ifdef KELMCTL_PATH
// The kelmctl of this build; KELMCTL_UNDER_TEST runs the same tests against another build
// (figures before and after a change).
inline QString kelmctlUnderTest()
{
    return qEnvironmentVariable("KELMCTL_UNDER_TEST", QStringLiteral(KELMCTL_PATH));
}

inline ProgramRun runKelmctl(const QStringList &args, int timeoutMs = 60000)
{
    return runServingEvents(kelmctlUnderTest(), args, timeoutMs);
}

// kelmctl on one port (a simulated device's).
inline ProgramRun runKelmctlOn(const QString &port, const QStringList &args, int timeoutMs = 60000)
{
    return runKelmctl(QStringList{QStringLiteral("--port"), port} + args, timeoutMs);
}
#endif
