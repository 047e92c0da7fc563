#include "link/DeviceSession.h"

#include <QSerialPort>
#include <QElapsedTimer>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstring>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "link/SlotLists.h"

namespace {
constexpr int rxTickMs = 25;
constexpr int pollIntervalMs = 2000;
constexpr int handshakePauseMs = 160;
constexpr int getPauseMs = 50;
constexpr int setPauseMs = 20;
constexpr int userSlotSelectPauseMs = 100;
constexpr int fwData029PauseMs = 90;
constexpr int fwData091PauseMs = 30;
constexpr int sysDefPauseMs = 500;
constexpr int overflowReadBytes = 16;
constexpr const char *acceptTag = "$ACCEPT";
constexpr const char *isp029Tag = "$ISP029";
constexpr const char *isp091Tag = "$ISP091";
constexpr std::size_t tagLength = 7;

QString latin1(const char *data, qint64 size)
{
    return QString::fromLatin1(data, static_cast<qsizetype>(size));
}
QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

const char *const DeviceSession::slotListNames[4] = {"ComboBox_EdidSel_All", "ComboBox_EdidSel_Src",
                                                     "ComboBox_EdidSel_Dest", "ComboBox_EdidSel_Upload"};

DeviceSession::DeviceSession(DebugLog &log, QObject *parent) : QObject(parent), m_log(log), m_registry(log)
{
    connect(&m_registry, &DeviceRegistry::rowsChanged, this, &DeviceSession::gridChanged);
    connect(&m_registry, &DeviceRegistry::selectionChanged, this, &DeviceSession::selectionChanged);
    m_timerUartRx.setObjectName(QStringLiteral("Timer_UART_Rx"));
    m_timerUartRx.setInterval(rxTickMs);
    m_timerPollStatus.setObjectName(QStringLiteral("Timer_Poll_Status"));
    m_timerPollStatus.setInterval(pollIntervalMs);
    // A coarse timer may fire up to 5 % early; the poll runs every 2000 ms, never sooner.
    m_timerPollStatus.setTimerType(Qt::PreciseTimer);
    connect(&m_timerUartRx, &QTimer::timeout, this, &DeviceSession::onReceiveTick);
    connect(&m_timerPollStatus, &QTimer::timeout, this, &DeviceSession::pollStatus);
}

DeviceSession::~DeviceSession()
{
    closePort();
}

// ----- ports -----------------------------------------------------------------------------------

QStringList DeviceSession::listSerialPorts() const
{
    QStringList ports = m_preferredPorts;
    if (!m_portOverride.isEmpty())
        return ports + m_portOverride;
    QStringList system;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        system << info.portName();
    std::sort(system.begin(), system.end());
    for (const QString &name : system)
        if (!ports.contains(name))
            ports << name;
    return ports;
}

DeviceSession::OpenResult DeviceSession::openPort(const QString &name)
{
    closePort();
    m_portLost = false;
    ++m_portGeneration;
    m_port = new QSerialPort(this);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onPortError(static_cast<int>(e)); });
    // Linux opens a port by its path (or its name under /dev); no prefix rules.
    m_port->setPortName(name);
    if (!m_port->open(QIODevice::ReadWrite)) {
        const bool permission = m_port->error() == QSerialPort::PermissionError;
        delete m_port;
        m_port = nullptr;
        m_portHandleValid = false;
        if (permission)
            m_log.append(QStringLiteral("No permission to open ") + name +
                         QStringLiteral(": add yourself to the dialout group.\r\n"));
        return OpenResult::OpenFailed;
    }
    m_portHandleValid = true;
    m_openPortName = name;
    // Only these four fields are set here; QSerialPort's open has already made the line raw, without
    // flow control (it does not keep what an earlier user of the port left).
    const bool ok = m_port->setBaudRate(QSerialPort::Baud115200) && m_port->setDataBits(QSerialPort::Data8) &&
                    m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop);
    if (!ok) {
        closePort();
        return OpenResult::ConfigureFailed;
    }
    return OpenResult::Ok;
}

void DeviceSession::closePort()
{
    if (!m_port)
        return;
    QSerialPort *port = m_port;
    m_port = nullptr;
    port->disconnect(this);
    if (port->isOpen())
        port->close();
    port->deleteLater();
    m_openPortName.clear();
}

