// Starting kelm while another copy runs, or while the discovery port is taken: the new copy warns
// and ends without ever showing its window; the running copy is asked to come to the front.
// Every process here shares this test's private network namespace.
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>
#include <memory>

#include "ScriptedDialogs.h"
#include "app/lib/KelmApplication.h"
#include "app/lib/MainWindow.h"

namespace {

const QString kShown = QStringLiteral("main window shown");
const QString kWarning = QStringLiteral("KELM already executed !");

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QString stderrText;
};

// Starts kelm with the offscreen platform, message boxes on stderr and the start-up trace on, and
// keeps this process's event loop running while waiting (the running copy must answer).
Run runKelm(int waitMs, bool killAfterShown = false)
{
    QProcess kelm;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KELM_HEADLESS_DIALOGS"), QStringLiteral("1"));
    env.insert(QStringLiteral("KELM_STARTUP_TRACE"), QStringLiteral("1"));
    kelm.setProcessEnvironment(env);
    kelm.start(QStringLiteral(KELM_PATH), {});
    Run run;
    if (!kelm.waitForStarted(5000))
        return run;
    QString err;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < waitMs && kelm.state() != QProcess::NotRunning) {
        QTest::qWait(20);
        err += QString::fromLocal8Bit(kelm.readAllStandardError());
        if (killAfterShown && err.contains(kShown))
            break;
    }
    run.finished = kelm.state() == QProcess::NotRunning;
    if (!run.finished) {
        kelm.kill();
        kelm.waitForFinished(5000);
    }
    err += QString::fromLocal8Bit(kelm.readAllStandardError());
    run.exitCode = kelm.exitStatus() == QProcess::NormalExit ? kelm.exitCode() : -1;
    run.stderrText = err;
    return run;
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

  private slots:
    void aloneItStartsAndShowsItsWindow()
    {
        // The same run as below with nothing in the way: proves the trace line is what tells.
        const Run run = runKelm(15000, true);
        QVERIFY2(run.stderrText.contains(kShown), qPrintable(run.stderrText));
        QVERIFY(!run.stderrText.contains(kWarning));
    }

    void secondCopyIsRefused()
    {
        ScriptedDialogs dialogs;
        MainWindow first;
        QVERIFY(!first.startupRefused());
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        QSignalSpy raised(&first.instanceGuard(), &InstanceGuard::activationRequested);

        const Run second = runKelm(15000);
        QVERIFY2(second.finished, "the second copy kept running");
        QCOMPARE(second.exitCode, 0);
        QVERIFY2(second.stderrText.contains(kWarning), qPrintable(second.stderrText));
        QVERIFY2(!second.stderrText.contains(kShown), qPrintable(second.stderrText));
        QTRY_COMPARE(raised.count(), 1);
        QVERIFY(first.isVisible());
        QVERIFY(dialogs.messages.isEmpty()); // the running copy shows nothing
    }

    void takenDiscoveryPortIsRefused()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 31002));
        const Run run = runKelm(15000);
        QVERIFY2(run.finished, "kelm kept running");
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.stderrText.contains(kWarning), qPrintable(run.stderrText));
        QVERIFY(run.stderrText.contains(QStringLiteral("Warning")));
        QVERIFY2(!run.stderrText.contains(kShown), qPrintable(run.stderrText));
    }

    void refusedInProcessToo()
    {
        // The same decision seen from inside: the window reports it must not be shown.
        ScriptedDialogs dialogs;
        MainWindow first;
        MainWindow second;
        QVERIFY(!first.startupRefused());
        QVERIFY(second.startupRefused());
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().kind, QStringLiteral("warning"));
        QCOMPARE(dialogs.messages.first().caption, QStringLiteral("Warning"));
        QCOMPARE(dialogs.messages.first().text, kWarning);
    }
};

int main(int argc, char **argv)
{
    KelmApplication app(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "netns_tst_single_instance.moc"
