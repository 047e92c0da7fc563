#include "net/ui/DeviceListController.h"

#include <QCoreApplication>
#include <QEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>

#include <cstdlib>

#include "shell/DebugLog.h"
#include "link/DeviceSession.h"
#include "net/DiscoveryService.h"
#include "net/ui/CommanderWindow.h"
#include "net/ui/DeviceListDelegate.h"
#include "net/ui/IpConfigPage.h"

namespace {

void paintBlack(QLabel *label)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(p);
}

} // namespace

DeviceListController::DeviceListController(QWidget &mainWindow, DeviceSession &session,
                                           DiscoveryService &discovery, const DeviceListTargets &targets)
    : QObject(&mainWindow), m_main(mainWindow), m_session(session), m_discovery(discovery), m_targets(targets)
{
    m_grid = m_targets.grid;
    if (m_grid) {
        m_delegate = new DeviceListDelegate(
            *m_grid, [this] { return m_highlightRow; }, this);
        m_grid->setItemDelegate(m_delegate);
        m_grid->viewport()->installEventFilter(this);
        connect(m_grid, &QAbstractItemView::pressed, this,
                [this](const QModelIndex &cell) { StringGrid1SelectCell(cell.column(), cell.row() + 1); });
        // Keyboard moves choose too; mouse presses are handled above, once. The grid also moves
        // its current cell by itself (taking the focus when Search disables its button, rows being
        // added): only a move made by a key the operator pressed is a choice.
        connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex &cell) {
                    if (cell.row() >= 0 && m_keyDown && !m_mouseDown)
                        StringGrid1SelectCell(cell.column(), cell.row() + 1);
                });
        m_grid->installEventFilter(this);
        connect(&m_session.registry(), &DeviceRegistry::rowsChanged, m_grid->viewport(),
                qOverload<>(&QWidget::update));
    }
    if (m_targets.ipConfigPage)
        m_targets.ipConfigPage->attach(m_session, m_discovery);
}

DeviceListController::~DeviceListController() = default;

bool DeviceListController::eventFilter(QObject *watched, QEvent *event)
{
    // Only mouse events touch m_grid: the viewport also gets events while the grid is being
    // destroyed, when reading the guarded pointer would cast a half-destroyed object.
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && m_grid && watched == m_grid && !m_keyDown)
        return chooseByKey(static_cast<QKeyEvent *>(event));
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if ((press || type == QEvent::MouseButtonRelease) && m_grid && watched == m_grid->viewport())
        m_mouseDown = press;
    return QObject::eventFilter(watched, event);
}

bool DeviceListController::chooseByKey(QKeyEvent *event)
{
    // The grid handles the key while m_keyDown marks the move it makes as the operator's.
    const int before = m_grid->currentIndex().row();
    m_keyDown = true;
    QCoreApplication::sendEvent(m_grid, event);
    m_keyDown = false;
    // Space or Enter on the current row chooses it as a click would.
    const int key = event->key();
    if (m_grid && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        m_grid->currentIndex().row() == before && before >= 0)
        StringGrid1SelectCell(m_grid->currentIndex().column(), before + 1);
    return true;
}

void DeviceListController::setPageVisible(QWidget *page, bool visible)
{
    QTabWidget *pages = m_targets.pages;
    if (!pages || !page)
        return;
    const int index = pages->indexOf(page);
    if (index >= 0)
        pages->setTabVisible(index, visible);
}

