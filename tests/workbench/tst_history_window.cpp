// The Device menu's History window on a simulated device: the writes listed with the Analyzer's
// view of both images, Compare with both, and Write back (confirmed, one operation at a time,
// read back, recorded itself).
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/lib/DeviceMenu.h"
#include "app/lib/HistoryWindow.h"
#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"
#include "link/SlotHistory.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "shell/DebugLog.h"
#include "FaultTable.h"
#include "ScriptedDialogs.h"
#include "workbench/EdidCompareWindow.h"

class TestHistoryWindow : public QObject
{
    Q_OBJECT
  private slots:
    void listsComparesAndWritesBack();
};

void TestHistoryWindow::listsComparesAndWritesBack()
{
    QTemporaryDir root;
    SlotHistory history(root.path());
    DebugLog log;
    DeviceSession session(log);
    session.setSlotHistory(&history);
    SimulatedDeviceConfig config;
    config.users = 2;
    SimulatedDevice device(inTestedReplyForm(config));
    QVERIFY(device.start());
    QMainWindow window;
    DeviceMenu menu(session, *window.menuBar(), window);
    QVERIFY(!menu.historyAction()->isEnabled());
    session.transport().setPortOverride({device.portPath()});
    session.search();
    QVERIFY(session.connected());
    QVERIFY(menu.historyAction()->isEnabled());

    const EdidImage before = seededImage(0x71), copied = seededImage(0x72);
    device.setSlotImage(2, 1, before);
    device.setSlotImage(0, 1, copied);
    QCOMPARE(copySlot(session, makeSlotCode(SlotKind::Input, 1), makeSlotCode(SlotKind::User, 1)), CopyResult::Copied);

    HistoryWindow *shown = menu.showHistory();
    QVERIFY(shown->isVisible());
    QTableWidget *table = shown->findChild<QTableWidget *>(QStringLiteral("Table_History"));
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("User 1"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("copy (input1)"));
    QCOMPARE(table->item(0, 3)->text(), QStringLiteral("read back"));
    // Both images are valid EDIDs: the Analyzer's name and resolution, not a placeholder.
    QVERIFY(!table->item(0, 4)->text().startsWith(QLatin1Char('(')));
    QVERIFY(!table->item(0, 5)->text().startsWith(QLatin1Char('(')));

    shown->compare(0);
    QVERIFY(shown->compareWindow() && shown->compareWindow()->isVisible());
    QCOMPARE(shown->compareWindow()->imageA(), before);
    QVERIFY(!shown->compareWindow()->diff().identical());

    ScriptedDialogs dialogs;
    struct Case
    {
        const char *name;
        bool confirm;
        bool operationRunning;
        bool written;
    };
    const Case cases[] = {
        {"cancelled", false, false, false},
        {"another operation runs", true, true, false},
        {"confirmed", true, false, true},
    };
    for (const Case &c : cases) {
        dialogs.confirmAnswer = c.confirm;
        CommandChannel::Operation other;
        if (c.operationRunning)
            other = session.channel().beginOperation(QStringLiteral("Copy"));
        QVERIFY2(shown->writeBack(0) == c.written, c.name);
        other.end();
        QVERIFY2(device.slotImage(2, 1) == (c.written ? before : copied), c.name);
    }
    QVERIFY(dialogs.last().text.contains(QStringLiteral("User 1")));
    QVERIFY(shown->statusText().contains(QStringLiteral("read back")));
    // The write back is a write of its own, newest first, and can itself be undone.
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(shown->entries().first().operation, QStringLiteral("write back"));
    QCOMPARE(shown->entries().first().before, imageSha256Hex(copied));
    QCOMPARE(shown->entries().first().after, imageSha256Hex(before));

    if (qEnvironmentVariableIsSet("KELM_HISTORY_PNG"))
        shown->grab().save(qEnvironmentVariable("KELM_HISTORY_PNG"));
}

QTEST_MAIN(TestHistoryWindow)
#include "tst_history_window.moc"