bool DeviceSession::portOpen() const
{
    return m_port && m_port->isOpen();
}

void DeviceSession::onPortError(int error)
{
    // The port went away (USB unplugged, the other end of a pseudo-terminal closed).
    if (error == QSerialPort::ResourceError && m_port)
        handlePortLost();
}

void DeviceSession::handlePortLost()
{
    if (m_portLost)
        return;
    m_portLost = true;
    m_log.append(QStringLiteral("Port ") + m_openPortName + QStringLiteral(" lost.\r\n"));
    m_timerUartRx.stop();
    m_timerPollStatus.stop();
    // Closing inside the port's own signal is not safe; the rest of the disconnect follows at once
    // from the event loop. A search notices the loss itself.
    QMetaObject::invokeMethod(
        this,
        [this, lost = m_portGeneration] {
            // A search may have moved on to another port meanwhile; that one stays.
            if (lost != m_portGeneration)
                return;
            closePort();
            if (!m_searching && m_connected)
                returnToIdle();
        },
        Qt::QueuedConnection);
}

// ----- transport -------------------------------------------------------------------------------

std::string_view DeviceSession::rxText() const
{
    return std::string_view(m_rxBuffer.data());
}

void DeviceSession::clearRxBuffer()
{
    m_rxLength = 0;
    m_rxBuffer.fill(0);
}

void DeviceSession::writeBytes(const char *data, qint64 size)
{
    if (portOpen() && !m_portLost)
        m_port->write(data, size);
}

void DeviceSession::onReceiveTick()
{
    if (!portOpen() || m_portLost)
        return;
    const qint64 waiting = m_port->bytesAvailable();
    if (waiting > rxCapacity) {
        // Treated as garbage: a token read, then everything waiting is thrown away.
        m_port->read(m_rxBuffer.data(), overflowReadBytes);
        m_port->clear(QSerialPort::Input);
        m_port->readAll();
        return;
    }
    if (waiting > 0) {
        const QByteArray bytes = m_port->read(waiting);
        receiveBytes(bytes.constData(), bytes.size());
        return;
    }
    checkReplyComplete();
}

void DeviceSession::receiveBytes(const char *data, qint64 size)
{
    const qint64 room = rxCapacity - static_cast<qint64>(m_rxLength);
    const qint64 take = std::clamp<qint64>(size, 0, room);
    if (take > 0) {
        std::memcpy(m_rxBuffer.data() + m_rxLength, data, static_cast<std::size_t>(take));
        m_rxBuffer[m_rxLength + take] = 0;
        m_log.append(latin1(m_rxBuffer.data() + m_rxLength, take));
        m_rxLength += static_cast<uint32_t>(take);
    }
    // A reply never writes past the buffer: what does not fit is dropped.
    if (size > take)
        m_log.append(QStringLiteral("Receive buffer full: %1 bytes dropped.\r\n").arg(size - take));
    checkReplyComplete();
}

void DeviceSession::checkReplyComplete()
{
    if (m_rxLength > 0 && m_rxBuffer[m_rxLength - 1] == '\n') {
        m_linkFlags |= replyCompleteBit;
        if (m_pumpRunning)
            processReply();
    }
}

void DeviceSession::serviceReceiveDirect()
{
    if (!portOpen() || m_portLost)
        return;
    const qint64 waiting = m_port->bytesAvailable();
    if (waiting > rxCapacity) {
        m_port->clear(QSerialPort::Input);
        m_port->readAll();
        return;
    }
    if (waiting <= 0)
        return;
    const qint64 room = rxCapacity - static_cast<qint64>(m_rxLength);
    const qint64 take = std::min(waiting, room);
    const qint64 got = take > 0 ? m_port->read(m_rxBuffer.data() + m_rxLength, take) : 0;
    if (got > 0) {
        m_rxLength += static_cast<uint32_t>(got);
        m_rxBuffer[m_rxLength] = 0;
    }
    if (waiting > take)
        m_port->read(waiting - take);
}

// ----- commands --------------------------------------------------------------------------------

