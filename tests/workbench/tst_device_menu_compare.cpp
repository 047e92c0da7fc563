// The Device menu's backup and restore (progress, Cancel between slots, summary) on a simulated
// device, and the Compare window (sections, marked hex bytes, Check) opened from the Analyzer.
#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <functional>

#include "app/lib/DeviceMenu.h"
#include "devsim/lib/SimulatedDevice.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidSummary.h"
#include "edid/NewEdidTemplate.h"
#include "link/DeviceSession.h"
#include "shell/DebugLog.h"
#include "shell/Dialogs.h"
#include "shell/Pause.h"
#include "FaultTable.h"
#include "ScriptedDialogs.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "workbench/EdidCompareWindow.h"

namespace {

// Every box shown, as "kind: text".
QStringList boxesOf(const ScriptedDialogs &dialogs)
{
    QStringList boxes;
    for (const ScriptedDialogs::Message &m : dialogs.messages)
        boxes << m.kind + QStringLiteral(": ") + m.text;
    return boxes;
}

} // namespace

class TestDeviceMenuCompare : public QObject
{
    Q_OBJECT
  private slots:
    void menuFollowsTheConnection();
    void backupCancelAndRestore();
    void compareWindowSectionsHexAndCheck();
};

void TestDeviceMenuCompare::menuFollowsTheConnection()
{
    DebugLog log;
    DeviceSession session(log);
    SimulatedDevice device;
    QVERIFY(device.start());
    QMainWindow window;
    DeviceMenu menu(session, *window.menuBar(), window);
    QCOMPARE(window.menuBar()->actions().first()->text(), QStringLiteral("&Device"));
    QVERIFY(!menu.backupAction()->isEnabled());
    session.transport().setPortOverride({device.portPath()});
    session.search();
    QVERIFY(session.connected());
    QVERIFY(menu.backupAction()->isEnabled());
    QVERIFY(menu.restoreAction()->isEnabled());
    session.disconnect();
    QVERIFY(!menu.backupAction()->isEnabled());
    QVERIFY(!menu.restoreAction()->isEnabled());
}