void DeviceListController::StringGrid1SelectCell(int, int row)
{
    const DeviceRegistry &devices = m_session.registry();
    if (row <= 0 || devices.count() == 0)
        return;
    // Rows left over from an earlier search list no device; their records are stale.
    if (!devices.listed(row - 1))
        return;
    if (m_selecting) {
        // The descriptions of the previous choice are still being read (the reads pause and
        // handle events); this choice follows as soon as they are done.
        m_pendingRow = row;
        return;
    }
    if (m_session.channel().operationRunning()) {
        // Another device operation owns the link; choosing a row would read descriptions in its
        // pauses.
        m_session.debugLog().append(QStringLiteral("Row selection refused: a device operation is running.\r\n"));
        return;
    }
    m_selecting = true;
    while (row > 0) {
        m_highlightRow = row;
        m_session.registry().select(row - 1);
        if (m_grid)
            m_grid->viewport()->update();

        const SYS_STATUS &record = devices.status(row - 1);
        if (record.interfaceKind == interfaceSerial) {
            selectSerialDevice(record);
        } else {
            IpConfigPage *ipPage = m_targets.ipConfigPage;
            setPageVisible(ipPage, true);
            QTabWidget *pages = m_targets.pages;
            if (pages && ipPage)
                pages->setCurrentWidget(ipPage);
            if (ipPage)
                ipPage->showNetworkDevice();
        }

        if (QLabel *progress = m_targets.firmwareProgress) {
            paintBlack(progress);
            progress->setText(QStringLiteral("0%"));
        }
        // A network device's record holds no description string: the field shows empty.
        if (QLineEdit *productString = m_targets.productString)
            productString->setText(record.productString);

        showInCommander();

        row = m_pendingRow;
        m_pendingRow = -1;
        if (row > devices.count())
            row = -1;
    }
    m_selecting = false;
}

void DeviceListController::selectSerialDevice(const SYS_STATUS &record)
{
    if (QLineEdit *path = m_targets.firmwarePath)
        path->clear();
    QLabel *version = m_targets.firmwareVersion;
    QWidget *configuration = m_targets.configurationGroup;

    if (m_session.transport().ispMode()) {
        // The loader speaks only the firmware commands: only the System page makes sense.
        setPageVisible(m_targets.controllerPage, false);
        setPageVisible(m_targets.creatorPage, false);
        setPageVisible(m_targets.ipConfigPage, false);
        if (configuration)
            configuration->hide();
        if (version)
            version->setText(QStringLiteral("Target :"));
        return;
    }

    setPageVisible(m_targets.controllerPage, true);
    setPageVisible(m_targets.creatorPage, true);
    setPageVisible(m_targets.ipConfigPage, false);
    if (configuration)
        configuration->show();
    if (version)
        version->setText(QStringLiteral("Current :   VID-") + record.vid + QStringLiteral("    PID-") +
                         record.pid + QStringLiteral("    Version-") + record.firmwareVersion);
    QTabWidget *pages = m_targets.pages;
    QWidget *controller = m_targets.controllerPage;
    if (pages && controller)
        pages->setCurrentWidget(controller);

    readNodeDescriptions(record);

    if (QWidget *copy = m_targets.copyPanel)
        copy->setVisible(record.inputNodes[0].copyAvailable != 0);
    if (m_targets.showModeCounts)
        m_targets.showModeCounts(record.internalCount, record.userCount);
}

void DeviceListController::readNodeDescriptions(const SYS_STATUS &record)
{
    const CommandChannel::Operation operation =
        m_session.channel().beginOperation(QStringLiteral("Row selection"));
    if (!operation)
        return;
    // selectSlot keeps the running slot code in the record's selectedSlot, as every ND_SEL sender.
    const uint8_t inputs = record.inputCount;
    const uint8_t outputs = record.outputCount;
    for (SlotCode code = 0x0000; code < inputs; ++code) {
        m_session.channel().selectSlot(code);
        m_session.channel().sendCommand(Direction::GET, Command::ND_DSCPT, 5);
    }
    for (SlotCode code = 0x1000; code < 0x1000u + outputs; ++code) {
        m_session.channel().selectSlot(code);
        m_session.channel().sendCommand(Direction::GET, Command::ND_DSCPT, 5);
    }
    // The running code ends one past the last output.
    m_session.registry().setSelectedSlot(0x1000u + outputs);
}

void DeviceListController::showInCommander()
{
    QTabWidget *pages = m_targets.pages;
    auto *commander = m_main.findChild<CommanderWindow *>();
    if (!commander)
        return;
    if (pages)
        commander->hostPages(pages);
    const QPoint main = m_main.pos();
    const QPoint here = commander->pos();
    // The first time it always goes beside the main window: where a window manager leaves new
    // windows at the top left, it would otherwise cover the device list.
    if (!m_commanderPlaced || std::abs(here.y() - main.y()) > kMaxTopDistance ||
        std::abs(here.x() - main.x()) > kMaxLeftDistance)
        commander->move(main.x() + kCommanderLeftOffset, main.y() + kCommanderTopOffset);
    m_commanderPlaced = true;
    commander->show();
}