CommandResult DeviceSession::sendCommand(Direction dir, Command cmd, int length, const uint8_t *payload)
{
    if (m_linkHeld) {
        CommandResult refused;
        refused.direction = dir;
        refused.command = cmd;
        return refused; // a firmware upload owns the line
    }
    return sendCommandNow(dir, cmd, length, payload);
}

DeviceSession::LinkHold::LinkHold(DeviceSession &session) : m_session(session)
{
    m_session.m_linkHeld = true;
    emit m_session.linkHeldChanged(true);
}

DeviceSession::LinkHold::~LinkHold()
{
    m_session.m_linkHeld = false;
    emit m_session.linkHeldChanged(false);
}

CommandResult DeviceSession::LinkHold::sendCommand(Direction dir, Command cmd, std::span<const uint8_t> payload)
{
    return m_session.sendCommandNow(dir, cmd, static_cast<int>(payload.size()), payload.data());
}

void DeviceSession::restartPoll()
{
    if (m_pollHolds == 0)
        m_timerPollStatus.start();
}

DeviceSession::PollHold::PollHold(DeviceSession &session) : m_session(session)
{
    if (m_session.m_pollHolds++ == 0)
        m_session.m_timerPollStatus.stop();
}

DeviceSession::PollHold::~PollHold()
{
    if (--m_session.m_pollHolds == 0 && m_session.portOpen())
        m_session.m_timerPollStatus.start();
}

bool DeviceSession::expectsAnswer(Command cmd)
{
    switch (cmd) {
    case Command::ENTRANCE:
    case Command::FW_ADDR:
    case Command::FW_DATA:
    case Command::FW_END:
    case Command::FW_CHK:
    case Command::RESERVED:
        return false;
    default:
        return true;
    }
}

void DeviceSession::flushWrites()
{
    // The pause after a line is counted from when the port has taken it, not from when it was
    // queued: otherwise the event handling inside the pause eats into the gap on the wire.
    if (!portOpen() || m_portLost)
        return;
    m_port->flush();
    if (m_port->bytesToWrite() > 0)
        m_port->waitForBytesWritten(100);
}

CommandResult DeviceSession::sendCommandNow(Direction dir, Command cmd, int length, const uint8_t *payload)
{
    CommandResult result;
    result.direction = dir;
    result.command = cmd;
    // Only table entries can be sent; RESERVED and anything past the table are not requests.
    if (static_cast<int>(cmd) >= static_cast<int>(Command::RESERVED))
        return result;
    m_timerPollStatus.stop();
    lastDirection = dir;
    lastCommand = cmd;
    lastLength = length;
    clearRxBuffer();
    const bool sent = portOpen() && !m_portLost;
    // A late answer to the previous request still waiting at the port would run into this one's
    // answer and spoil both; it is lost either way, so drop it here.
    if (sent) {
        m_port->clear(QSerialPort::Input);
        m_port->readAll();
    }
    m_answer = result;
    m_answer.outcome = CommandResult::Outcome::NoReply;
    m_awaiting = sent && expectsAnswer(cmd);

    if (cmd == Command::ENTRANCE) {
        writeBytes(" \r", 2);
        flushWrites();
        pauseWithEvents(handshakePauseMs);
    }
    const std::size_t payloadSize = (dir == Direction::SET && payload && length > 0) ? length : 0;
    const auto pieces = requestPieces(dir, cmd, std::span<const uint8_t>(payload, payloadSize));
    for (const std::string &piece : pieces)
        writeBytes(piece.data(), static_cast<qint64>(piece.size()));
    flushWrites();

    if (dir == Direction::GET) {
        // The poll stays off; the reply processing turns it back on.
        pauseWithEvents(getPauseMs);
    } else {
        pauseWithEvents(setPauseMs);
        int extra = 0;
        if (cmd == Command::ND_SEL && slotKindBits(currentStatus().selectedSlot) == 2)
            extra = userSlotSelectPauseMs;
        else if (cmd == Command::FW_DATA)
            extra = ispKind == 1 ? fwData029PauseMs : ispKind == 2 ? fwData091PauseMs : 0;
        else if (cmd == Command::SYS_DEF)
            extra = sysDefPauseMs;
        if (extra > 0)
            pauseWithEvents(extra);
    }
    // The pause is the least gap; an answer that is on its way still gets the time of two receive
    // ticks, and the port is read as it comes rather than at the next tick.
    QElapsedTimer grace;
    grace.start();
    while (m_awaiting && portOpen() && !m_portLost && grace.elapsed() < answerGraceMs) {
        if (m_timerUartRx.isActive())
            onReceiveTick();
        if (m_awaiting)
            pauseWithEvents(2);
    }
    if (dir == Direction::SET)
        restartPoll();

    if (!sent) {
        m_awaiting = false;
        result.outcome = CommandResult::Outcome::NotSent;
        return result;
    }
    result = m_answer;
    m_awaiting = false;
    if (!expectsAnswer(cmd))
        result.outcome = CommandResult::Outcome::Answered; // nothing to wait for: written is all
    return result;
}

