// pauseWithEvents against its contract: at least its time, counted in nanoseconds, with events
// handled meanwhile, nested pauses each keeping theirs, no descriptor left behind, and no core spun.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include "shell/Pause.h"

namespace {
int openDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

double cpuMs()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e3 + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e3;
}
} // namespace

class PauseTest : public QObject
{
    Q_OBJECT

  private slots:
    // outerMs pauses; innerMs > 0: a timer at 1 ms starts a pause of innerMs inside it (a click
    // during a device operation). Each must last its whole time, to the nanosecond.
    void lastsItsTime_data()
    {
        QTest::addColumn<int>("outerMs");
        QTest::addColumn<int>("innerMs");
        QTest::addColumn<int>("flags");
        const int all = QEventLoop::AllEvents;
        QTest::newRow("1 ms") << 1 << 0 << all;
        QTest::newRow("20 ms, a SET") << 20 << 0 << all;
        QTest::newRow("50 ms, a GET") << 50 << 0 << all;
        QTest::newRow("160 ms, the handshake") << 160 << 0 << all;
        QTest::newRow("inner outlasts outer") << 20 << 60 << all;
        QTest::newRow("inner within outer") << 60 << 20 << all;
        QTest::newRow("clicks held back") << 50 << 0 << int(QEventLoop::ExcludeUserInputEvents);
        QTest::newRow("descriptors left alone") << 50 << 0 << int(QEventLoop::ExcludeSocketNotifiers);
    }
    void lastsItsTime()
    {
        QFETCH(int, outerMs);
        QFETCH(int, innerMs);
        QFETCH(int, flags);
        qint64 innerNs = -1;
        if (innerMs > 0) {
            QTimer::singleShot(1, Qt::PreciseTimer, this, [&] {
                QElapsedTimer inner;
                inner.start();
                pauseWithEvents(innerMs);
                innerNs = inner.nsecsElapsed();
            });
        }
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] { ++ticks; });
        tick.start(0);
        QElapsedTimer clock;
        clock.start();
        pauseWithEvents(outerMs, QEventLoop::ProcessEventsFlags(flags));
        const qint64 ns = clock.nsecsElapsed();
        QVERIFY2(ns >= qint64(outerMs) * 1'000'000, qPrintable(QString::number(ns)));
        QVERIFY(ticks > 0); // events were handled
        if (innerMs > 0)
            QVERIFY2(innerNs >= qint64(innerMs) * 1'000'000, qPrintable(QString::number(innerNs)));
    }

    // A pause nested in one whose time has run out: the outer deadline must not keep waking the
    // inner pause's loop (a spinning core), and a thousand pauses leave no descriptor open.
    void nestedPauseIdlesAndNothingLeaks()
    {
        const int before = openDescriptors();
        for (int i = 0; i < 1000; ++i)
            pauseWithEvents(1);
        QCOMPARE(openDescriptors(), before);

        double innerCpu = -1;
        // Started once the outer pause waits for its deadline (not from its first event round).
        QTimer::singleShot(2, Qt::PreciseTimer, this, [&] {
            const double at = cpuMs();
            pauseWithEvents(200); // the outer pause's deadline passes 195 ms before this ends
            innerCpu = cpuMs() - at;
        });
        pauseWithEvents(5);
        QVERIFY(innerCpu >= 0);
        QVERIFY2(innerCpu < 100, qPrintable(QString::number(innerCpu)));
        QCOMPARE(openDescriptors(), before);
    }

    // Once the application is told to quit, the pause still lasts its time (sleeping).
    void keepsItsTimeWhenQuitting()
    {
        QTimer::singleShot(1, this, [] { QCoreApplication::exit(0); });
        QElapsedTimer clock;
        clock.start();
        pauseWithEvents(40);
        QVERIFY(clock.nsecsElapsed() >= 40'000'000);
        QVERIFY(applicationEnding());
    }
};

QTEST_GUILESS_MAIN(PauseTest)
#include "tst_pause.moc"
