#include "app/lib/MainWindow.h"

#include "app/lib/DeviceMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/lib/ConnectionController.h"
#include "app/lib/DebugLogView.h"
#include "devsim/lib/SimulatedDevice.h"
#include "devsim/lib/UdpDevice.h"
#include "firmware/ui/FirmwareGroup.h"
#include "net/ui/CommanderWindow.h"
#include "net/ui/DeviceListController.h"
#include "net/ui/DeviceListModel.h"
#include "net/ui/IpConfigPage.h"
#include "shell/Bitmaps.h"
#include "shell/Dialogs.h"
#include "shell/ui/Accessibility.h"
#include "shell/ui/WindowMemory.h"
#include "system/ui/SystemPage.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "workbench/EdidControllerPage.h"
#include "workbench/EdidCreatorPage.h"

namespace {

// Geometry of the main window's client area. The device list and the two buttons fill the width the
// window starts with; the debug log and the page control lie beyond it.
constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kGridTop = 44;
constexpr int kGridVisibleRows = 8;
constexpr int kDebugLogWidth = 300;
constexpr int kPagesWidth = 450;
constexpr int kPagesHeight = 450;

// Watches the main window's first exposure: with KELM_STARTUP_TRACE set, the moment is printed on
// stderr (milliseconds since the epoch), for start-up measurements; then whatever waits for the
// first paint runs, once that paint is done.
class FirstExposeWatch : public QObject
{
  public:
    FirstExposeWatch(QObject *owner, std::function<void()> afterPaint)
        : QObject(owner), m_afterPaint(std::move(afterPaint))
    {
    }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed()) {
            if (qEnvironmentVariableIsSet("KELM_STARTUP_TRACE")) {
                std::fprintf(stderr, "kelm: main window shown at %lld ms\n",
                             static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
                std::fflush(stderr);
            }
            window->removeEventFilter(this);
            if (m_afterPaint)
                QTimer::singleShot(0, parent(), m_afterPaint);
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> m_afterPaint;
};

} // namespace

const QString &MainWindow::caption()
{
    static const QString text = QStringLiteral("KELM 2016");
    return text;
}

QString MainWindow::aboutText()
{
    return QStringLiteral("KELM2016  v1.0A") + QStringLiteral("\r\n\r\n") +
           QStringLiteral("Copyright (C) 2016 The KELM Workbench Authors.\r\n"
                          "All rights reserved.");
}

MainWindow::MainWindow(const StartupOptions &options, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                              Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_session(m_debugLog), m_discovery(m_session.registry(), m_debugLog)
{
    // A search lists the network devices too.
    m_session.setSlotHistory(&m_slotHistory);
    connect(&m_session.serialSearch(), &SerialSearch::networkDiscoveryRequested, &m_discovery,
            &DiscoveryService::sendDiscoveryRequest);
    FormCreate(options);
    windowmemory::rememberPlace(this, objectName());
    if (!options.deferSecondaryWindows)
        completeStartup();
}

void MainWindow::completeStartup()
{
    if (m_startupComplete)
        return;
    m_startupComplete = true;
    // The pages lie beyond the window's width, out of sight and out of Tab's way, until the
    // "Commander" window takes them.
    buildPages(centralWidget());
    m_pages->setGeometry(m_pagesPlace);
    m_pages->hide();

    // The second and third windows, created hidden; closing this window ends the program.
    m_analyzer = new EdidAnalyzerWindow(this);
    m_commander = new CommanderWindow(this);

    attachControllers();
    for (QWidget *window : {static_cast<QWidget *>(this), static_cast<QWidget *>(m_analyzer)})
        makeAccessible(window);
    for (QWidget *window : {static_cast<QWidget *>(m_analyzer), static_cast<QWidget *>(m_commander)})
        windowmemory::rememberPlace(window, window->objectName());
    emit startupCompleted();
}

// The pages and controllers that follow the device session, one line each.
void MainWindow::attachControllers()
{
    m_controllerPage->attachSession(m_session, m_analyzer);
    m_analyzer->attachSession(m_session);
    m_systemPage->attach(m_session);
    ConnectionTargets connection;
    connection.search = m_search;
    connection.disconnect = m_disconnect;
    connection.ports = m_portCombo;
    connection.grid = m_grid;
    connection.firmwareGroup = m_systemPage->firmwareGroup();
    QAbstractButton *const deviceButtons[] = {m_controllerPage->openButton(), m_controllerPage->saveButton(),
                                              m_controllerPage->copyButton(), m_creatorPage->uploadButton(),
                                              m_controllerPage->analysisButton()};
    std::copy(std::begin(deviceButtons), std::end(deviceButtons), connection.deviceButtons);
    connection.windows = {m_analyzer, m_commander};
    m_connection = std::make_unique<ConnectionController>(*this, m_session, connection);
    DeviceListTargets targets;
    targets.grid = m_grid;
    targets.pages = m_pages;
    targets.ipConfigPage = m_ipConfigPage;
    targets.controllerPage = m_controllerPage;
    targets.creatorPage = m_creatorPage;
    FirmwareGroup *firmware = m_systemPage->firmwareGroup();
    targets.firmwareProgress = firmware->statusLabel();
    targets.firmwarePath = firmware->pathEdit();
    targets.firmwareVersion = firmware->versionLabel();
    targets.configurationGroup = m_systemPage->configurationGroup();
    targets.productString = m_systemPage->productStringEdit();
    targets.copyPanel = m_controllerPage->copyPanel();
    targets.showModeCounts = [group = m_controllerPage->modeSelectGroup()](int internal, int user) {
        group->showModeCounts(internal, user);
    };
    m_deviceList = std::make_unique<DeviceListController>(*this, m_session, m_discovery, targets);

    connect(&m_session.serialSearch(), &SerialSearch::linkProblem, m_linkProblem,
            [this](const QString &text) {
                m_linkProblem->setText(text);
                m_linkProblem->setToolTip(text);
            });
    connect(&m_session.channel(), &CommandChannel::operationRunningChanged, this, [this](bool running) {
        if (!running && m_closePending) {
            m_closePending = false;
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        }
    });
    // Closing the Commander, where the device actions are, during one of them ends it as failed.
    m_commander->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_commander && event->type() == QEvent::Close)
        m_session.channel().cancelOperation(QStringLiteral("the Commander window was closed"));
    return QMainWindow::eventFilter(watched, event);
}

MainWindow::~MainWindow()
{
    // Controllers and widgets go while the session and the endpoints they refer to still exist.
    m_deviceList.reset();
    m_connection.reset();
    const QList<QWidget *> windows = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(windows);
}

void MainWindow::FormCreate(const StartupOptions &options)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(caption());
    // The session's receive tick and reply pump stay stopped until a search starts them.
    m_session.transport().setPortOverride(options.ports);
    if (options.demo)
        startDemoDevice();

