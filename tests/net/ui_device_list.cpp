// The device list and the pages it drives: painting, choosing serial, firmware-update and network
// rows, the "IP Configure" page and the Commander window. Runs in a private network namespace
// whose loopback carries the discovery traffic (with-lan.sh); serial devices are simulated on
// pseudo-terminals.
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ScriptedDialogs.h"
#include "devsim/lib/SimulatedDevice.h"
#include "devsim/lib/UdpDevice.h"
#include "firmware/ui/FirmwareGroup.h"
#include "link/DeviceSession.h"
#include "net/DiscoveryService.h"
#include "net/ui/CommanderWindow.h"
#include "net/ui/DeviceListController.h"
#include "net/ui/DeviceListDelegate.h"
#include "net/ui/DeviceListModel.h"
#include "net/ui/IpConfigPage.h"
#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "system/ui/SystemPage.h"
#include "workbench/EdidControllerPage.h"
#include "workbench/ModeSelectGroup.h"

using namespace net;

namespace {

// Records the addresses handed to the system's browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void open(const QUrl &url) { urls << url; }
};

Discovery networkDevice(uint8_t last, const std::string &name)
{
    Discovery d;
    d.productId = "1234";
    d.productName = name;
    d.macBytes = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, last};
    d.macText = macToText(d.macBytes);
    d.ipAddress = "192.168.1.10";
    d.subnetMask = "255.255.255.0";
    d.gateway = "192.168.1.1";
    d.dns = "8.8.8.8";
    d.webPort = 80;
    d.telnetPort = 23;
    d.serialNum = "SN-" + std::to_string(last);
    d.description = "Rack <b>2</b>";
    return d;
}

QByteArray bytes(const std::vector<uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), static_cast<qsizetype>(v.size()));
}

// The main window's pieces that the device list drives, laid out as the main window has them.
struct Bench
{
    DebugLog log;
    DeviceSession session{log};
    DiscoveryService discovery{session.registry(), log};
    QWidget main;
    QTableView *grid = nullptr;
    QTabWidget *pages = nullptr;
    IpConfigPage *ipPage = nullptr;
    QWidget *controllerPage = nullptr;
    QWidget *creatorPage = nullptr;
    QWidget *systemPage = nullptr;
    CommanderWindow *commander = nullptr;
    DeviceListController *controller = nullptr;

    Bench()
    {
        QObject::connect(&session.serialSearch(), &SerialSearch::networkDiscoveryRequested, &discovery,
                         &DiscoveryService::sendDiscoveryRequest);
        main.setObjectName("TForm1");
        main.resize(520, 260);
        // The rows follow the session's registry, as in the main window.
        grid = new QTableView(&main);
        grid->setModel(new DeviceListModel(session.registry(), grid));
        grid->setObjectName("StringGrid1");
        grid->verticalHeader()->hide();
        grid->setGeometry(8, 8, 420, 200);
        grid->horizontalHeader()->setMinimumSectionSize(1);
        grid->verticalHeader()->setMinimumSectionSize(1);
        const int widths[6] = {22, 75, 75, 75, 75, 75};
        for (int c = 0; c < 6; ++c)
            grid->setColumnWidth(c, widths[c]);
        grid->verticalHeader()->setDefaultSectionSize(21);
        QFont f(QStringLiteral("DejaVu Sans Mono"));
        f.setBold(true);
        grid->setFont(f);

        pages = new QTabWidget(&main);
        pages->setObjectName("PageControl1");
        ipPage = new IpConfigPage;
        controllerPage = new EdidControllerPage(log);
        creatorPage = new QWidget;
        creatorPage->setObjectName("TabSheet4");
        systemPage = new SystemPage(log);
        pages->addTab(ipPage, "IP Configure");
        pages->addTab(controllerPage, "EDID Controller");
        pages->addTab(creatorPage, "EDID Creator");
        pages->addTab(systemPage, "System");
        pages->setGeometry(600, 8, 450, 450);
        commander = new CommanderWindow(&main);
        main.move(100, 100);
        main.show();
        DeviceListTargets targets;
        targets.grid = grid;
        targets.pages = pages;
        targets.ipConfigPage = ipPage;
        targets.controllerPage = controllerPage;
        targets.creatorPage = creatorPage;
        auto *firmware = static_cast<SystemPage *>(systemPage)->firmwareGroup();
        targets.firmwareProgress = firmware->statusLabel();
        targets.firmwarePath = firmware->pathEdit();
        targets.firmwareVersion = firmware->versionLabel();
        targets.configurationGroup = static_cast<SystemPage *>(systemPage)->configurationGroup();
        targets.productString = static_cast<SystemPage *>(systemPage)->productStringEdit();
        targets.copyPanel = static_cast<EdidControllerPage *>(controllerPage)->copyPanel();
        targets.showModeCounts = [group = static_cast<EdidControllerPage *>(controllerPage)->modeSelectGroup()](
                                     int internal, int user) { group->showModeCounts(internal, user); };
        controller = new DeviceListController(main, session, discovery, targets);
    }