CommandResult DeviceSession::selectSlot(SlotCode code)
{
    m_registry.setSelectedSlot(code);
    return sendCommand(Direction::SET, Command::ND_SEL,
                       {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF)});
}

// ----- device state ----------------------------------------------------------------------------

SlotListData &DeviceSession::slotList(int which)
{
    switch (which) {
    case 1:
        return slotListSrc;
    case 2:
        return slotListDest;
    case 3:
        return slotListUpload;
    default:
        return slotListAll;
    }
}

// ----- reply processing ------------------------------------------------------------------------

void DeviceSession::processReply()
{
    if (!replyComplete())
        return;
    m_linkFlags &= static_cast<uint8_t>(~replyCompleteBit);
    // Each complete line on its own: a stray line before the answer must not swallow it.
    std::size_t taken = 0;
    const std::string_view buffered(m_rxBuffer.data(), m_rxLength);
    for (std::size_t lf = buffered.find('\n'); lf != std::string_view::npos;
         lf = buffered.find('\n', taken)) {
        std::string_view line = buffered.substr(taken, lf + 1 - taken);
        taken = lf + 1;
        // Read as text, the line ends at a zero byte (and then fails its CRC check).
        line = line.substr(0, line.find('\0'));
        handleReplyLine(line);
    }
    // Taken lines stay readable as text until the next request clears the buffer (the firmware
    // upload and the handshake read it so); an unfinished line moves to the front.
    const std::size_t rest = m_rxLength - taken;
    if (rest > 0 && taken > 0) {
        std::memmove(m_rxBuffer.data(), m_rxBuffer.data() + taken, rest);
        m_rxBuffer[rest] = 0;
    }
    m_rxLength = static_cast<uint32_t>(rest);
}

void DeviceSession::handleReplyLine(std::string_view reply)
{
    if (!replyCrcOk(reply)) {
        lastLength = 0;
        m_log.addLine(QStringLiteral("CRC Error!"));
        if (m_awaiting)
            m_answer.outcome = CommandResult::Outcome::CrcError;
        restartPoll();
        return;
    }

    const Command command = lastCommand;
    bool accepted = true;
    switch (command) {
    case Command::ENTRANCE:
        // Nothing is waiting for a line: a stray or a second answer decodes nothing.
        accepted = false;
        break;
    case Command::SYS_DSCPT:
        accepted = decodeSystemDescription(reply);
        break;
    case Command::ND_DSCPT:
        accepted = decodeNodeDescription(reply);
        break;
    case Command::ND_ED0A:
    case Command::ND_ED0B:
    case Command::ND_ED1A:
    case Command::ND_ED1B:
        if (lastDirection == Direction::GET)
            accepted = decodeEdidQuarter(reply, edidQuarterOffset(command));
        break;
    case Command::RXEDMD:
        if (lastDirection == Direction::GET)
            accepted = decodeModeReport(reply);
        break;
    default:
        break;
    }

    restartPoll();
    if (command == Command::ENTRANCE)
        return;
    if (!accepted) {
        // A late answer to an earlier request, or a line that is nobody's answer: the wait for the
        // real one goes on.
        m_log.append(QStringLiteral("Reply skipped: no answer to %1 %2.\r\n")
                         .arg(QLatin1String(lastDirection == Direction::SET ? "SET" : "GET"),
                              QLatin1String(commandName(command))));
        if (m_awaiting)
            ++m_answer.skipped;
        return;
    }
    if (m_awaiting) {
        m_answer.outcome = CommandResult::Outcome::Answered;
        m_answer.reply = std::string(reply);
        m_awaiting = false;
    }
    lastLength = 0;
    lastCommand = Command::ENTRANCE;
}