void TestDeviceMenuCompare::backupCancelAndRestore()
{
    SimulatedDeviceConfig config;
    config.inputs = 2;
    config.outputs = 1;
    config.users = 2;
    config.internals = 2;
    SimulatedDevice device(config);
    QVERIFY(device.start());
    DebugLog log;
    DeviceSession session(log);
    session.transport().setPortOverride({device.portPath()});
    session.search();
    QVERIFY(session.connected());
    ScriptedDialogs dialogs;
    dialogs.confirmAnswer = true;
    QMainWindow window;
    DeviceMenu menu(session, *window.menuBar(), window);
    const EdidImage analysed = session.transferImage();

    // Cancel while the second slot is read: the first is saved whole, the rest not started.
    QTemporaryDir cancelled;
    QStringList labels;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&labels] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->isVisible()) {
                if (labels.isEmpty() || labels.last() != p->labelText())
                    labels << p->labelText();
                if (p->labelText().startsWith(QStringLiteral("Reading Input 2")))
                    p->cancel();
            }
    });
    watch.start(2);
    menu.backUpAllSlots(cancelled.path());
    watch.stop();
    QVERIFY2(labels.contains(QStringLiteral("Reading Input 1 (1 of 7)")), qPrintable(labels.join('|')));
    QVERIFY2(boxesOf(dialogs).last().startsWith(QStringLiteral("warning: ")), qPrintable(boxesOf(dialogs).last()));
    QVERIFY(boxesOf(dialogs).last().contains(QStringLiteral("Cancelled")));
    // Which slots the cancelled backup holds, named as the lists name them.
    QVERIFY2(boxesOf(dialogs).last().contains(QRegularExpression(QStringLiteral("the manifest holds Input 1(-2)?\\."))),
             qPrintable(boxesOf(dialogs).last()));
    const QStringList files = QDir(cancelled.path()).entryList({QStringLiteral("*.bin")});
    QVERIFY2(files.size() <= 2, qPrintable(files.join(',')));
    QVERIFY(QFile::exists(QDir(cancelled.path()).filePath(QStringLiteral("manifest.json"))));

    // A whole backup, two changed slots, a restore confirmed by the operator.
    QTemporaryDir dir;
    menu.backUpAllSlots(dir.path());
    QVERIFY2(boxesOf(dialogs).last().startsWith(QStringLiteral("information: 7 of 7 slots")), qPrintable(boxesOf(dialogs).last()));
    const EdidImage input1 = device.slotImage(0, 1), user2 = device.slotImage(2, 2);
    device.setSlotImage(0, 1, withSerial(input1, 0x51));
    device.setSlotImage(2, 2, withSerial(user2, 0x52));
    menu.restoreFromBackup(dir.path());
    QVERIFY2(boxesOf(dialogs).at(dialogs.messages.size() - 2).contains(QStringLiteral("Write 2 slot(s): input1, user2")),
             qPrintable(boxesOf(dialogs).join('\n')));
    QVERIFY2(boxesOf(dialogs).last().contains(QStringLiteral("user2: written, verified")), qPrintable(boxesOf(dialogs).last()));
    QVERIFY(device.slotImage(0, 1) == input1);
    QVERIFY(device.slotImage(2, 2) == user2);
    // The Analyzer's image is the one it analysed, whatever the runs read.
    QVERIFY(session.transferImage() == analysed);

    // Declined: nothing is written.
    device.setSlotImage(2, 1, withSerial(device.slotImage(2, 1), 0x53));
    const EdidImage declined = device.slotImage(2, 1);
    dialogs.confirmAnswer = false;
    menu.restoreFromBackup(dir.path());
    QVERIFY(device.slotImage(2, 1) == declined);

    // Failures end in a warning that names the slot, never in the summary of a success.
    struct Case
    {
        const char *name;
        std::function<void(SimulatedFaults &)> arm;
        bool backup;
        const char *shows;
    };
    const Case cases[] = {
        {"a quarter lost", [](SimulatedFaults &f) { f.onlyFor = Command::ND_ED1B, f.dropReplies = 1; }, true,
         "Input 1 failed: reading it failed: no answer to GET ND_ED1B"},
        {"the device stores a byte wrong", [](SimulatedFaults &f) { f.corruptStoredByte = 30; }, false,
         "user1: FAILED (byte 30 reads back"},
        // The plan's four ND_SELs, SYS_STM, ND_SEL, then the first quarter written.
        {"a write unanswered", [](SimulatedFaults &f) { f.dropSetReply = 4 + 3; }, false,
         "user1: FAILED (writing it failed"},
    };
    dialogs.confirmAnswer = true;
    for (const Case &c : cases) {
        QTemporaryDir target;
        c.arm(device.faults());
        if (c.backup)
            menu.backUpAllSlots(target.path());
        else
            menu.restoreFromBackup(dir.path());
        device.faults() = SimulatedFaults{};
        QVERIFY2(dialogs.last().kind == QLatin1String("warning") && dialogs.last().text.contains(QLatin1String(c.shows)),
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(c.name), boxesOf(dialogs).last())));
    }
    session.disconnect();
}

static EdidImage imageWithoutExtensionForCompare()
{
    EdidImage img = NewEdidTemplate;
    img[126] = 0;
    setEdidChecksums(img);
    return img;
}

