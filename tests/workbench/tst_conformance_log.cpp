// The Creator's one-line conformance summary: appended to the log in the background when the
// checker is on PATH, nothing at all without it.
#include <QTemporaryDir>
#include <QtTest>

#include "edid/NewEdidTemplate.h"
#include "shell/DebugLog.h"
#include "workbench/ConformanceLog.h"

class TestConformanceLog : public QObject
{
    Q_OBJECT
  private slots:
    void summaryLineWithAndWithoutChecker_data();
    void summaryLineWithAndWithoutChecker();
};

void TestConformanceLog::summaryLineWithAndWithoutChecker_data()
{
    QTest::addColumn<QByteArray>("report"); // empty: no checker on PATH
    QTest::addColumn<QString>("line");
    QTest::newRow("no checker") << QByteArray() << QString();
    QTest::newRow("failures") << QByteArray("Failures:\nBlock 0, Base EDID:\n  a.\n  b.\nEDID:\n  c.\n\nEDID "
                                            "conformity: FAIL\n")
                              << QStringLiteral("Conformance check: 3 failures, 0 warnings (edid-decode).\r\n");
    QTest::newRow("clean") << QByteArray("EDID conformity: PASS\n")
                           << QStringLiteral("Conformance check: no findings (edid-decode).\r\n");
    QTest::newRow("no verdict") << QByteArray("garbage\n")
                                << QStringLiteral("Conformance check failed: garbage\r\n");
}

void TestConformanceLog::summaryLineWithAndWithoutChecker()
{
    QFETCH(QByteArray, report);
    QFETCH(QString, line);
    QTemporaryDir dir;
    if (!report.isEmpty()) {
        QFile r(dir.filePath(QStringLiteral("report.txt")));
        QVERIFY(r.open(QIODevice::WriteOnly) && r.write(report) == report.size());
        r.close();
        QFile s(dir.filePath(QStringLiteral("edid-decode")));
        QVERIFY(s.open(QIODevice::WriteOnly));
        s.write("#!/bin/sh\n/bin/cat '" + r.fileName().toLocal8Bit() + "'\n");
        s.close();
        s.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    DebugLog log;
    log.append(QStringLiteral("Edid Open OK.\r\n"));
    logConformanceSummary(log, NewEdidTemplate);
    qputenv("PATH", oldPath);
    const QString before = QStringLiteral("Edid Open OK.\r\n");
    if (line.isEmpty()) {
        QTest::qWait(200);
        QCOMPARE(log.text(), before);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(log.text(), before + line, 10000);
}

QTEST_MAIN(TestConformanceLog)
#include "tst_conformance_log.moc"
