// The System page inside the whole program: a device in ISP mode is searched, its row chosen, an
// image opened and the update run through the buttons; a device in normal mode gets its description
// through the Configuration group. Starts the main window, so it runs in a private network
// namespace. With KELM_RENDER_DIR set, the Commander window is also written there as PNG files.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "SimulatedLink.h"
#include "app/lib/MainWindow.h"
#include "firmware/IspUpload.h"
#include "net/ui/CommanderWindow.h"
#include "net/ui/DeviceListController.h"
#include "system/ui/SystemPage.h"

namespace {

void render(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KELM_RENDER_DIR");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(dir + QLatin1Char('/') + name));
}

template <typename T> T *named(QWidget *root, const char *name)
{
    return root->findChild<T *>(QString::fromLatin1(name));
}

// The main window on a device: searched, the device's row chosen, which shows the Commander window
// with its pages; the System page among them.
struct WindowOnDevice
{
    explicit WindowOnDevice(const SimulatedDevice &device)
    {
        StartupOptions options;
        options.ports = {device.portPath()};
        window = std::make_unique<MainWindow>(options);
        window->show();
        named<QPushButton>(window.get(), "BitBtn_Search")->click();
        window->findChild<DeviceListController *>()->StringGrid1SelectCell(0, 1);
        commander = window->commanderWindow();
        pages = named<QTabWidget>(commander, "PageControl1");
        page = named<QWidget>(commander, "TabSheet2");
    }

    std::unique_ptr<MainWindow> window;
    CommanderWindow *commander = nullptr;
    QTabWidget *pages = nullptr;
    QWidget *page = nullptr;
};

} // namespace

class TestSystemWindow : public QObject
{
    Q_OBJECT
  private slots:
    void updateInIspMode();
    void descriptionInNormalMode();
};

void TestSystemWindow::updateInIspMode()
{
    ScriptedDialogs dialogs;
    dialogs.confirmAnswer = true;
    SimulatedDeviceConfig config;
    config.handshake = HandshakeMode::Isp029;
    SimulatedDevice device(config);
    QVERIFY2(device.start(), qPrintable(device.errorString()));
    WindowOnDevice on(device);
    auto &window = on.window;
    QWidget *commander = on.commander, *page = on.page;
    QVERIFY(window->session().transport().ispMode());
    QVERIFY(commander->isVisible());
    auto *pages = on.pages;
    QVERIFY(page->isVisible());
    QCOMPARE(pages->currentWidget(), page);
    QCOMPARE(named<QGroupBox>(page, "GroupBox4")->height(), 155);
    QVERIFY(!named<QGroupBox>(page, "GroupBox11")->isVisible());
    auto *version = named<QLabel>(page, "Label_FW_Version");
    auto *label1 = named<QLabel>(page, "Label1");
    QCOMPARE(version->text(), QStringLiteral("Target :"));
    QCOMPARE(label1->text(), QStringLiteral("0%"));

    QTemporaryDir dir;
    const QByteArray image = firmwareImage(700, "2.01");
    dialogs.fileAnswer = writeFile(dir, "fw.bin", image);
    device.expectFirmware(image);
    named<QToolButton>(page, "SpeedButton_OpenFw")->click();
    QCOMPARE(version->text(), QStringLiteral("Target :   VID-1A2B     PID-3C4D     Version-2.01"));
    QCOMPARE(named<QLineEdit>(page, "Edit_Fw_Path")->text(), dialogs.fileAnswer);
    render(commander, QStringLiteral("system-page-isp.png"));

    // Disconnect is refused, and shown unavailable, while the upload runs; the bar moves.
    bool stillConnected = false;
    bool disconnectShownOff = false;
    auto *disconnect = named<QPushButton>(window.get(), "BitBtn_Disconnect");
    auto *upload = static_cast<SystemPage *>(page)->upload();
    connect(upload, &IspUpload::progressChanged, this, [&](int percent) {
        if (percent < 100 && !stillConnected) {
            disconnectShownOff = !disconnect->isEnabled();
            window->session().disconnect();
            stillConnected = window->session().connected();
        }
    });
    named<QToolButton>(page, "SpeedButton_UpdateFw")->click();
    QCOMPARE(dialogs.last().text, QStringLiteral("Warning!\r\nUpdate system firmware."));
    QCOMPARE(*dialogs.last().at, commander->frameGeometry().topLeft() + QPoint(115, 130));
    QVERIFY2(device.firmwareDivergence().isEmpty(), qPrintable(device.firmwareDivergence()));
    QVERIFY(stillConnected);
    QVERIFY(disconnectShownOff);
    QVERIFY(disconnect->isEnabled());
    QCOMPARE(label1->text(), QStringLiteral("100%"));
    QCOMPARE(page->findChild<QProgressBar *>()->value(), 100);
    QCOMPARE(device.flash().left(image.size()), image);
    QCOMPARE(device.firmwareEnds(), 1);
    render(commander, QStringLiteral("system-page-isp-done.png"));
    window.reset();
    setDialogs(nullptr);
}

void TestSystemWindow::descriptionInNormalMode()
{
    ScriptedDialogs dialogs;
    dialogs.confirmAnswer = true;
    SimulatedDevice device;
    QVERIFY2(device.start(), qPrintable(device.errorString()));
    WindowOnDevice on(device);
    auto &window = on.window;
    QWidget *commander = on.commander, *page = on.page;
    QVERIFY(window->session().connected());
    on.pages->setCurrentWidget(page);
    QCOMPARE(named<QGroupBox>(page, "GroupBox4")->height(), 48);
    QVERIFY(named<QGroupBox>(page, "GroupBox11")->isVisible());
    auto *edit = named<QLineEdit>(page, "Edit_Product_String");
    QCOMPARE(edit->text(), QStringLiteral("Demo Matrix"));

    edit->setText(QStringLiteral("Lecture Hall"));
    named<QToolButton>(page, "SpeedButton_SysConfig")->click();
    QCOMPARE(device.productString(), QByteArray("Lecture Hall"));
    QCOMPARE(window->session().registry().rows().value(0).value(3), QStringLiteral(" Lecture Hall "));
    render(commander, QStringLiteral("system-page-normal.png"));
    window.reset();
    setDialogs(nullptr);
}

QTEST_MAIN(TestSystemWindow)
#include "netns_tst_system_window.moc"