bool DeviceSession::decodeSystemDescription(std::string_view reply)
{
    const auto fields = splitReplyFields(reply, 11);
    if (!fields) {
        m_log.append(QStringLiteral("System description rejected: too few fields.\r\n"));
        return false;
    }
    std::array<int64_t, 4> counts{};
    for (int i = 0; i < 4; ++i) {
        const auto value = parseDecimal((*fields)[7 + i]);
        if (!value) {
            m_log.append(QStringLiteral("System description rejected: count '") + latin1((*fields)[7 + i]) +
                         QStringLiteral("' is not a number.\r\n"));
            return false;
        }
        counts[i] = *value;
    }
    SYS_STATUS &record = m_registry.serialRecord();
    record.vid = latin1((*fields)[0]);
    record.pid = latin1((*fields)[1]);
    record.productName = latin1((*fields)[2]);
    record.productString = latin1((*fields)[3]);
    record.firmwareVersion = latin1((*fields)[5]);
    record.statusFlag = flagField((*fields)[6]) ? 1 : 0;
    record.inputCount = static_cast<uint8_t>(counts[0] & 0xFF);
    record.outputCount = static_cast<uint8_t>(counts[1] & 0xFF);
    record.userCount = static_cast<uint8_t>(counts[2] & 0xFF);
    record.internalCount = static_cast<uint8_t>(counts[3] & 0xFF);
    fillSlotLists(record);
    emit systemDescriptionStored();
    return true;
}

void DeviceSession::fillSlotLists(const SYS_STATUS &record)
{
    SlotCounts counts;
    counts.inputs = record.inputCount;
    counts.outputs = record.outputCount;
    counts.users = record.userCount;
    counts.internals = record.internalCount;
    auto toList = [](const std::vector<std::string> &items) {
        QStringList list;
        list.reserve(static_cast<qsizetype>(items.size()));
        for (const std::string &item : items)
            list << QString::fromStdString(item);
        return list;
    };
    const QStringList all = toList(allListItems(counts));
    const QStringList upload = toList(uploadListItems(counts));
    slotListAll = {all, 0};
    slotListSrc = {all, counts.inputs + 1};
    slotListDest = {upload, 0};
    slotListUpload = {upload, 0};
    emit slotListsChanged();
}

bool DeviceSession::decodeNodeDescription(std::string_view reply)
{
    SYS_STATUS &record = m_registry.serialRecord();
    const unsigned kind = slotKindBits(record.selectedSlot);
    const unsigned number = slotIndexBits(record.selectedSlot);
    if (kind > 1 || number >= static_cast<unsigned>(nodesPerKind)) {
        m_log.append(QStringLiteral("Node description not stored: no descriptor for the selected slot.\r\n"));
        // Still the answer to the request; it only has no place here.
        return splitReplyFields(reply, 8).has_value();
    }
    const auto fields = splitReplyFields(reply, 8);
    if (!fields) {
        m_log.append(QStringLiteral("Node description rejected: too few fields.\r\n"));
        return false;
    }
    std::array<int64_t, 3> values{};
    for (int i = 0; i < 3; ++i) {
        const auto value = parseDecimal((*fields)[i]);
        if (!value) {
            m_log.append(QStringLiteral("Node description rejected: '") + latin1((*fields)[i]) +
                         QStringLiteral("' is not a number.\r\n"));
            return false;
        }
        values[i] = *value;
    }
    NodeDescriptor &node = kind == 0 ? record.inputNodes[number] : record.outputNodes[number];
    node.nodeValue0 = static_cast<uint8_t>(values[0] & 0xFF);
    node.nodeValue1 = static_cast<uint8_t>(values[1] & 0xFF);
    node.nodeValue2 = static_cast<uint8_t>(values[2] & 0xFF);
    node.nodeFlag3 = flagField((*fields)[3]);
    node.modeSelectable = flagField((*fields)[4]);
    node.copyAvailable = flagField((*fields)[5]);
    node.modePolled = flagField((*fields)[6]);
    node.nodeFlag8 = flagField((*fields)[7]);
    emit nodeDescriptionStored(record.selectedSlot);
    return true;
}