    QCoreApplication::setApplicationName(caption());

    // A second copy asks the first to come forward and ends without showing its window. It still
    // sets up the UDP endpoints below, whose port the first copy holds.
    connect(&m_guard, &InstanceGuard::activationRequested, this, &MainWindow::bringToFront);
    if (!m_guard.claim(caption()))
        m_refused = true;

    // Only a taken discovery port is the single-instance warning; a failed group join is logged
    // by the service and the serial features go on without a network.
    if (!m_discovery.start()) {
        dialogs().warning(QStringLiteral("Warning"), QStringLiteral("KELM already executed !"));
        m_refused = true;
    }

    buildControls();
}

void MainWindow::buildControls()
{
    auto *host = new QWidget(this);
    host->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(host);

    auto *menu = menuBar();
    menu->setObjectName(QStringLiteral("MainMenu1"));
    QMenu *help = menu->addMenu(QStringLiteral("&Help"));
    new DeviceMenu(m_session, *menu, *this); // owned by the window
    help->setObjectName(QStringLiteral("Help1"));
    QAction *about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("About2"));
    connect(about, &QAction::triggered, this, &MainWindow::About2Click);

    m_search = new QPushButton(QStringLiteral("Search"), host);
    m_search->setObjectName(QStringLiteral("BitBtn_Search"));
    m_search->setGeometry(kMargin, kMargin, kButtonWidth, kButtonHeight);
    m_disconnect = new QPushButton(QStringLiteral("Disconnect"), host);
    m_disconnect->setObjectName(QStringLiteral("BitBtn_Disconnect"));
    m_disconnect->setGeometry(kMargin + kButtonWidth + 7, kMargin, kButtonWidth, kButtonHeight);
    m_disconnect->setEnabled(false);

    // A lost port or a device that never described itself: said here, where the operator looks,
    // and not only in the hidden debug log.
    m_linkProblem = new QLabel(host);
    m_linkProblem->setObjectName(QStringLiteral("Label_LinkProblem"));
    m_linkProblem->setTextFormat(Qt::PlainText);
    m_linkProblem->setWordWrap(true);
    m_linkProblem->setGeometry(kMargin + 2 * (kButtonWidth + 7), kMargin - 4, kLogoLeft - 2 * (kButtonWidth + 7) - kMargin - 4,
                               kButtonHeight + 8);
    QPalette red = m_linkProblem->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_linkProblem->setPalette(red);
    QFont small = m_linkProblem->font();
    small.setPointSize(8);
    small.setBold(true);
    m_linkProblem->setFont(small);

    m_portCombo = new QComboBox(host);
    m_portCombo->setObjectName(QStringLiteral("ComboBox1"));
    m_portCombo->hide();

    buildDeviceList(host);
    const int startWidth = m_grid->width() + 30;
    const int gridBottom = m_grid->geometry().bottom();

    m_logo = new QLabel(host);
    m_logo->setObjectName(QStringLiteral("Image1"));
    const QPixmap logo(kelmBitmapPath(QStringLiteral("LogoSTD")));
    m_logo->setPixmap(logo);
    m_logo->resize(logo.isNull() ? QSize(0, 0) : logo.size());
    m_logo->move(kLogoLeft, kLogoTop);

    m_debugPanel = new DebugTogglePanel(host);
    m_debugPanel->move(m_grid->geometry().right() + 3, kGridTop);
    connect(m_debugPanel, &DebugTogglePanel::doubleClicked, this, &MainWindow::Panel_DebugDblClick);

    const int logLeft = startWidth + kMargin;
    m_memo = new DebugLogView(m_debugLog, host);
    m_memo->setGeometry(logLeft, kMargin, kDebugLogWidth, gridBottom - kMargin - kButtonHeight - 6);
    m_memo->hide();
    m_clear = new QPushButton(QStringLiteral("Clear"), host);
    m_clear->setObjectName(QStringLiteral("Button_debug_clear"));
    m_clear->setGeometry(logLeft, m_memo->geometry().bottom() + 6, kButtonWidth, kButtonHeight);
    connect(m_clear, &QPushButton::clicked, this, &MainWindow::Button_debug_clearClick);

    m_pagesPlace = QRect(logLeft + kDebugLogWidth + kDebugLogMargin + kMargin, kMargin, kPagesWidth, kPagesHeight);
    m_clear->setFocusPolicy(Qt::NoFocus); // likewise while the log is hidden

    // Only the device list and the two buttons show at start-up.
    setFixedSize(startWidth, gridBottom + kMargin + 1 + menu->sizeHint().height());
}

