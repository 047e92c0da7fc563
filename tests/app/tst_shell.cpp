// The shell's helpers that need no main window: pauseWithEvents, the named bitmaps, the command
// line and the file-dialog filters.
#include <QElapsedTimer>
#include <QPixmap>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "shell/Bitmaps.h"
#include "shell/Pause.h"
#include "app/lib/Application.h"
#include "app/lib/MainWindow.h"
#include "app/lib/QtDialogs.h"

class ShellTest : public QObject
{
    Q_OBJECT

  private slots:
    void pauseZeroHandlesNothing()
    {
        bool ran = false;
        QTimer::singleShot(0, this, [&] { ran = true; });
        pauseWithEvents(0);
        QVERIFY(!ran);
        QTRY_VERIFY(ran);
    }

    void pauseLastsAtLeastItsTime_data()
    {
        QTest::addColumn<int>("ms");
        QTest::newRow("1") << 1;
        QTest::newRow("20") << 20;
        QTest::newRow("50") << 50;
        QTest::newRow("160") << 160;
    }
    void pauseLastsAtLeastItsTime()
    {
        QFETCH(int, ms);
        bool ran = false;
        QTimer::singleShot(0, this, [&] { ran = true; });
        QElapsedTimer clock;
        clock.start();
        pauseWithEvents(ms);
        QVERIFY2(clock.elapsed() >= ms, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(ran); // events are handled at least once, even in a 1 ms pause
    }

    void timersTickInsideAPause()
    {
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(25);
        pauseWithEvents(400); // ample room for three ticks on a loaded machine
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    }

    void nestedPausesEachKeepTheirTime()
    {
        // A handler that pauses runs inside another pause (a click during a device operation).
        QElapsedTimer inner;
        qint64 innerTook = -1;
        QTimer::singleShot(5, this, [&] {
            inner.start();
            pauseWithEvents(100);
            innerTook = inner.elapsed();
        });
        QElapsedTimer outer;
        outer.start();
        pauseWithEvents(30);
        QVERIFY(outer.elapsed() >= 30);
        QVERIFY(innerTook >= 100);
    }

    void everyBitmapLoads()
    {
        QCOMPARE(kelmBitmapNames().size(), 14);
        for (const QString &name : kelmBitmapNames()) {
            const QPixmap pixmap(kelmBitmapPath(name));
            QVERIFY2(!pixmap.isNull(), qPrintable(name));
            if (name.endsWith(QStringLiteral("Gray"))) {
                // The two looks of a button have the same size and differ in colour.
                const QString colourName = name.chopped(4) + QStringLiteral("Color");
                const QPixmap colour(kelmBitmapPath(colourName));
                QVERIFY2(!colour.isNull(), qPrintable(colourName));
                QCOMPARE(pixmap.size(), colour.size());
                QVERIFY(pixmap.toImage() != colour.toImage());
            }
        }
        QVERIFY(QPixmap(kelmBitmapPath(QStringLiteral("NoSuchGlyph"))).isNull());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<bool>("demo");
        QTest::newRow("none") << QStringList{"kelm"} << true << QStringList{} << false;
        QTest::newRow("ports in order") << QStringList{"kelm", "--port", "/dev/pts/7", "--port=/dev/ttyUSB1"}
                                        << true << QStringList{"/dev/pts/7", "/dev/ttyUSB1"} << false;
        QTest::newRow("demo") << QStringList{"kelm", "--demo"} << true << QStringList{} << true;
        QTest::newRow("demo and port") << QStringList{"kelm", "--port", "/dev/pts/3", "--demo"} << true
                                       << QStringList{"/dev/pts/3"} << true;
        QTest::newRow("port without path")
            << QStringList{"kelm", "--port"} << false << QStringList{} << false;
        QTest::newRow("unknown option") << QStringList{"kelm", "--colour"} << false << QStringList{} << false;
        QTest::newRow("stray argument") << QStringList{"kelm", "file.bin"} << false << QStringList{} << false;
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, ok);
        QFETCH(QStringList, ports);
        QFETCH(bool, demo);
        StartupOptions options;
        QString error;
        QCOMPARE(parseStartupOptions(args, options, error), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (ok) {
            QCOMPARE(options.ports, ports);
            QCOMPARE(options.demo, demo);
        }
    }

    // Help is printed without a display: the windowing system is never started for it.
    void helpNeedsNoDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("--help") << "--help";
        QTest::newRow("-h") << "-h";
        QTest::newRow("--help-all") << "--help-all";
    }
    void helpNeedsNoDisplay()
    {
        QFETCH(QString, option);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QProcess kelm;
        kelm.setProcessEnvironment(env);
        kelm.start(QStringLiteral(KELM_PATH), {option});
        QVERIFY(kelm.waitForFinished(10000));
        QCOMPARE(kelm.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kelm.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(kelm.readAllStandardOutput());
        QVERIFY2(out.startsWith(QStringLiteral("Usage: ")) && out.contains(QStringLiteral("--port <PATH>")),
                 qPrintable(out));
    }

    void fileFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("edid") << "EDID (*.bin)|*.bin"
                              << "EDID (*.bin)";
        QTest::newRow("bare description") << "Firmware|*.bin;*.hex"
                                          << "Firmware (*.bin *.hex)";
        QTest::newRow("two pairs") << "EDID (*.bin)|*.bin|All|*"
                                   << "EDID (*.bin);;All (*)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fileFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(QtDialogs::toQtFilter(filter), qt);
    }
};

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