bool DeviceSession::decodeEdidQuarter(std::string_view reply, int offset)
{
    // Only a body of exactly 128 hexadecimal digits is a quarter; anything else (the answer to an
    // earlier SET, say) must not become image bytes.
    const std::string_view body = replyBody(reply);
    if (!isEdidQuarterBody(body))
        return false;
    EdidImage &image = transferImage();
    for (int i = 0; i < 64; ++i) {
        const uint8_t high = hexDigitValue(body[static_cast<std::size_t>(2 * i)]);
        const uint8_t low = hexDigitValue(body[static_cast<std::size_t>(2 * i + 1)]);
        image[static_cast<std::size_t>(offset + i)] =
            static_cast<uint8_t>(((high << 4) + (low & 0x0F)) & 0xFF);
    }
    return true;
}

bool DeviceSession::decodeModeReport(std::string_view reply)
{
    const auto fields = splitReplyFields(reply, 1);
    if (!fields) {
        m_log.append(QStringLiteral("Mode report rejected: no field.\r\n"));
        return false;
    }
    const auto value = parseDecimal((*fields)[0]);
    if (!value) {
        m_log.append(QStringLiteral("Mode report rejected: '") + latin1((*fields)[0]) +
                     QStringLiteral("' is not a number.\r\n"));
        return false;
    }
    emit edidModeReported(static_cast<quint8>(*value & 0xFF));
    return true;
}

// ----- connection ------------------------------------------------------------------------------

QString DeviceSession::productAfterTag(std::string_view text, std::size_t tagPos) const
{
    QString product = latin1(text.substr(std::min(text.size(), tagPos + tagLength)));
    // The line end is not part of the name.
    while (product.endsWith(QLatin1Char('\n')) || product.endsWith(QLatin1Char('\r')))
        product.chop(1);
    return product;
}

