// The EDID Controller page and the EDID Analyzer window inside the whole program: search a
// simulated device, choose its row, read the page's arrangement, analyse a slot and carry it into
// the creator. Starts the main window, so it runs in a private network namespace. With
// KELM_RENDER_DIR set, the page and the analyzer are also written there as PNG files to look at.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "ScriptedDialogs.h"
#include "app/lib/MainWindow.h"
#include "devsim/lib/SimulatedDevice.h"
#include "net/ui/CommanderWindow.h"
#include "net/ui/DeviceListController.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "workbench/ModeSelectGroup.h"

namespace {

// Geometry of a widget in the coordinates of an ancestor.
QRect rectIn(const QWidget *w, const QWidget *ancestor)
{
    return QRect(w->mapTo(ancestor, QPoint(0, 0)), w->size());
}

void render(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KELM_RENDER_DIR");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(dir + QLatin1Char('/') + name));
}

} // namespace

class TestControllerWindow : public QObject
{
    Q_OBJECT
  private slots:
    void arrangementAnalysisAndModify();
};

void TestControllerWindow::arrangementAnalysisAndModify()
{
    ScriptedDialogs dialogs;
    SimulatedDeviceConfig config; // 4 inputs, 1 output, 8 user, 8 internal
    config.internals = 3;
    config.users = 5;
    SimulatedDevice device(config);
    QVERIFY2(device.start(), qPrintable(device.errorString()));
    StartupOptions options;
    options.ports = {device.portPath()};
    auto window = std::make_unique<MainWindow>(options);
    QVERIFY(!window->startupRefused());
    window->show();

    window->findChild<QPushButton *>(QStringLiteral("BitBtn_Search"))->click();
    QVERIFY(window->session().connected());
    auto *rows = window->findChild<DeviceListController *>();
    QVERIFY(rows);
    rows->StringGrid1SelectCell(0, 1);
    CommanderWindow *commander = window->commanderWindow();
    QVERIFY(commander->isVisible());

    auto *page = commander->findChild<QWidget *>(QStringLiteral("TabSheet1"));
    QVERIFY(page && page->isVisible());
    auto *modeGroup = page->findChild<QGroupBox *>(QStringLiteral("GroupBox12"));
    auto *copyPanel = page->findChild<QWidget *>(QStringLiteral("Panel52"));
    auto *fileGroup = page->findChild<QGroupBox *>(QStringLiteral("GroupBox3"));
    // 3 internal and 5 user buttons: 65 + 4 row steps (14 pixels, or a radio button's height in
    // the running style when that is more), with the column heading.
    const int rowStep = static_cast<ModeSelectGroup *>(modeGroup)->rowStep();
    QVERIFY(rowStep >= 14);
    QCOMPARE(modeGroup->height(), 65 + 4 * rowStep);
    QVERIFY(page->findChild<QLabel *>(QStringLiteral("Label30"))->isVisible());
    QVERIFY(page->findChild<QRadioButton *>(QStringLiteral("RadioButton_Set_IntEdid3"))->isVisible());
    QVERIFY(!page->findChild<QRadioButton *>(QStringLiteral("RadioButton_Set_IntEdid4"))->isVisible());
    QVERIFY(page->findChild<QRadioButton *>(QStringLiteral("RadioButton_Set_UserEdid5"))->isVisible());
    QVERIFY(copyPanel->isVisible());

    // Top to bottom: mode group, Copy panel, file group; each wholly inside the page.
    const QRect mode = rectIn(modeGroup, page), copy = rectIn(copyPanel, page),
                file = rectIn(fileGroup, page);
    QVERIFY(mode.bottom() < copy.top() && copy.bottom() < file.top());
    QVERIFY(page->rect().contains(file));
    // In the Copy panel: Destination left, Copy button between, EDID Source right.
    const QRect dest = rectIn(page->findChild<QWidget *>(QStringLiteral("GroupBox2")), page);
    const QRect src = rectIn(page->findChild<QWidget *>(QStringLiteral("GroupBox8")), page);
    const QRect copyButton =
        rectIn(page->findChild<QWidget *>(QStringLiteral("SpeedButton_CopyEdid_Src2Dest")), page);
    QVERIFY(dest.right() < copyButton.left() && copyButton.right() < src.left());
    // In the file group: the list top left, Label2 to its right, the three buttons below, left to right.
    const QRect list = rectIn(page->findChild<QWidget *>(QStringLiteral("ComboBox_EdidSel_All")), page);
    const QRect label = rectIn(page->findChild<QWidget *>(QStringLiteral("Label2")), page);
    const QRect save = rectIn(page->findChild<QWidget *>(QStringLiteral("SpeedButton_SaveEdid")), page);
    const QRect open = rectIn(page->findChild<QWidget *>(QStringLiteral("SpeedButton_OpenEdid")), page);
    const QRect analysis =
        rectIn(page->findChild<QWidget *>(QStringLiteral("SpeedButton_AnalysisEdid")), page);
    QVERIFY(label.left() > list.right() &&
            label.intersects(QRect(label.left(), list.top(), 1, list.height())));
    QVERIFY(save.top() > list.bottom());
    QVERIFY(save.right() < open.left() && open.right() < analysis.left());
    render(commander, QStringLiteral("edid-controller-page.png"));

    // Analysis of User 1 (index 4 + 1 + 1 + 1): the analyzer shows beside the Commander window.
    auto *all = page->findChild<QComboBox *>(QStringLiteral("ComboBox_EdidSel_All"));
    all->setCurrentIndex(7);
    QCOMPARE(all->currentText(), QStringLiteral("User 1"));
    page->findChild<QToolButton *>(QStringLiteral("SpeedButton_AnalysisEdid"))->click();
    EdidAnalyzerWindow *analyzer = window->analyzerWindow();
    QVERIFY(analyzer->isVisible());
    QCOMPARE(analyzer->findChild<QLabel *>(QStringLiteral("Label_Edid_Header"))->text(),
             QStringLiteral("Good"));
    QVERIFY(qAbs(analyzer->y() - commander->y()) <= 300 && qAbs(analyzer->x() - commander->x()) <= 700);
    // Rows of 23 pixels with their answers 188 pixels from the row's left edge.
    auto *header = analyzer->findChild<QLabel *>(QStringLiteral("Label_Edid_Header"));
    auto *checksum = analyzer->findChild<QLabel *>(QStringLiteral("Label_Edid_Checksum"));
    QCOMPARE(header->x(), 188);
    QCOMPARE(rectIn(checksum, analyzer).top() - rectIn(header, analyzer).top(), 23);
    QCOMPARE(analyzer->size(), QSize(422, 481));
    render(analyzer, QStringLiteral("edid-analyzer.png"));

    // Modify: the creator page comes to the front with the image.
    analyzer->findChild<QToolButton *>(QStringLiteral("SpeedButton_OpenEdid_Analysis"))->click();
    QVERIFY(!analyzer->isVisible());
    auto *pages = commander->findChild<QTabWidget *>(QStringLiteral("PageControl1"));
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet4"));
    QVERIFY(window->session().creatorRecord().image == device.slotImage(2, 1));
}

QTEST_MAIN(TestControllerWindow)
#include "netns_tst_controller_window.moc"
