// The whole main window with a simulated serial device and a simulated network device: Search lists
// both, clicking a row shows the pages for that kind of device in the Commander window. Runs in a
// private network namespace (with-lan.sh) because the main window binds and joins UDP.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ScriptedDialogs.h"
#include "shell/Pause.h"
#include "app/lib/MainWindow.h"
#include "devsim/lib/SimulatedDevice.h"
#include "devsim/lib/UdpDevice.h"
#include "link/DeviceSession.h"
#include "net/ui/CommanderWindow.h"
#include "net/ui/DeviceListController.h"
#include "system/SystemSettings.h"
#include "system/ui/SystemPage.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "workbench/EdidControllerPage.h"
#include "workbench/EdidCreatorPage.h"

namespace {

net::Discovery networkDevice()
{
    net::Discovery d;
    d.productId = "0107";
    d.productName = "HDX-IP";
    d.macBytes = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    d.macText = net::macToText(d.macBytes);
    d.ipAddress = "192.168.10.20";
    d.subnetMask = "255.255.255.0";
    d.gateway = "192.168.10.1";
    d.dns = "192.168.10.1";
    d.webPort = 80;
    d.telnetPort = 23;
    d.serialNum = "N0001";
    d.description = "Lobby";
    return d;
}

void saveShot(QWidget *w, const char *name)
{
    const QByteArray dir = qgetenv("KELM_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    w->grab(); // the first painting widens what is too narrow; layouts settle after it
    pauseWithEvents(50);
    w->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

void clickRow(QTableView *grid, int row)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

QByteArray imageBytes(const EdidImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size()));
}

constexpr int kInputKind = 0, kInternalKind = 3;
// In the default simulated device's "All" list (4 inputs, 1 output, 8 users, 8 internals).
constexpr int kInput1Item = 0, kInternal2Item = 17;

} // namespace

class MainWindowDeviceListTest : public QObject
{
    Q_OBJECT
  private slots:
    void searchListsBothKindsAndRowsChoosePages()
    {
        SimulatedDevice serial;
        QVERIFY(serial.start());
        UdpDevice network(networkDevice());
        QVERIFY(network.start());

        StartupOptions options;
        options.ports = {serial.portPath()};
        MainWindow w(options);
        QVERIFY(!w.startupRefused());
        w.move(40, 40);
        w.show();

        auto *grid = w.findChild<QTableView *>("StringGrid1");
        auto *pages = w.findChild<QTabWidget *>("PageControl1");
        QVERIFY(grid && pages);
        QTest::mouseClick(w.findChild<QPushButton *>("BitBtn_Search"), Qt::LeftButton);
        QVERIFY(w.session().connected());
        QCOMPARE(grid->model()->rowCount(), 2);
        // The network device answered during the handshake's pause: it took the first row.
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QString("ETHERNET"));
        QCOMPARE(grid->model()->index(0, 5).data().toString(), QString("00:11:22:33:44:55"));
        QCOMPARE(grid->model()->index(1, 1).data().toString(), serial.portPath());
        QCOMPARE(w.session().registry().selected(), 1);

        clickRow(grid, 0);
        CommanderWindow *commander = w.commanderWindow();
        QVERIFY(commander->isVisible());
        QCOMPARE(pages->window(), commander);
        QCOMPARE(pages->currentWidget()->objectName(), QString("TabSheet10"));
        QCOMPARE(w.findChild<QLabel *>("Label_Product_Name")->text(), QString("HDX-IP"));
        saveShot(&w, "main-window-network.png");
        saveShot(commander, "commander-network.png");

        clickRow(grid, 1);
        QCOMPARE(w.session().registry().selected(), 1);
        QCOMPARE(pages->currentWidget()->objectName(), QString("TabSheet1"));
        QVERIFY(!pages->isTabVisible(pages->indexOf(w.findChild<QWidget *>("TabSheet10"))));
        saveShot(&w, "main-window-serial.png");
        saveShot(commander, "commander-serial.png");