    void listNetwork(const Discovery &d) { discovery.onDiscoveryDatagram(bytes(makeDiscoveryReply(d))); }
    bool tabVisible(QWidget *page) const { return pages->isTabVisible(pages->indexOf(page)); }
    template <class T> T *child(const char *name) const
    {
        return main.findChild<T *>(QString::fromLatin1(name));
    }
};

QColor pixelIn(QTableView *grid, int row, int column)
{
    grid->viewport()->grab(); // the first painting may still widen columns
    QCoreApplication::processEvents();
    const QImage image = grid->viewport()->grab().toImage();
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    return image.pixelColor(cell.left() + 2, cell.center().y());
}

QList<QByteArray> requestLines(const SimulatedDevice &d)
{
    QList<QByteArray> lines;
    for (const SimulatedRequest &r : d.requests())
        lines << r.line;
    return lines;
}

void saveShot(QWidget *w, const char *name)
{
    const QByteArray dir = qgetenv("KELM_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        w->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

} // namespace

class DeviceListTest : public QObject
{
    Q_OBJECT
  private slots:
    void init() { setDialogs(&m_dialogs), m_dialogs.messages.clear(); }
    void cleanup() { setDialogs(nullptr); }

    void emptyListAndHeaderChangeNothing()
    {
        Bench b;
        b.session.registry().select(0);
        b.controller->StringGrid1SelectCell(1, 1);
        QCOMPARE(b.controller->highlightRow(), 0);
        QVERIFY(b.commander->isHidden());

        b.listNetwork(networkDevice(1, "A"));
        b.controller->StringGrid1SelectCell(0, 0);
        QCOMPARE(b.controller->highlightRow(), 0);
        QVERIFY(b.commander->isHidden());

        // A row left over from an earlier search lists no device.
        b.session.registry().setRowCount(4);
        b.controller->StringGrid1SelectCell(0, 3);
        QCOMPARE(b.controller->highlightRow(), 0);
    }

    void selectionPaintsTheChosenRow()
    {
        Bench b;
        for (uint8_t i = 1; i <= 3; ++i)
            b.listNetwork(networkDevice(i, "P" + std::to_string(i)));
        QCOMPARE(b.grid->model()->rowCount(), 3);
        const QColor before = pixelIn(b.grid, 2, 0);
        QCOMPARE(before, b.grid->palette().color(QPalette::Base));

        b.controller->StringGrid1SelectCell(0, 3);
        QCOMPARE(b.session.registry().selected(), 2);
        QCOMPARE(b.controller->highlightRow(), 3);
        QCOMPARE(pixelIn(b.grid, 2, 0), DeviceListDelegate::kAqua);
        QCOMPARE(pixelIn(b.grid, 0, 3), DeviceListDelegate::kWhite);
        QCOMPARE(pixelIn(b.grid, 1, 5), DeviceListDelegate::kWhite);
        saveShot(b.grid, "device-list.png");

        // A new search keeps the painted row until the next choice.
        b.session.registry().select(0);
        QCOMPARE(b.controller->highlightRow(), 3);
    }

    void longTextsGrowTheirCells()
    {
        Bench b;
        const std::string name = "An unusually long product name";
        b.listNetwork(networkDevice(1, name));
        b.grid->viewport()->grab(); // painting is what widens the column
        QCoreApplication::processEvents();
        const QFontMetrics metrics(b.grid->font());
        QCOMPARE(b.grid->columnWidth(2), metrics.horizontalAdvance(QString::fromStdString(name)) + 8);
        QCOMPARE(b.grid->columnWidth(0), 22); // short texts leave their column alone
        // Captions count as texts of the header row.
        const int interfaceWidth =
            std::max(metrics.horizontalAdvance("ETHERNET"),
                     QFontMetrics(b.grid->horizontalHeader()->font()).horizontalAdvance("Interface"));
        QCOMPARE(b.grid->columnWidth(1), std::max(75, interfaceWidth + 8));

        QFont big = b.grid->font();
        big.setPixelSize(30);
        b.grid->setFont(big);
        b.grid->viewport()->grab();
        QCoreApplication::processEvents();
        QCOMPARE(b.grid->rowHeight(0), QFontMetrics(big).height() + 4);
    }

    void networkDeviceFillsTheIpPage()
    {
        Bench b;
        b.listNetwork(networkDevice(1, "First"));
        Discovery d = networkDevice(0x5F, "HDX-44");
        d.ipMode = 1;
        d.webPort = 8080;
        b.listNetwork(d);
        auto *fwLabel = b.child<QLabel>("Label1");
        QVERIFY(fwLabel);
        fwLabel->setText("57%");
        b.pages->setTabVisible(b.pages->indexOf(b.ipPage), false);
        b.pages->setCurrentWidget(b.controllerPage);
        b.commander->move(1400, 100);

        b.controller->StringGrid1SelectCell(2, 2);
        QCOMPARE(b.session.registry().selected(), 1);
        QVERIFY(b.tabVisible(b.ipPage));
        QCOMPARE(b.pages->currentWidget(), b.ipPage);
        QVERIFY(b.tabVisible(b.controllerPage)); // other pages keep their visibility
        QCOMPARE(b.child<QLabel>("Label_Product_ID")->text(), QString("1234"));
        QCOMPARE(b.child<QLabel>("Label_Product_Name")->text(), QString("HDX-44"));
        QCOMPARE(b.child<QLabel>("Label_MAC_Addr")->text(), QString("0A:1B:2C:3D:4E:5F"));
        QCOMPARE(b.child<QComboBox>("ComboBox_IP_Mode")->currentText(), QString("DHCP"));
        QCOMPARE(b.child<QLineEdit>("Edit_IP_Address")->text(), QString("192.168.1.10"));
        QCOMPARE(b.child<QLineEdit>("Edit_SubNet_Mask")->text(), QString("255.255.255.0"));
        QCOMPARE(b.child<QLineEdit>("Edit_GateWay_IP")->text(), QString("192.168.1.1"));
        QCOMPARE(b.child<QLineEdit>("Edit_DNS")->text(), QString("8.8.8.8"));
        QCOMPARE(b.child<QLineEdit>("Edit_WebGUI_Port")->text(), QString("8080"));
        QCOMPARE(b.child<QLineEdit>("Edit_Telnet_Port")->text(), QString("23"));
        QCOMPARE(b.child<QLabel>("Label_Serial_Num")->text(), QString("SN-95"));
        auto *description = b.child<QLabel>("Label_Description");
        QCOMPARE(description->text(), QString("Rack <b>2</b>"));
        QCOMPARE(description->textFormat(), Qt::PlainText);
        QVERIFY(b.child<QWidget>("Panel65")->isHidden());
        QCOMPARE(fwLabel->text(), QString("0%"));
        QCOMPARE(fwLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
        QVERIFY(b.child<QLineEdit>("Edit_Product_String")->text().isEmpty());

        // The pages now live in the Commander window, which came next to the main window.
        QCOMPARE(b.pages->parentWidget(), b.commander->panel());
        QVERIFY(b.commander->isVisible());
        QCOMPARE(b.commander->pos(), b.main.pos() + QPoint(520, 80));
        // Close enough: it stays where the operator put it.
        b.commander->move(b.main.pos() + QPoint(800, 250));
        b.controller->StringGrid1SelectCell(0, 1);
        QCOMPARE(b.commander->pos(), b.main.pos() + QPoint(800, 250));
        QCOMPARE(b.child<QLabel>("Label_Product_Name")->text(), QString("First"));
        b.ipPage->resize(450, 420);
        saveShot(b.ipPage, "ip-configure.png");
    }

    void settingsAndWebInterface()
    {
        Bench b;
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("http", &catcher, "open");
        b.listNetwork(networkDevice(1, "A"));
        b.controller->StringGrid1SelectCell(0, 1);

        auto *web = b.child<QToolButton>("SpeedButton1");
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl("http://192.168.1.10/")});

        b.child<QLineEdit>("Edit_WebGUI_Port")->setText("8080");
        b.child<QLineEdit>("Edit_IP_Address")->setText("10.0.0.9");
        QTest::mouseClick(b.child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QVERIFY(m_dialogs.messages.isEmpty());
        QCOMPARE(b.discovery.discoveryTable[0].webPort, 8080);
        QCOMPARE(b.discovery.discoveryTable[0].ipAddress, std::string("10.0.0.9"));
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(catcher.urls.last(), QUrl("http://10.0.0.9:8080/"));

        // An address of three pieces is left out of what is sent, and the page says so.
        b.child<QLineEdit>("Edit_IP_Address")->setText("10.0.0");
        b.child<QLineEdit>("Edit_WebGUI_Port")->setText("8081");
        QTest::mouseClick(b.child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QCOMPARE(m_dialogs.texts("warning"),
                 QStringList{"Not sent: IP Address '10.0.0' (an address is four numbers separated by dots)."});
        QCOMPARE(b.discovery.discoveryTable[0].ipAddress, std::string("10.0.0.9"));
        QCOMPARE(b.discovery.discoveryTable[0].webPort, 8081);
        m_dialogs.messages.clear();
        b.child<QLineEdit>("Edit_IP_Address")->setText("10.0.0.9");

        // Nothing to convert: the message, and nothing stored.
        b.child<QLineEdit>("Edit_Telnet_Port")->clear();
        b.child<QLineEdit>("Edit_DNS")->setText("1.1.1.1");
        QTest::mouseClick(b.child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QCOMPARE(m_dialogs.texts(), QStringList{"'' is not a valid integer value"});
        QCOMPARE(b.discovery.discoveryTable[0].dns, std::string("8.8.8.8"));

        // Web port 0: the buttons do nothing.
        b.discovery.discoveryTable[0].webPort = 0;
        const qsizetype opened = catcher.urls.size();
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(catcher.urls.size(), opened);

        // After a new search the page's device is gone: nothing is sent for a stale entry.
        b.session.registry().clearList();
        b.discovery.discoveryTable[0].webPort = 80;
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(catcher.urls.size(), opened);

        // Another device answers first at the new search: the page still holds the old device's
        // values, which must not be sent to (nor open the web interface of) the one now at index 0.
        Discovery other = networkDevice(2, "B");
        other.webPort = 8080;
        b.listNetwork(other);
        QCOMPARE(b.session.registry().selected(), 0);
        b.child<QLineEdit>("Edit_Telnet_Port")->setText("23");
        QTest::mouseClick(b.child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(catcher.urls.size(), opened);
        QCOMPARE(b.discovery.discoveryTable[0], other);
        // Choosing its row shows it, and then it can be set.
        b.controller->StringGrid1SelectCell(0, 1);
        b.child<QLineEdit>("Edit_Telnet_Port")->setText("2323");
        QTest::mouseClick(b.child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QCOMPARE(b.discovery.discoveryTable[0].telnetPort, 2323);
        QDesktopServices::unsetUrlHandler("http");
    }

    void serialDeviceLaysOutThePages()
    {
        SimulatedDeviceConfig config;
        config.internals = 3;
        config.users = 5;
        config.inputs = 2;
        config.outputs = 1;
        config.inputNode.copyAvailable = false;
        SimulatedDevice dev(config);
        QVERIFY(dev.start());
        Bench b;
        b.session.transport().setPortOverride({dev.portPath()});
        b.session.search();
        QVERIFY(b.session.connected());
        dev.clearRequests();
        b.child<QLineEdit>("Edit_Fw_Path")->setText("old.bin");
        b.pages->setCurrentWidget(b.creatorPage);

        b.controller->StringGrid1SelectCell(0, 1);
        const QList<QByteArray> lines = requestLines(dev);
        QStringList commands;
        for (const QByteArray &l : lines)
            commands << QString::fromLatin1(l.left(l.size() - 4)).trimmed(); // without the CRC
        QCOMPARE(commands, (QStringList{"$SET ND_SEL 0000", "$GET ND_DSCPT", "$SET ND_SEL 0001",
                                        "$GET ND_DSCPT", "$SET ND_SEL 1000", "$GET ND_DSCPT"}));
        QCOMPARE(b.session.registry().status(0).selectedSlot, 0x1001u);

        QVERIFY(b.tabVisible(b.controllerPage));
        QVERIFY(b.tabVisible(b.creatorPage));
        QVERIFY(!b.tabVisible(b.ipPage));
        QCOMPARE(b.pages->currentWidget(), b.controllerPage);
        QVERIFY(!b.child<QWidget>("GroupBox11")->isHidden());
        QCOMPARE(b.child<QLabel>("Label_FW_Version")->text(),
                 QString("Current :   VID-1A2B    PID-3C4D    Version-1.00"));
        QVERIFY(b.child<QLineEdit>("Edit_Fw_Path")->text().isEmpty());
        QCOMPARE(b.child<QLineEdit>("Edit_Product_String")->text(), QString("Demo Matrix"));
        QVERIFY(b.child<QWidget>("Panel52")->isHidden());
        QCOMPARE(b.child<QGroupBox>("GroupBox12")->height(),
                 65 + 4 * b.child<ModeSelectGroup>("GroupBox12")->rowStep());
        QVERIFY(!b.child<QWidget>("Label30")->isHidden());
        for (int n = 1; n <= 8; ++n) {
            auto *internal =
                b.child<QRadioButton>(qPrintable("RadioButton_Set_IntEdid" + QString::number(n)));
            auto *user = b.child<QRadioButton>(qPrintable("RadioButton_Set_UserEdid" + QString::number(n)));
            QVERIFY(internal && user);
            QCOMPARE(!internal->isHidden(), n <= 3);
            QCOMPARE(!user->isHidden(), n <= 5);
        }
        QCOMPARE(b.pages->parentWidget(), b.commander->panel());

        // One internal and one user EDID: the smallest group, no column title; copy offered.
        dev.config().internals = 1;
        dev.config().users = 1;
        dev.config().inputNode.copyAvailable = true;
        b.session.disconnect();
        b.session.search();
        b.controller->StringGrid1SelectCell(0, 1);
        QCOMPARE(b.child<QGroupBox>("GroupBox12")->height(), 65);
        QVERIFY(b.child<QWidget>("Label30")->isHidden());
        QVERIFY(!b.child<QWidget>("Panel52")->isHidden());
        b.session.disconnect();
    }

    void firmwareUpdateDeviceLeavesTheSystemPage()
    {
        SimulatedDeviceConfig config;
        config.handshake = HandshakeMode::Isp029;
        SimulatedDevice dev(config);
        QVERIFY(dev.start());
        Bench b;
        b.session.transport().setPortOverride({dev.portPath()});
        b.session.search();
        QVERIFY(b.session.transport().ispMode());
        dev.clearRequests();

        b.controller->StringGrid1SelectCell(0, 1);
        QVERIFY(!b.tabVisible(b.controllerPage));
        QVERIFY(!b.tabVisible(b.creatorPage));
        QVERIFY(!b.tabVisible(b.ipPage));
        QVERIFY(b.tabVisible(b.systemPage));
        QVERIFY(b.child<QWidget>("GroupBox11")->isHidden());
        QCOMPARE(b.child<QLabel>("Label_FW_Version")->text(), QString("Target :"));
        QVERIFY(dev.requests().isEmpty()); // the loader is asked nothing
        QVERIFY(b.commander->isVisible());
        b.session.disconnect();
    }

    void networkReplyTakesRowOneDuringSerialSearch()
    {
        SimulatedDevice dev;
        QVERIFY(dev.start());
        UdpDevice net(networkDevice(0x5F, "NET"));
        QVERIFY(net.start());
        Bench b;
        QVERIFY(b.discovery.start());
        b.session.transport().setPortOverride({dev.portPath()});
        b.session.search();
        QVERIFY(b.session.connected());
        QCOMPARE(b.session.registry().count(), 2);
        QCOMPARE(b.session.registry().rows()[0][1], QString("ETHERNET"));
        QCOMPARE(b.session.registry().rows()[1][1], dev.portPath());
        QCOMPARE(b.session.registry().rows()[1][0], QString("2"));
        QCOMPARE(b.session.registry().selected(), 1);

        // Choosing by mouse: one choice per click, the network row first, then the serial one.
        const QRect first = b.grid->visualRect(b.grid->model()->index(0, 2));
        QTest::mouseClick(b.grid->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(b.session.registry().selected(), 0);
        QCOMPARE(b.pages->currentWidget(), b.ipPage);
        dev.clearRequests();
        const QRect second = b.grid->visualRect(b.grid->model()->index(1, 2));
        QTest::mouseClick(b.grid->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(b.session.registry().selected(), 1);
        QCOMPARE(b.pages->currentWidget(), b.controllerPage);
        QVERIFY(!b.tabVisible(b.ipPage));
        QCOMPARE(requestLines(dev).size(), 2 * (4 + 1)); // four inputs and one output, each read once

        // The keyboard chooses too.
        QApplication::setActiveWindow(&b.main);
        b.grid->setFocus();
        QVERIFY(b.grid->hasFocus());
        QTest::keyClick(b.grid, Qt::Key_Up);
        QCOMPARE(b.session.registry().selected(), 0);
        QCOMPARE(b.pages->currentWidget(), b.ipPage);

        // A choice made while the serial device's descriptions are still being read waits for them.
        dev.clearRequests();
        bool chosen = false;
        QObject::connect(&dev, &SimulatedDevice::requestReceived, &b.main, [&] {
            if (!chosen) {
                chosen = true;
                b.controller->StringGrid1SelectCell(0, 1);
                QCOMPARE(b.session.registry().selected(), 1); // not yet
            }
        });
        b.controller->StringGrid1SelectCell(0, 2);
        QVERIFY(chosen);
        QCOMPARE(requestLines(dev).size(), 2 * (4 + 1));
        QCOMPARE(b.session.registry().selected(), 0);
        QCOMPARE(b.controller->highlightRow(), 1);
        QCOMPARE(b.pages->currentWidget(), b.ipPage);
        QCOMPARE(b.child<QLabel>("Label_Product_Name")->text(), QString("NET"));
        b.session.disconnect();
    }

  private:
    ScriptedDialogs m_dialogs;
};

int main(int argc, char **argv)
{
    const char *inNetns = std::getenv("KELM_IN_NETNS");
    if (!inNetns || std::strcmp(inNetns, "1") != 0) {
        std::fputs("these tests run only inside a private network namespace (tests/netns-run.sh)\n", stderr);
        return 77;
    }
    QApplication app(argc, argv);
    DeviceListTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_device_list.moc"