void MainWindow::buildDeviceList(QWidget *host)
{
    m_grid = new QTableView(host);
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->setModel(new DeviceListModel(m_session.registry(), m_grid));
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setWordWrap(false);

    QFont font;
    font.setFamilies({QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("Monospace")});
    font.setStyleHint(QFont::Monospace);
    // The size the 75-pixel columns were laid out for: every caption fits its column.
    font.setPointSize(8);
    font.setBold(true);
    m_grid->setFont(font);
    m_grid->horizontalHeader()->setFont(font);

    QHeaderView *header = m_grid->horizontalHeader();
    header->setHighlightSections(false);
    header->setMinimumSectionSize(1);
    header->setFixedHeight(kGridRowHeight);
    header->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: #%1; color: black;"
                                         " border: 1px solid #8FA98F; padding: 0px; }")
                              .arg(kGridHeaderColour, 6, 16, QLatin1Char('0')));
    // The 75-pixel column widths suit a smaller font than most desktops run: each column is as wide as
    // its caption and the longest text it usually shows, in the font the list really uses.
    const QFontMetrics metrics(font);
    int total = 0;
    for (int c = 0; c < 6; ++c) {
        const QString caption = DeviceListModel::captions()[c];
        const int wanted = std::max(metrics.horizontalAdvance(caption),
                                    metrics.horizontalAdvance(QString::fromLatin1(kGridTypicalTexts[c])));
        const int width = std::max(kGridColumnWidths[c], wanted + kGridCellSlack);
        m_grid->setColumnWidth(c, width);
        total += width;
    }
    // Room for the vertical scroll bar that 20 rows bring, so it never pushes a horizontal one in.
    total += m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid);
    m_grid->verticalHeader()->setMinimumSectionSize(1);
    m_grid->verticalHeader()->setDefaultSectionSize(kGridRowHeight);

    const int frame = 2 * m_grid->frameWidth();
    m_grid->setGeometry(kMargin, kGridTop, total + frame, kGridRowHeight * (kGridVisibleRows + 1) + frame);
}

