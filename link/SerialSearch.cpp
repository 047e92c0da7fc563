#include "link/SerialSearch.h"

#include <algorithm>

#include <QElapsedTimer>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "link/CommandChannel.h"
#include "link/DeviceRegistry.h"
#include "link/SerialTransport.h"
#include "shell/Latin1.h"

namespace {
constexpr const char *acceptTag = "$ACCEPT";
constexpr const char *isp029Tag = "$ISP029";
constexpr const char *isp091Tag = "$ISP091";
constexpr std::size_t tagLength = 7;

// Whether the handshake text holds an answer: one of the three tags.
bool handshakeAnswered(std::string_view text)
{
    for (const char *tag : {acceptTag, isp029Tag, isp091Tag})
        if (text.find(tag) != std::string_view::npos)
            return true;
    return false;
}

} // namespace

SerialSearch::SerialSearch(SerialTransport &transport, CommandChannel &channel, DeviceRegistry &devices,
                           DebugLog &log, QObject *parent)
    : QObject(parent), m_transport(transport), m_channel(channel), m_registry(devices), m_log(log)
{
    connect(&m_channel, &CommandChannel::pollDue, this, &SerialSearch::pollStatus);
    connect(&m_transport, &SerialTransport::portLost, this, &SerialSearch::onPortLost);
    connect(&m_channel, &CommandChannel::operationRunningChanged, this, [this](bool running) {
        if (running || !m_disconnectPending)
            return;
        m_disconnectPending = false;
        if (m_transport.handleValid())
            returnToIdle();
    });
}

void SerialSearch::onPortLost()
{
    m_channel.stopPoll();
    emit linkProblem(QStringLiteral("Port ") + m_transport.openPortName() + QStringLiteral(" lost."));
    // Closing inside the port's own signal is not safe; the rest of the disconnect follows at once
    // from the event loop. A search notices the loss itself.
    QMetaObject::invokeMethod(
        this,
        [this, lost = m_transport.generation()] {
            // A search may have moved on to another port meanwhile; that one stays.
            if (lost != m_transport.generation())
                return;
            m_transport.close();
            if (!m_searching && m_connected)
                returnToIdle();
        },
        Qt::QueuedConnection);
}

QString SerialSearch::productAfterTag(std::string_view text, std::size_t tagPos) const
{
    QString product = latin1(text.substr(std::min(text.size(), tagPos + tagLength)));
    // The line end is not part of the name.
    while (product.endsWith(QLatin1Char('\n')) || product.endsWith(QLatin1Char('\r')))
        product.chop(1);
    return product;
}

void SerialSearch::search()
{
    if (m_searching || m_connected)
        return;
    const CommandChannel::Operation operation = m_channel.beginOperation(QStringLiteral("Search"));
    if (!operation)
        return;
    beginSearch();
    bool busy = false;
    for (const QString &name : QStringList(m_portList)) {
        if (!openForProbe(name))
            continue;
        if (!busy) {
            busy = true;
            emit busyChanged(true);
        }
        const std::optional<std::string> text = handshake();
        if (!text)
            continue;
        if (text->find(acceptTag) != std::string::npos) {
            listDevice(name);
            return;
        }
        m_log.append(QStringLiteral("No Device Detected.\r\n"));
        if (listLoader(name, *text))
            return;
        abandonProbedPort();
    }
    if (busy)
        emit busyChanged(false);
    m_searching = false;
}

void SerialSearch::beginSearch()
{
    m_searching = true;
    emit linkProblem(QString());
    m_descriptionReceived = false;

    m_registry.startSearch();
    emit searchStarted();
    emit listChanged();

    emit networkDiscoveryRequested();

    m_portList = m_transport.listSerialPorts();
    emit portListChanged(m_portList);
}

bool SerialSearch::openForProbe(const QString &name)
{
    const SerialTransport::OpenResult opened = m_transport.open(name);
    if (opened == SerialTransport::OpenResult::OpenFailed) {
        m_log.append(QStringLiteral("Open ") + name + QStringLiteral(" Failed.\r\n"));
        return false;
    }
    m_log.append(QStringLiteral("Check ") + name + QStringLiteral("\r\n"));
    if (opened == SerialTransport::OpenResult::ConfigureFailed) {
        m_log.append(QStringLiteral("Set COM Failed.\r\n"));
        return false;
    }
    return true;
}

std::optional<std::string> SerialSearch::handshake()
{
    m_channel.setReplyPumpRunning(true);
    m_transport.startReceiveTick();

    m_channel.sendCommand(Direction::GET, Command::ENTRANCE, 0);
    pauseWithEvents(CommandChannel::handshakePauseMs);
    // As with every request, an answer still on its way after the pause gets the time of two
    // receive ticks, and the port is read as it comes.
    QElapsedTimer grace;
    grace.start();
    while (m_transport.usable() && !handshakeAnswered(m_transport.rxText()) &&
           grace.elapsed() < CommandChannel::answerGraceMs) {
        m_transport.onReceiveTick();
        if (!handshakeAnswered(m_transport.rxText()))
            pauseWithEvents(2);
    }
    if (m_transport.lost()) {
        m_transport.close();
        return std::nullopt;
    }
    return std::string(m_transport.rxText());
}

