// Renders the workbench's windows offscreen, connected to the simulated device, into PNG files:
// every window and page on its own, and docs/screenshot.png for the README. Starts the main
// window, so run it in a private network namespace:
//   unshare -n sh -c 'ip link set lo up; QT_QPA_PLATFORM=offscreen build/app/kelm_screenshot OUTDIR'
#include <QAbstractButton>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>
#include <cstdio>

#include "shell/Pause.h"
#include "app/lib/KelmApplication.h"
#include "app/lib/MainWindow.h"
#include "net/ui/CommanderWindow.h"
#include "net/ui/DeviceListController.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "workbench/EdidCompareWindow.h"
#include "edid/NewEdidTemplate.h"

namespace {

constexpr int kTitleHeight = 24;

// A window as the operator sees it: its client area under a plain title bar with its caption.
QImage framed(QWidget *window)
{
    // In device pixels, so that a picture taken with QT_SCALE_FACTOR=2 shows the window at 2x.
    QImage client = window->grab().toImage();
    const qreal scale = client.devicePixelRatio();
    client.setDevicePixelRatio(1);
    const int titleHeight = qRound(kTitleHeight * scale);
    QImage out(client.width() + 2, client.height() + titleHeight + 1, QImage::Format_ARGB32);
    out.fill(QColor(70, 90, 120));
    QPainter p(&out);
    QLinearGradient title(0, 0, 0, titleHeight);
    title.setColorAt(0, QColor(95, 125, 170));
    title.setColorAt(1, QColor(60, 85, 125));
    p.fillRect(QRect(0, 0, out.width(), titleHeight), title);
    QFont font = window->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * scale);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(qRound(8 * scale), 0, out.width() - qRound(40 * scale), titleHeight),
               Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
    p.drawText(QRect(out.width() - qRound(22 * scale), 0, qRound(16 * scale), titleHeight), Qt::AlignCenter,
               QStringLiteral("x"));
    p.drawImage(1, titleHeight, client);
    return out;
}

bool save(const QImage &image, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    KelmApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelm_screenshot OUTPUT_FOLDER\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));

    StartupOptions options;
    options.demo = true;
    MainWindow window(options);
    if (window.startupRefused())
        return 1;
    window.move(20, 20);
    window.show();
    pauseWithEvents(100);
    bool ok = save(framed(&window), dir, QStringLiteral("main.png"));

    // Connect to the simulated device and open the debug log, as an operator would.
    window.findChild<QAbstractButton *>(QStringLiteral("BitBtn_Search"))->click();
    pauseWithEvents(300);
    window.Panel_DebugDblClick();
    // Choose the device's row: the pages move into the "Commander" window.
    if (auto *list = window.findChild<DeviceListController *>())
        list->StringGrid1SelectCell(1, 1);
    pauseWithEvents(300);
    const QImage main = framed(&window);
    ok &= save(main, dir, QStringLiteral("main-debug.png"));

    auto *pages = window.findChild<QTabWidget *>(QStringLiteral("PageControl1"));
    CommanderWindow *commander = window.commanderWindow();
    if (pages->parentWidget() != commander->panel())
        commander->hostPages(pages);
    commander->show();
    QImage controllerShot;
    // The "IP Configure" page shows for network devices only; it is pictured all the same.
    const int ipPage = pages->indexOf(pages->findChild<QWidget *>(QStringLiteral("TabSheet10")));
    const bool ipShown = pages->isTabVisible(ipPage);
    pages->setTabVisible(ipPage, true);
    for (int i = 0; i < pages->count(); ++i) {
        if (!pages->isTabVisible(i))
            continue;
        pages->setCurrentIndex(i);
        pauseWithEvents(50);
        const QImage shot = framed(commander);
        const QString name = pages->widget(i)->objectName();
        if (name == QStringLiteral("TabSheet1"))
            controllerShot = shot;
        ok &= save(shot, dir, QStringLiteral("commander-%1.png").arg(name));
        // Every sub-page of the EDID Creator.
        auto *subPages = pages->widget(i)->findChild<QTabWidget *>(QStringLiteral("PageControl2"));
        for (int j = 0; subPages && j < subPages->count(); ++j) {
            subPages->setCurrentIndex(j);
            pauseWithEvents(50);
            ok &= save(framed(commander),
                       dir, QStringLiteral("commander-%1-%2.png").arg(name, subPages->widget(j)->objectName()));
        }
        if (subPages)
            subPages->setCurrentIndex(0);
    }
    pages->setTabVisible(ipPage, ipShown);
    // The analysis of the device's first input, as the Analysis button shows it.
    pages->setCurrentWidget(pages->findChild<QWidget *>(QStringLiteral("TabSheet1")));
    if (auto *analysis = pages->findChild<QAbstractButton *>(QStringLiteral("SpeedButton_AnalysisEdid")))
        analysis->click();
    window.analyzerWindow()->show();
    pauseWithEvents(300);
    ok &= save(framed(window.analyzerWindow()), dir, QStringLiteral("analyzer.png"));
    // The Compare window: the analysed EDID against the "NEW" template.
    if (auto *compareButton = window.analyzerWindow()->findChild<QAbstractButton *>(
            QStringLiteral("Button_Analyzer_Compare"))) {
        compareButton->click();
        if (auto *compare = window.analyzerWindow()->findChild<EdidCompareWindow *>()) {
            compare->setImageB(NewEdidTemplate, QStringLiteral("NEW template"));
            compare->show();
            if (auto *tabs = compare->findChild<QTabWidget *>(QStringLiteral("Tabs_Compare")))
                tabs->setCurrentIndex(2); // the changed bytes and their parts
            pauseWithEvents(50);
            ok &= save(framed(compare), dir, QStringLiteral("compare.png"));
        }
    }

    // The README picture: the main window with its debug log beside the "Commander" window.
    if (!controllerShot.isNull()) {
        const int gap = 16;
        QImage sheet(main.width() + gap + controllerShot.width() + 2 * gap,
                     qMax(main.height(), controllerShot.height()) + 2 * gap, QImage::Format_ARGB32);
        sheet.fill(QColor(228, 232, 238));
        QPainter p(&sheet);
        p.drawImage(gap, gap, main);
        p.drawImage(gap + main.width() + gap, gap, controllerShot);
        p.end();
        ok &= save(sheet, dir, QStringLiteral("screenshot.png"));
    }
    return ok ? 0 : 1;
}
