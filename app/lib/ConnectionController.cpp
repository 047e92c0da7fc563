#include "app/lib/ConnectionController.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>

#include <iterator>
#include <type_traits>

#include "link/DeviceSession.h"
#include "workbench/Glyph.h"

namespace {
// The device operations' buttons' available / unavailable looks, in ConnectionTargets order.
struct ButtonLook
{
    const char *connected;
    const char *disconnected;
};
constexpr ButtonLook deviceButtonLooks[] = {
    {"OpenColor", "OpenGray"},         {"SaveColor", "SaveGray"},         {"CopyLeftColor", "CopyLeftGray"},
    {"CopyUpColor", "CopyUpGray"},     {"AnalysisColor", "AnalysisGray"},
};
static_assert(std::size(deviceButtonLooks) == std::extent_v<decltype(ConnectionTargets::deviceButtons)>);
} // namespace

ConnectionController::ConnectionController(QWidget &mainWindow, DeviceSession &session,
                                           const ConnectionTargets &targets)
    : QObject(&mainWindow), m_main(mainWindow), m_session(session), m_targets(targets)
{
    if (m_targets.search)
        connect(m_targets.search, &QAbstractButton::clicked, this, &ConnectionController::BitBtn_SearchClick);
    if (m_targets.disconnect)
        connect(m_targets.disconnect, &QAbstractButton::clicked, this, &ConnectionController::BitBtn_DisconnectClick);

    const SerialSearch &search = m_session.serialSearch();
    connect(&search, &SerialSearch::portListChanged, this, &ConnectionController::mirrorPortList);
    connect(&search, &SerialSearch::busyChanged, this, &ConnectionController::onBusy);
    connect(&search, &SerialSearch::connectionChanged, this, &ConnectionController::onConnectionChanged);
    // Back to Idle, the "EDID Analyzer" and "Commander" windows close.
    connect(&search, &SerialSearch::returnedToIdle, this, &ConnectionController::closeWindows);
    // Disconnect is refused while the firmware upload holds the link; show it so.
    connect(&m_session.channel(), &CommandChannel::linkHeldChanged, this, [this](bool held) {
        if (m_targets.disconnect)
            m_targets.disconnect->setEnabled(!held && m_session.connected());
    });
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
    QComboBox *combo = m_targets.ports;
    if (!combo)
        return;
    combo->clear();
    combo->addItems(m_session.serialSearch().portList());
    if (combo->count() > 0)
        combo->setCurrentIndex(0);
}

void ConnectionController::onBusy(bool busy)
{
    QList<QWidget *> targets{&m_main};
    for (QWidget *w : {static_cast<QWidget *>(m_targets.search), static_cast<QWidget *>(m_targets.disconnect),
                       static_cast<QWidget *>(m_targets.grid)})
        if (w)
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
    if (m_targets.search)
        m_targets.search->setEnabled(!connected);
    if (m_targets.disconnect)
        m_targets.disconnect->setEnabled(connected);

    // A firmware-update connection shows the whole firmware group and leaves the looks alone.
    if (connected && ispMode) {
        if (m_targets.firmwareGroup)
            m_targets.firmwareGroup->setFixedHeight(firmwareGroupIspMode);
        return;
    }
    for (std::size_t i = 0; i < std::size(deviceButtonLooks); ++i)
        setGlyph(m_targets.deviceButtons[i],
                 QLatin1String(connected ? deviceButtonLooks[i].connected : deviceButtonLooks[i].disconnected));
    if (connected && m_targets.firmwareGroup)
        m_targets.firmwareGroup->setFixedHeight(firmwareGroupConnected);
}

void ConnectionController::closeWindows()
{
    for (QWidget *window : m_targets.windows)
        if (window)
            window->hide();
}