void SerialSearch::listDevice(const QString &name)
{
    m_log.append(QStringLiteral("Got One Device!\r\n"));
    // The probed device's record is filled apart and gets its list index when its row is made, so a
    // network device listed during these pauses cannot share the index.
    m_registry.beginProbe();
    m_connected = true;
    emit connectionChanged(true, false);
    m_registry.select(m_registry.count());
    Confirmation description;
    description.add(m_channel.sendCommand(Direction::GET, Command::SYS_DSCPT, 5));
    description.add(m_channel.selectSlot(0x0000));
    description.add(m_channel.sendCommand(Direction::GET, Command::ND_DSCPT, 5));
    SYS_STATUS record = m_registry.endProbe();
    m_descriptionReceived = description.ok();
    if (!description.ok() && !m_transport.lost() && !m_channel.operationCancelled()) {
        m_log.append(QStringLiteral("No description received from ") + name + QStringLiteral(" (") +
                     description.firstFailure() + QStringLiteral(").\r\n"));
        emit linkProblem(QStringLiteral("No description from ") + name + QLatin1Char('.'));
    }
    if (m_transport.lost()) {
        finishSearch();
        returnToIdle();
        return;
    }
    if (!m_connected || m_channel.operationCancelled()) {
        // Disconnect was pressed while the description was read: nothing to list (the disconnect
        // itself follows when the search ends).
        finishSearch();
        return;
    }
    record.interfaceKind = interfaceSerial;
    record.inputNodes[0].currentEdidMode = 255;
    const int index = m_registry.list(record);
    if (index < 0) {
        // No record left: the device is let go, the listed ones stay.
        abandonProbedPort();
        emit slotListsEmptied();
        m_connected = false;
        emit connectionChanged(false, false);
        finishSearch();
        return;
    }
    m_registry.select(index);
    m_registry.setSerialIndex(index);
    if (record.inputNodes[0].modeSelectable == 1)
        emit modesAvailable(true, record.internalCount, record.outputCount, record.userCount);
    m_registry.showRow(index, {QString::number(index + 1), name, record.productName,
                              QStringLiteral(" ") + record.productString + QStringLiteral(" "),
                              QStringLiteral("NC"), QStringLiteral("NC")});
    finishSearch();
}

bool SerialSearch::listLoader(const QString &name, const std::string &text)
{
    const std::size_t pos029 = text.find(isp029Tag);
    const std::size_t pos091 = text.find(isp091Tag);
    std::size_t tagPos = std::string::npos;
    if (pos091 != std::string::npos) {
        m_channel.setIspKind(2);
        tagPos = pos091;
    } else if (pos029 != std::string::npos) {
        m_channel.setIspKind(1);
        tagPos = pos029;
    } else {
        m_channel.setIspKind(0);
    }
    if (m_channel.ispKind() == 0)
        return false;
    // No description is read: the record keeps what it held, now a serial device's.
    SYS_STATUS record = m_registry.status(m_registry.count());
    record.interfaceKind = interfaceSerial;
    const int index = m_registry.list(record);
    if (index < 0) {
        abandonProbedPort();
        finishSearch();
        return true;
    }
    m_transport.setIspMode();
    m_connected = true;
    emit connectionChanged(true, true);
    m_registry.setSerialIndex(index);
    m_registry.showRow(index, {QString::number(index + 1), name, productAfterTag(text, tagPos),
                              QStringLiteral("ISP Mode"), QStringLiteral("NC"), QStringLiteral("NC")});
    finishSearch();
    return true;
}

void SerialSearch::abandonProbedPort()
{
    m_transport.stopReceiveTick();
    m_channel.stopPoll();
    m_transport.close();
}

void SerialSearch::finishSearch()
{
    emit busyChanged(false);
    m_searching = false;
    emit listChanged();
}

void SerialSearch::disconnect()
{
    if (!m_transport.handleValid())
        return;
    if (m_channel.linkHeld()) {
        m_log.append(QStringLiteral("Disconnect refused: the firmware update owns the link.\r\n"));
        return;
    }
    if (m_channel.operationRunning()) {
        // The request on the wire finishes and the operation ends as failed; then the disconnect.
        m_channel.cancelOperation(QStringLiteral("Disconnect"));
        m_disconnectPending = true;
        return;
    }
    returnToIdle();
}

void SerialSearch::returnToIdle()
{
    m_transport.clearLinkFlags();
    m_transport.close();
    m_channel.setReplyPumpRunning(false);
    m_transport.stopReceiveTick();
    m_channel.stopPoll();
    m_connected = false;
    emit connectionChanged(false, false);

    // The modes are the serial device's, whichever row is chosen.
    const int serial = m_registry.serialIndex() >= 0 ? m_registry.serialIndex() : m_registry.selected();
    const SYS_STATUS &record = m_registry.status(serial);
    emit modesAvailable(false, record.internalCount, record.outputCount, record.userCount);

    emit slotListsEmptied();

    m_registry.clearList();
    emit returnedToIdle();
}

void SerialSearch::pollStatus()
{
    // A loader in firmware-update mode has no EDID mode; its record may still hold the flags of an
    // earlier normal connection, so it is not asked.
    if (m_transport.ispMode())
        return;
    for (int i = 0; i < m_registry.count() && i < DeviceRegistry::capacity; ++i) {
        const SYS_STATUS &record = m_registry.status(i);
        if (record.interfaceKind == interfaceSerial && record.inputNodes[0].modePolled != 0 &&
            m_transport.isOpen())
            m_channel.sendPoll(Direction::GET, Command::RXEDMD, 2);
    }
}