void DeviceSession::search()
{
    if (m_searching || m_connected)
        return;
    m_searching = true;
    m_descriptionReceived = false;

    m_registry.startSearch();
    emit searchStarted();
    emit selectionChanged();

    emit networkDiscoveryRequested();

    m_portList = listSerialPorts();
    emit portListChanged(m_portList);

    bool busy = false;
    for (const QString &name : QStringList(m_portList)) {
        const OpenResult opened = openPort(name);
        if (opened == OpenResult::OpenFailed) {
            m_log.append(QStringLiteral("Open ") + name + QStringLiteral(" Failed.\r\n"));
            continue;
        }
        m_log.append(QStringLiteral("Check ") + name + QStringLiteral("\r\n"));
        if (opened == OpenResult::ConfigureFailed) {
            m_log.append(QStringLiteral("Set COM Failed.\r\n"));
            continue;
        }
        if (!busy) {
            busy = true;
            emit busyChanged(true);
        }
        m_pumpRunning = true;
        m_timerUartRx.start();

        sendCommand(Direction::GET, Command::ENTRANCE, 0);
        pauseWithEvents(handshakePauseMs);
        if (m_portLost) {
            closePort();
            continue;
        }
        const std::string text(rxText());

        if (text.find(acceptTag) != std::string::npos) {
            m_log.append(QStringLiteral("Got One Device!\r\n"));
            // The probed device's record is filled apart and gets its list index when its row is
            // made, so a network device listed during these pauses cannot share the index.
            m_registry.beginProbe();
            m_connected = true;
            emit connectionChanged(true, false);
            m_registry.select(m_registry.count());
            Confirmation description;
            description.add(sendCommand(Direction::GET, Command::SYS_DSCPT, 5));
            description.add(selectSlot(0x0000));
            description.add(sendCommand(Direction::GET, Command::ND_DSCPT, 5));
            SYS_STATUS record = m_registry.endProbe();
            m_descriptionReceived = description.ok();
            if (!description.ok() && !m_portLost)
                m_log.append(QStringLiteral("No description received from ") + name + QStringLiteral(" (") +
                             description.firstFailure() + QStringLiteral(").\r\n"));
            if (m_portLost) {
                finishSearch();
                returnToIdle();
                return;
            }
            if (!m_connected) {
                // Disconnect was pressed while the description was read: nothing to list.
                finishSearch();
                return;
            }
            record.interfaceKind = interfaceSerial;
            record.inputNodes[0].currentEdidMode = 255;
            const int index = m_registry.list(record);
            if (index < 0) {
                // No record left: the device is let go, the listed ones stay.
                abandonProbedPort();
                for (int i = 0; i < 4; ++i)
                    slotList(i) = SlotListData{};
                emit slotListsChanged();
                m_connected = false;
                emit connectionChanged(false, false);
                finishSearch();
                return;
            }
            m_registry.select(index);
            m_registry.setSerialIndex(index);
            if (record.inputNodes[0].modeSelectable == 1)
                emit modeButtonsEnabled(true, record.internalCount, record.outputCount, record.userCount);
            m_registry.showRow(index, {QString::number(index + 1), name, record.productName,
                                   QStringLiteral(" ") + record.productString + QStringLiteral(" "),
                                   QStringLiteral("NC"), QStringLiteral("NC")});
            finishSearch();
            return;
        }

        m_log.append(QStringLiteral("No Device Detected.\r\n"));
        const std::size_t pos029 = text.find(isp029Tag);
        const std::size_t pos091 = text.find(isp091Tag);
        std::size_t tagPos = std::string::npos;
        if (pos091 != std::string::npos) {
            ispKind = 2;
            tagPos = pos091;
        } else if (pos029 != std::string::npos) {
            ispKind = 1;
            tagPos = pos029;
        } else {
            ispKind = 0;
        }
        if (ispKind != 0) {
            // No description is read: the record keeps what it held, now a serial device's.
            SYS_STATUS record = m_registry.status(m_registry.count());
            record.interfaceKind = interfaceSerial;
            const int index = m_registry.list(record);
            if (index < 0) {
                abandonProbedPort();
                finishSearch();
                return;
            }
            m_linkFlags |= ispModeBit;
            m_connected = true;
            emit connectionChanged(true, true);
            m_registry.setSerialIndex(index);
            m_registry.showRow(index, {QString::number(index + 1), name, productAfterTag(text, tagPos),
                                   QStringLiteral("ISP Mode"), QStringLiteral("NC"), QStringLiteral("NC")});
            finishSearch();
            return;
        }
        abandonProbedPort();
    }
    if (busy)
        emit busyChanged(false);
    m_searching = false;
}

void DeviceSession::abandonProbedPort()
{
    m_timerUartRx.stop();
    m_timerPollStatus.stop();
    closePort();
}

void DeviceSession::finishSearch()
{
    emit busyChanged(false);
    m_searching = false;
    emit selectionChanged();
}

void DeviceSession::disconnect()
{
    if (!m_portHandleValid || m_linkHeld)
        return;
    returnToIdle();
}

void DeviceSession::returnToIdle()
{
    m_linkFlags = 0;
    closePort();
    m_pumpRunning = false;
    m_timerUartRx.stop();
    m_timerPollStatus.stop();
    m_connected = false;
    emit connectionChanged(false, false);

    // The mode buttons are the serial device's, whichever row is chosen.
    const int serial = m_registry.serialIndex() >= 0 ? m_registry.serialIndex() : m_registry.selected();
    const SYS_STATUS &record = m_registry.status(serial);
    emit modeButtonsEnabled(false, record.internalCount, record.outputCount, record.userCount);

    for (int i = 0; i < 4; ++i)
        slotList(i) = SlotListData{};
    emit slotListsChanged();

    m_registry.clearList();
    emit gridHeaderReset();
    emit closeWindowsRequested();
}

void DeviceSession::pollStatus()
{
    // A loader in firmware-update mode has no EDID mode; its record may still hold the flags of an
    // earlier normal connection, so it is not asked.
    if (ispMode())
        return;
    for (int i = 0; i < m_registry.count() && i < DeviceRegistry::capacity; ++i) {
        const SYS_STATUS &record = m_registry.status(i);
        if (record.interfaceKind == interfaceSerial && record.inputNodes[0].modePolled != 0 && portOpen())
            sendCommand(Direction::GET, Command::RXEDMD, 2);
    }
}
