#include "system/SystemSettings.h"

#include <QTimer>

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
    const int i = m_session.registry().selected();
    if (i < 0 || i >= DeviceRegistry::capacity)
        return {};
    return m_session.registry().status(i).productString;
}

bool SystemSettings::ready()
{
    // Without a device (Search enabled) the buttons do nothing, as every page action; with a
    // network device chosen, the serial device would get a request the operator did not aim at it.
    const int i = m_session.registry().selected();
    return m_session.connected() && !m_session.registry().networkSelected() && i >= 0 &&
           i < DeviceRegistry::capacity;
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
    DeviceRegistry &devices = m_session.registry();
    if (!devices.listed(device))
        return;
    const int row = device + 1;
    QStringList cells = row <= devices.rows().size() ? devices.rows()[row - 1] : QStringList();
    while (cells.size() < DeviceRegistry::columns)
        cells << QString();
    cells[3] = QLatin1Char(' ') + devices.status(device).productString + QLatin1Char(' ');
    devices.setRow(row, cells);
}

SystemSettings::Result SystemSettings::applyProductString(const QString &text)
{
    if (!ready())
        return Result::NotConnected;
    // A second press while the first one still waits, or any request during a firmware upload.
    if (m_busy || m_session.channel().linkHeld())
        return Result::Busy;
    const int device = m_session.registry().selected();
    if (text == m_session.registry().status(device).productString) {
        ++m_statusGeneration;
        emit statusChanged(QStringLiteral("No Changed."), false);
        return Result::Unchanged;
    }
    const CommandChannel::Operation operation =
        m_session.channel().beginOperation(QStringLiteral("Description"));
    if (!operation)
        return Result::Busy;
    setBusy(true);
    const QByteArray payload = productStringPayload(text);
    const CommandResult sent =
        m_session.channel().sendCommand(Direction::SET, Command::SYS_STR,
                                        std::span(reinterpret_cast<const uint8_t *>(payload.constData()),
                                                  static_cast<std::size_t>(payload.size())));
    m_lastFailure = sent.ok() ? QString() : sent.describe();
    if (sent.ok()) {
        // The stored copy follows what was sent, all of it, even when the device keeps only 31.
        m_session.registry().setProductString(device, text);
        ++m_statusGeneration;
        emit statusChanged(QStringLiteral("Ok."), false);
    } else {
        // Unconfirmed: the stored copy stays, so pressing Set again sends the text again.
        ++m_statusGeneration;
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
    if (m_busy || m_session.channel().linkHeld())
        return Result::Busy;
    if (!dialogs().confirm(QStringLiteral("Warning"), QStringLiteral("Warning!\r\nReset system to default."),
                           confirmAt))
        return Result::Cancelled;
    const CommandChannel::Operation operation = m_session.channel().beginOperation(QStringLiteral("Reset"));
    if (!operation)
        return Result::Busy;
    const int device = m_session.registry().selected();
    setBusy(true);
    Confirmation reset;
    // Without the SYS_DEF answer the reset has failed: no wait for a device that may not be resetting.
    if (reset.add(m_session.channel().sendCommand(Direction::SET, Command::SYS_DEF, {0x55}))) {
        pauseWithEvents(1000);
        // The answer refreshes the record while the sender pauses.
        reset.add(m_session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5));
        if (device == m_session.registry().selected())
            emit productStringShown(productString());
        showInDeviceList(device);
    }
    m_lastFailure = reset.firstFailure();
    if (!reset.ok()) {
        // The failure is reported at once; the label clears itself later unless something newer
        // took it.
        emit statusChanged(QString::fromLatin1(kResetFailedText), true);
        const int shown = ++m_statusGeneration;
        QTimer::singleShot(1500, this, [this, shown] {
            if (shown == m_statusGeneration)
                emit statusChanged(QString(), false);
        });
    }
    setBusy(false);
    return reset.ok() ? Result::Sent : Result::Failed;
}
