#include "system/SystemSettings.h"

#include "shell/Dialogs.h"
#include "shell/Pause.h"
#include "link/DeviceSession.h"

SystemSettings::SystemSettings(DeviceSession &session, QObject *parent) : QObject(parent), m_session(session)
{
}

SystemSettings::Feedback SystemSettings::lengthFeedback(const QString &text)
{
    if (text.size() <= maxProductStringLength)
        return {};
    return {QStringLiteral("31 Letters Limited!"), true};
}

QByteArray SystemSettings::productStringPayload(const QString &text)
{
    if (text.isEmpty())
        return QByteArray(1, ' ');
    return text.left(maxProductStringLength).toLatin1();
}

QString SystemSettings::productString() const
{
    const int i = m_session.selectedDevice;
    if (i < 0 || i >= statusTableSize)
        return {};
    return m_session.statusTable[static_cast<std::size_t>(i)].productString;
}

bool SystemSettings::ready()
{
    // Without a device (Search enabled) the buttons do nothing, as every page action; with a
    // network device chosen, the serial device would get a request the operator did not aim at it.
    return m_session.connected() && !m_session.networkDeviceSelected() && m_session.selectedDevice >= 0 &&
           m_session.selectedDevice < statusTableSize;
}

void SystemSettings::setBusy(bool busy)
{
    m_busy = busy;
    emit busyChanged(busy);
}

void SystemSettings::showInDeviceList(int device)
{
    // The row of the device the request went to: another row may have been chosen meanwhile, and
    // a search may have emptied the list.
    if (device < 0 || device >= m_session.deviceCount || device >= statusTableSize)
        return;
    const int row = device + 1;
    QStringList cells = row <= m_session.gridRows.size() ? m_session.gridRows[row - 1] : QStringList();
    while (cells.size() < 6)
        cells << QString();
    cells[3] = QLatin1Char(' ') + m_session.statusTable[static_cast<std::size_t>(device)].productString +
               QLatin1Char(' ');
    m_session.setGridRow(row, cells);
}

SystemSettings::Result SystemSettings::applyProductString(const QString &text)
{
    if (!ready())
        return Result::NotConnected;
    // A second press while the first one still waits, or any request during a firmware upload.
    if (m_busy || m_session.linkHeld())
        return Result::Busy;
    const int device = m_session.selectedDevice;
    SYS_STATUS &record = m_session.statusTable[static_cast<std::size_t>(device)];
    if (text == record.productString) {
        emit statusChanged(QStringLiteral("No Changed."), false);
        return Result::Unchanged;
    }
    setBusy(true);
    const QByteArray payload = productStringPayload(text);
    const CommandResult sent =
        m_session.sendCommand(Direction::SET, Command::SYS_STR,
                              std::span(reinterpret_cast<const uint8_t *>(payload.constData()),
                                        static_cast<std::size_t>(payload.size())));
    m_lastFailure = sent.ok() ? QString() : sent.describe();
    if (sent.ok()) {
        // The stored copy follows what was sent, all of it, even when the device keeps only 31.
        record.productString = text;
        emit statusChanged(QStringLiteral("Ok."), false);
    } else {
        // Unconfirmed: the stored copy stays, so pressing Set again sends the text again.
        emit statusChanged(QString::fromLatin1(kSetFailedText), true);
    }
    pauseWithEvents(1000);
    emit statusChanged(QString(), false);
    if (sent.ok())
        showInDeviceList(device);
    setBusy(false);
    return sent.ok() ? Result::Sent : Result::Failed;
}

SystemSettings::Result SystemSettings::resetToDefaults(const QPoint *confirmAt)
{
    if (!ready())
        return Result::NotConnected;
    if (m_busy || m_session.linkHeld())
        return Result::Busy;
    if (!dialogs().confirm(QStringLiteral("Warning"), QStringLiteral("Warning!\r\nReset system to default."),
                           confirmAt))
        return Result::Cancelled;
    const int device = m_session.selectedDevice;
    setBusy(true);
    Confirmation reset;
    reset.add(m_session.sendCommand(Direction::SET, Command::SYS_DEF, {0x55}));
    pauseWithEvents(1000);
    // The answer refreshes the record while the sender pauses.
    reset.add(m_session.sendCommand(Direction::GET, Command::SYS_DSCPT, 5));
    m_lastFailure = reset.firstFailure();
    if (device == m_session.selectedDevice)
        emit productStringShown(productString());
    showInDeviceList(device);
    if (!reset.ok()) {
        emit statusChanged(QString::fromLatin1(kResetFailedText), true);
        pauseWithEvents(1500);
        emit statusChanged(QString(), false);
    }
    setBusy(false);
    return reset.ok() ? Result::Sent : Result::Failed;
}
