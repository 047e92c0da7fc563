#include "app/lib/ConnectionController.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QTableWidget>

#include "link/DeviceSession.h"
#include "workbench/Glyph.h"

namespace {
// The device operations' buttons and their available / unavailable looks.
struct ButtonLook
{
    const char *button;
    const char *connected;
    const char *disconnected;
};
constexpr ButtonLook deviceButtons[] = {
    {"SpeedButton_OpenEdid", "OpenColor", "OpenGray"},
    {"SpeedButton_SaveEdid", "SaveColor", "SaveGray"},
    {"SpeedButton_CopyEdid_Src2Dest", "CopyLeftColor", "CopyLeftGray"},
    {"SpeedButton_CopyEdid_Creator", "CopyUpColor", "CopyUpGray"},
    {"SpeedButton_AnalysisEdid", "AnalysisColor", "AnalysisGray"},
};
} // namespace

ConnectionController::ConnectionController(QWidget &mainWindow, DeviceSession &session)
    : QObject(&mainWindow), m_main(mainWindow), m_session(session)
{
    if (auto *search = m_main.findChild<QAbstractButton *>(QStringLiteral("BitBtn_Search")))
        connect(search, &QAbstractButton::clicked, this, &ConnectionController::BitBtn_SearchClick);
    if (auto *disconnect = m_main.findChild<QAbstractButton *>(QStringLiteral("BitBtn_Disconnect")))
        connect(disconnect, &QAbstractButton::clicked, this, &ConnectionController::BitBtn_DisconnectClick);

    connect(&m_session, &DeviceSession::portListChanged, this, &ConnectionController::mirrorPortList);
    connect(&m_session, &DeviceSession::busyChanged, this, &ConnectionController::onBusy);
    connect(&m_session, &DeviceSession::connectionChanged, this, &ConnectionController::onConnectionChanged);
    connect(&m_session, &DeviceSession::gridChanged, this, &ConnectionController::mirrorGrid);
    connect(&m_session, &DeviceSession::closeWindowsRequested, this, &ConnectionController::closeWindows);
    // Disconnect is refused while the firmware upload holds the link; show it so.
    connect(&m_session, &DeviceSession::linkHeldChanged, this, [this](bool held) {
        if (auto *disconnect = m_main.findChild<QWidget *>(QStringLiteral("BitBtn_Disconnect")))
            disconnect->setEnabled(!held && m_session.connected());
    });
    mirrorGrid();
}

void ConnectionController::BitBtn_SearchClick()
{
    m_session.search();
}

void ConnectionController::BitBtn_DisconnectClick()
{
    m_session.disconnect();
}

void ConnectionController::mirrorPortList()
{
    auto *combo = m_main.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
    if (!combo)
        return;
    combo->clear();
    combo->addItems(m_session.portList());
    if (combo->count() > 0)
        combo->setCurrentIndex(0);
}

void ConnectionController::onBusy(bool busy)
{
    QList<QWidget *> targets{&m_main};
    for (const char *name : {"BitBtn_Search", "BitBtn_Disconnect", "StringGrid1"})
        if (auto *w = m_main.findChild<QWidget *>(QLatin1String(name)))
            targets << w;
    for (QWidget *w : targets) {
        if (busy)
            w->setCursor(Qt::WaitCursor);
        else
            w->unsetCursor();
    }
}

void ConnectionController::onConnectionChanged(bool connected, bool ispMode)
{
    if (auto *search = m_main.findChild<QWidget *>(QStringLiteral("BitBtn_Search")))
        search->setEnabled(!connected);
    if (auto *disconnect = m_main.findChild<QWidget *>(QStringLiteral("BitBtn_Disconnect")))
        disconnect->setEnabled(connected);

    // A firmware-update connection shows the whole firmware group and leaves the looks alone.
    if (connected && ispMode) {
        if (auto *firmware = m_main.findChild<QWidget *>(QStringLiteral("GroupBox4")))
            firmware->setFixedHeight(firmwareGroupIspMode);
        return;
    }
    for (const ButtonLook &look : deviceButtons)
        setGlyph(m_main.findChild<QAbstractButton *>(QLatin1String(look.button)),
                 QLatin1String(connected ? look.connected : look.disconnected));
    if (connected) {
        if (auto *firmware = m_main.findChild<QWidget *>(QStringLiteral("GroupBox4")))
            firmware->setFixedHeight(firmwareGroupConnected);
    }
}

void ConnectionController::mirrorGrid()
{
    auto *grid = m_main.findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
    if (!grid)
        return;
    const auto &rows = m_session.registry().rows();
    if (grid->rowCount() != rows.size())
        grid->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 6; ++c) {
            const QString text = rows[r].value(c);
            QTableWidgetItem *item = grid->item(r, c);
            if (!item) {
                item = new QTableWidgetItem(text);
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                grid->setItem(r, c, item);
            } else if (item->text() != text) {
                item->setText(text);
            }
        }
    }
}

void ConnectionController::closeWindows()
{
    for (const char *name : {"TForm2", "TForm3"})
        if (auto *window = m_main.findChild<QWidget *>(QLatin1String(name)))
            window->hide();
}