        // Disconnect closes the Commander window.
        QTest::mouseClick(w.findChild<QPushButton *>("BitBtn_Disconnect"), Qt::LeftButton);
        QVERIFY(commander->isHidden());
    }

    // The network device answers before the serial handshake. Nothing is chosen until the operator
    // chooses; with the network row chosen no serial action reaches the serial device or writes
    // into the network row; the Analyzer's Modify carries the image it shows.
    void actsOnlyOnTheChosenDevice()
    {
        SimulatedDevice serial;
        QVERIFY(serial.start());
        UdpDevice network(networkDevice());
        QVERIFY(network.start());
        ScriptedDialogs dialogs;
        dialogs.confirmAnswer = true;
        QTemporaryDir dir;

        StartupOptions options;
        options.ports = {serial.portPath()};
        MainWindow w(options);
        w.move(40, 40);
        w.show();
        QApplication::setActiveWindow(&w);
        auto *grid = w.findChild<QTableView *>("StringGrid1");
        auto *pages = w.findChild<QTabWidget *>("PageControl1");
        auto *search = w.findChild<QPushButton *>("BitBtn_Search");
        CommanderWindow *commander = w.commanderWindow();
        DeviceSession &session = w.session();
        search->setFocus(); // disabling it hands the focus on to the grid
        QTest::mouseClick(search, Qt::LeftButton);
        QVERIFY(session.connected());
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QString("ETHERNET"));
        pauseWithEvents(100);
        QVERIFY(!commander->isVisible());
        QCOMPARE(w.deviceList()->highlightRow(), 0);
        QCOMPARE(session.registry().selected(), 1);

        // The first Commander position is beside the main window, however far it was.
        commander->move(0, 0);
        clickRow(grid, 0);
        QVERIFY(commander->isVisible());
        QCOMPARE(commander->pos(), w.pos() + QPoint(DeviceListController::kCommanderLeftOffset,
                                                    DeviceListController::kCommanderTopOffset));
        QCOMPARE(pages->currentWidget()->objectName(), QString("TabSheet10"));
        QCOMPARE(w.deviceList()->highlightRow(), 1);

        // The serial pages stay in sight; their device actions are disabled, the creator's file
        // actions are not.
        for (const char *page : {"TabSheet1", "TabSheet4", "TabSheet2"})
            QVERIFY2(pages->isTabVisible(pages->indexOf(w.findChild<QWidget *>(page))), page);
        for (const char *name : {"SpeedButton_SaveEdid", "SpeedButton_OpenEdid", "SpeedButton_AnalysisEdid",
                                 "SpeedButton_CopyEdid_Src2Dest", "GroupBox12", "SpeedButton_CopyEdid_Creator",
                                 "SpeedButton_SysConfig", "SpeedButton_SysDefault", "SpeedButton_OpenFw",
                                 "SpeedButton_UpdateFw"})
            QVERIFY2(!w.findChild<QWidget *>(name)->isEnabled(), name);
        for (const char *name : {"SpeedButton_OpenEdid_New", "SpeedButton_OpenEdid_Creator",
                                 "SpeedButton_SaveEdid_Creator"})
            QVERIFY2(w.findChild<QWidget *>(name)->isEnabled(), name);
        for (const char *page : {"TabSheet1", "TabSheet4", "TabSheet2"}) {
            pages->setCurrentWidget(w.findChild<QWidget *>(page));
            saveShot(commander, qPrintable(QStringLiteral("commander-network-chosen-%1.png").arg(page)));
        }
        pages->setCurrentWidget(w.findChild<QWidget *>("TabSheet10"));

        // Run as the window would if a click got through: nothing but the poll reaches the device,
        // and neither the network row nor its record changes, also across polls.
        auto *controllerPage = w.findChild<EdidControllerPage *>();
        auto *creatorPage = w.findChild<EdidCreatorPage *>();
        auto *systemPage = w.findChild<SystemPage *>();
        const QStringList networkRow = session.registry().rows()[0];
        const SYS_STATUS networkRecord = session.registry().status(0);
        serial.clearRequests();
        dialogs.fileAnswer = dir.filePath("never.bin");
        controllerPage->SpeedButton_SaveEdidClick();
        controllerPage->SpeedButton_OpenEdidClick();
        controllerPage->SpeedButton_AnalysisEdidClick();
        controllerPage->SpeedButton_CopyEdid_Src2DestClick();
        controllerPage->modeButtonPressed(0, 1);
        creatorPage->SpeedButton_OpenEdid_NewClick();
        creatorPage->SpeedButton_CopyEdid_CreatorClick();
        // The creator's file actions work, without the serial device's file-dialog bracket.
        dialogs.fileAnswer = dir.filePath("created.bin");
        creatorPage->SpeedButton_SaveEdid_CreatorClick();
        QCOMPARE(QFile(dialogs.fileAnswer).size(), 256);
        creatorPage->SpeedButton_OpenEdid_CreatorClick();
        dialogs.fileAnswer = dir.filePath("never.bin");
        QCOMPARE(systemPage->settings()->applyProductString("Other"), SystemSettings::Result::NotConnected);
        QCOMPARE(systemPage->settings()->resetToDefaults(), SystemSettings::Result::NotConnected);
        pauseWithEvents(2300); // a status poll or two
        for (const SimulatedRequest &r : serial.requests())
            QVERIFY2(r.line.startsWith("$GET RXEDMD"), r.line.constData());
        QVERIFY(!QFile::exists(dialogs.fileAnswer));
        QCOMPARE(session.registry().rows()[0], networkRow);
        QVERIFY(session.registry().status(0).inputNodes == networkRecord.inputNodes);
        QCOMPARE(session.registry().status(0).productString, networkRecord.productString);

        // The serial row: its actions come back. Analyse input 1, save internal 2 (which reads it
        // into the analysis record), then Modify: the creator gets input 1's image, the one shown.
        clickRow(grid, 1);
        QCOMPARE(session.registry().selected(), 1);
        QVERIFY(w.findChild<QWidget *>("SpeedButton_SysDefault")->isEnabled());
        QVERIFY(w.findChild<QWidget *>("SpeedButton_CopyEdid_Creator")->isEnabled());
        auto *all = w.findChild<QComboBox *>("ComboBox_EdidSel_All");
        all->setCurrentIndex(kInput1Item);
        controllerPage->SpeedButton_AnalysisEdidClick();
        QVERIFY(w.analyzerWindow()->isVisible());
        all->setCurrentIndex(kInternal2Item);
        dialogs.fileAnswer = dir.filePath("internal2.bin");
        controllerPage->SpeedButton_SaveEdidClick();
        QFile saved(dialogs.fileAnswer);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), imageBytes(serial.slotImage(kInternalKind, 2)));
        QVERIFY(!(serial.slotImage(kInternalKind, 2) == serial.slotImage(kInputKind, 1)));
        w.analyzerWindow()->SpeedButton_OpenEdid_AnalysisClick();
        QVERIFY(session.creatorRecord().image == serial.slotImage(kInputKind, 1));
        QCOMPARE(pages->currentWidget(), creatorPage);
        QTest::mouseClick(w.findChild<QPushButton *>("BitBtn_Disconnect"), Qt::LeftButton);
    }
};

int main(int argc, char **argv)
{
    const char *inNetns = std::getenv("KELM_IN_NETNS");
    if (!inNetns || std::strcmp(inNetns, "1") != 0) {
        std::fputs("these tests run only inside a private network namespace (tests/netns-run.sh)\n", stderr);
        return 77;
    }
    QApplication app(argc, argv);
    MainWindowDeviceListTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_main_window.moc"