void MainWindow::buildPages(QWidget *host)
{
    m_pages = new QTabWidget(host);
    m_pages->setObjectName(QStringLiteral("PageControl1"));

    auto *analyzerSheet = new QWidget;
    analyzerSheet->setObjectName(QStringLiteral("TabSheet3"));
    auto *creator = new EdidCreatorPage(m_session);
    m_creatorPage = creator;

    m_ipConfigPage = new IpConfigPage;
    m_pages->addTab(m_ipConfigPage, QStringLiteral("IP Configure"));
    m_controllerPage = new EdidControllerPage(m_debugLog);
    m_pages->addTab(m_controllerPage, QStringLiteral("EDID Controller"));
    m_pages->addTab(analyzerSheet, QStringLiteral("EDID Analyzer"));
    m_pages->addTab(creator, QStringLiteral("EDID Creator"));
    m_systemPage = new SystemPage(m_debugLog);
    m_pages->addTab(m_systemPage, QStringLiteral("System"));

    // The analysis has its own window; its tab stays hidden for good.
    m_pages->setTabVisible(m_pages->indexOf(analyzerSheet), false);
    m_pages->setTabVisible(m_pages->indexOf(creator), true);
    m_pages->setCurrentWidget(creator);
}

void MainWindow::startDemoDevice()
{
    m_demoDevice = std::make_unique<SimulatedDevice>();
    if (m_demoDevice->start()) {
        m_session.transport().setPreferredPorts({m_demoDevice->portPath()});
        m_debugLog.append(QStringLiteral("Simulated device on ") + m_demoDevice->portPath() +
                          QStringLiteral("\r\n"));
    } else {
        m_debugLog.append(QStringLiteral("Simulated device failed: ") + m_demoDevice->errorString() +
                          QStringLiteral("\r\n"));
    }

    // The network one answers only this machine: a demo must not show up in the device lists of
    // other workbenches on the network. Without it the serial demo still works.
    UdpDevice::Options network;
    network.thisMachineOnly = true;
    m_demoNetworkDevice = std::make_unique<UdpDevice>(UdpDevice::demoIdentity(), network);
    if (m_demoNetworkDevice->start()) {
        m_debugLog.append(QStringLiteral("Simulated network device on UDP port %1, MAC %2\r\n")
                              .arg(network.port)
                              .arg(QString::fromStdString(m_demoNetworkDevice->record().macText)));
    } else {
        m_debugLog.append(QStringLiteral("Simulated network device failed: ") +
                          m_demoNetworkDevice->errorString() + QStringLiteral("\r\n"));
        m_demoNetworkDevice.reset();
    }
}

void MainWindow::Panel_DebugDblClick()
{
    m_debugShown = !m_debugShown;
    const int step = m_memo->width() + kDebugLogMargin;
    m_memo->setVisible(m_debugShown);
    m_clear->setFocusPolicy(m_debugShown ? Qt::StrongFocus : Qt::NoFocus);
    setFixedWidth(width() + (m_debugShown ? step : -step));
}

void MainWindow::Button_debug_clearClick()
{
    m_debugLog.clear();
}

void MainWindow::About2Click()
{
    const QPoint at = frameGeometry().topLeft() + QPoint(150, 150);
    dialogs().information(QStringLiteral("Information"), aboutText(), &at);
}

void MainWindow::bringToFront()
{
    if (isMinimized())
        showNormal();
    else
        raise();
    activateWindow();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    std::function<void()> afterPaint;
    if (!m_startupComplete)
        afterPaint = [this] { completeStartup(); };
    if (windowHandle() && (afterPaint || qEnvironmentVariableIsSet("KELM_STARTUP_TRACE")))
        windowHandle()->installEventFilter(new FirstExposeWatch(this, std::move(afterPaint)));
    else if (afterPaint)
        QTimer::singleShot(0, this, afterPaint);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_session.channel().operationRunning()) {
        // The request on the wire finishes and the operation ends as failed (closing its
        // SYS_STM bracket); then the window closes.
        m_session.channel().cancelOperation(QStringLiteral("the window was closed"));
        m_closePending = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::quit(); // the other windows do not keep the program alive
}