void TestDeviceMenuCompare::compareWindowSectionsHexAndCheck()
{
    DebugLog log;
    DeviceSession session(log);
    EdidAnalyzerWindow analyzer;
    analyzer.attachSession(session);
    QPushButton *compareButton = analyzer.findChild<QPushButton *>(QStringLiteral("Button_Analyzer_Compare"));
    compareButton->click();
    QVERIFY(!analyzer.compareWindow()); // nothing analysed yet
    const EdidSummary summary = summariseEdid(session.analysisRecord(), NewEdidTemplate);
    analyzer.showAnalysis(session.analysisRecord(), summary);
    // Save, Open or Copy on the Controller page overwrite the analysis record's image afterwards;
    // Compare still compares the image the window shows.
    session.analysisRecord().image = imageWithoutExtensionForCompare();
    compareButton->click();
    EdidCompareWindow *compare = analyzer.compareWindow();
    QVERIFY(compare && compare->isVisible());
    QCOMPARE(compare->imageA(), NewEdidTemplate);
    QVERIFY(!compare->hasB());

    QTemporaryDir dir;
    EdidImage b = NewEdidTemplate;
    b[133] = 97;  // VIC 16 becomes 97
    b[142] = 0x20; // CEC 2.0.0.0
    setEdidChecksums(b);
    ScriptedDialogs dialogs;
    dialogs.fileAnswer = dir.filePath(QStringLiteral("b.bin"));
    QVERIFY(writeEdidBinFile(dialogs.fileAnswer.toStdString(), b));
    compare->findChild<QPushButton *>(QStringLiteral("Button_Compare_Choose"))->click();
    QVERIFY(compare->hasB());

    auto *answers = compare->findChild<QTableWidget *>(QStringLiteral("Table_Compare_Answers"));
    QCOMPARE(answers->rowCount(), 2);
    QCOMPARE(answers->item(0, 0)->text(), QStringLiteral("Max Resolution"));
    QCOMPARE(answers->item(0, 2)->text(), QStringLiteral("2160p@60Hz"));
    auto *features = compare->findChild<QTableWidget *>(QStringLiteral("Table_Compare_Features"));
    QCOMPARE(features->item(0, 0)->text(), QStringLiteral("Video codes"));
    QCOMPARE(features->item(0, 2)->text(), QStringLiteral("VIC 97 (4K 60Hz)"));
    auto *bytes = compare->findChild<QTableWidget *>(QStringLiteral("Table_Compare_Bytes"));
    QCOMPARE(bytes->rowCount(), 3); // the two bytes and block 1's checksum
    // Each part name shows whole on one line, so the rows are of one height.
    for (int r = 0; r < bytes->rowCount(); ++r) {
        QVERIFY(bytes->columnWidth(2) >= bytes->fontMetrics().horizontalAdvance(bytes->item(r, 2)->text()));
        QCOMPARE(bytes->rowHeight(r), bytes->rowHeight(0));
    }
    // Exactly the differing bytes are marked in each hex view.
    for (const char *name : {"Hex_Compare_A", "Hex_Compare_B"}) {
        const QString html = compare->findChild<QTextEdit *>(QString::fromLatin1(name))->toHtml();
        QCOMPARE(html.count(QStringLiteral("#ffb0b0")), 3);
    }

    // Check with a stand-in checker on PATH: findings of both images.
    QFile script(dir.filePath(QStringLiteral("edid-decode")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n/bin/cat >/dev/null\nprintf 'Failures:\\n\\nBlock 1, CTA-861 Extension Block:\\n  "
                 "Missing VCDB.\\n\\nEDID conformity: FAIL\\n'\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    compare->findChild<QPushButton *>(QStringLiteral("Button_Compare_Check"))->click();
    auto *findings = compare->findChild<QTableWidget *>(QStringLiteral("Table_Compare_Findings"));
    QCOMPARE(findings->rowCount(), 2);
    QCOMPARE(findings->item(1, 0)->text(), QStringLiteral("B"));
    QCOMPARE(findings->item(1, 1)->text(), QStringLiteral("failure"));
    QCOMPARE(findings->item(1, 2)->text(), QStringLiteral("block 1 (CTA-861 Extension Block)"));
    // Without the checker the table says so.
    qputenv("PATH", QByteArray("/nonexistent"));
    compare->check();
    QCOMPARE(findings->rowCount(), 1);
    QVERIFY(findings->item(0, 3)->text().contains(QStringLiteral("not installed")));
    qputenv("PATH", oldPath);
    compare->check();
    if (const QByteArray shot = qgetenv("KELM_COMPARE_PNG"); !shot.isEmpty())
        compare->grab().save(QString::fromLocal8Bit(shot));
}

QTEST_MAIN(TestDeviceMenuCompare)
#include "tst_device_menu_compare.moc"
