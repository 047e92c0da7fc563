#include "link/CommandChannel.h"

#include <QElapsedTimer>
#include <QThread>

#include <ctime>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "link/DeviceRegistry.h"
#include "link/SerialTransport.h"

namespace {
constexpr int pollIntervalMs = 2000;
constexpr int getPauseMs = 50;
constexpr int setPauseMs = 20;
constexpr int userSlotSelectPauseMs = 100;
constexpr int fwData029PauseMs = 90;
constexpr int fwData091PauseMs = 30;
constexpr int sysDefPauseMs = 500;
// A click during a request waits for the request's end (then finds the operation running, or none).
constexpr QEventLoop::ProcessEventsFlags requestPauseFlags = QEventLoop::ExcludeUserInputEvents;

int eventLoopLevel()
{
    return QThread::currentThread()->loopLevel();
}

// The clock kelmctl stamps its early wake-up with.
qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
} // namespace

CommandChannel::CommandChannel(SerialTransport &transport, DeviceRegistry &devices, DebugLog &log,
                               QObject *parent)
    : QObject(parent), m_transport(transport), m_devices(devices), m_log(log)
{
    m_pollTimer.setObjectName(QStringLiteral("Timer_Poll_Status"));
    m_pollTimer.setInterval(pollIntervalMs);
    // A coarse timer may fire up to 5 % early; the poll runs every 2000 ms, never sooner.
    m_pollTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, &CommandChannel::pollDue);
    connect(&m_transport, &SerialTransport::replyMarked, this, [this] {
        if (m_pumpRunning)
            processReply();
    });
}

bool CommandChannel::expectsAnswer(Command cmd)
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

void CommandChannel::expectReplyTo(Direction dir, Command cmd)
{
    m_lastDirection = dir;
    m_lastCommand = cmd;
}

// ----- holds -------------------------------------------------------------------------------------

void CommandChannel::restartPoll()
{
    if (m_pollHolds == 0)
        m_pollTimer.start();
}

CommandChannel::PollHold::PollHold(CommandChannel &channel) : m_channel(channel)
{
    if (m_channel.m_pollHolds++ == 0)
        m_channel.m_pollTimer.stop();
}

CommandChannel::PollHold::~PollHold()
{
    if (--m_channel.m_pollHolds == 0 && m_channel.m_transport.isOpen())
        m_channel.m_pollTimer.start();
}

CommandChannel::LinkHold::LinkHold(CommandChannel &channel) : m_channel(channel)
{
    // The upload is a device operation of its own unless its caller already began one.
    if (!m_channel.m_operationRunning)
        m_channel.m_holdOperation = m_channel.beginOperation(QStringLiteral("Firmware update"));
    m_channel.m_linkHeld = true;
    emit m_channel.linkHeldChanged(true);
}

CommandChannel::LinkHold::~LinkHold()
{
    m_channel.m_linkHeld = false;
    emit m_channel.linkHeldChanged(false);
    m_channel.m_holdOperation.end();
}

// ----- operations --------------------------------------------------------------------------------

CommandChannel::Operation &CommandChannel::Operation::operator=(Operation &&other) noexcept
{
    if (this != &other) {
        end();
        m_channel = std::exchange(other.m_channel, nullptr);
    }
    return *this;
}

void CommandChannel::Operation::end()
{
    if (CommandChannel *channel = std::exchange(m_channel, nullptr))
        channel->endOperation();
}

CommandChannel::Operation CommandChannel::beginOperation(const QString &name)
{
    if (m_operationRunning || m_inFlight) {
        const QString running = m_operationRunning ? m_operationName : QStringLiteral("a status poll");
        m_log.append(QStringLiteral("%1 refused: %2 is running.\r\n").arg(name, running));
        return Operation();
    }
    m_operationRunning = true;
    m_operationName = name;
    m_operationLoopLevel = eventLoopLevel();
    m_cancelled = false;
    m_bracketOpen = false;
    emit operationRunningChanged(true);
    return Operation(this);
}

void CommandChannel::endOperation()
{
    if (!m_operationRunning)
        return;
    // An operation that ended early (cancelled, or left by its caller) still closes its bracket.
    if (m_bracketOpen && m_transport.usable()) {
        m_cancelled = false;
        sendNow(Direction::SET, Command::SYS_CTM, 0, nullptr);
    }
    m_bracketOpen = false;
    m_operationRunning = false;
    m_cancelled = false;
    m_operationName.clear();
    emit operationRunningChanged(false);
}

void CommandChannel::cancelOperation(const QString &why)
{
    if (!m_operationRunning || m_cancelled)
        return;
    m_cancelled = true;
    m_log.append(QStringLiteral("%1 stopped: %2.\r\n").arg(m_operationName, why));
}

CommandResult CommandChannel::refuse(Direction dir, Command cmd, const QString &why)
{
    CommandResult refused;
    refused.direction = dir;
    refused.command = cmd;
    m_log.append(QStringLiteral("%1 %2 refused: %3.\r\n")
                     .arg(QLatin1String(dir == Direction::SET ? "SET" : "GET"), QLatin1String(commandName(cmd)),
                          why));
    return refused;
}

CommandResult CommandChannel::sendPoll(Direction dir, Command cmd, int length)
{
    if (m_inFlight || m_linkHeld || m_cancelled) {
        CommandResult skipped;
        skipped.direction = dir;
        skipped.command = cmd;
        return skipped;
    }
    m_polling = true;
    const CommandResult result = sendNow(dir, cmd, length, nullptr);
    m_polling = false;
    return result;
}

CommandResult CommandChannel::LinkHold::sendCommand(Direction dir, Command cmd, std::span<const uint8_t> payload)
{
    return m_channel.sendNow(dir, cmd, static_cast<int>(payload.size()), payload.data());
}

// ----- sending -----------------------------------------------------------------------------------

CommandResult CommandChannel::sendCommand(Direction dir, Command cmd, int length, const uint8_t *payload)
{
    if (m_linkHeld) {
        CommandResult refused;
        refused.direction = dir;
        refused.command = cmd;
        return refused; // a firmware upload owns the line
    }
    // Only the request's own caller may send: one reached from an event handled inside its pause
    // would take over the buffer and the answer.
    if (m_inFlight)
        return refuse(dir, cmd, QStringLiteral("another request is on the wire"));
    if (m_operationRunning) {
        if (eventLoopLevel() > m_operationLoopLevel)
            return refuse(dir, cmd, m_operationName + QStringLiteral(" is running"));
        if (m_cancelled && !(cmd == Command::SYS_CTM && m_bracketOpen))
            return refuse(dir, cmd, m_operationName + QStringLiteral(" was stopped"));
    }
    return sendNow(dir, cmd, length, payload);
}

CommandResult CommandChannel::sendNow(Direction dir, Command cmd, int length, const uint8_t *payload)
{
    CommandResult result;
    result.direction = dir;
    result.command = cmd;
    // Only table entries can be sent; RESERVED and anything past the table are not requests.
    if (static_cast<int>(cmd) >= static_cast<int>(Command::RESERVED))
        return result;
    m_pollTimer.stop();
    m_inFlight = true;
    if (m_operationRunning && !m_polling && dir == Direction::SET) {
        if (cmd == Command::SYS_STM)
            m_bracketOpen = true;
        else if (cmd == Command::SYS_CTM)
            m_bracketOpen = false;
    }
    // A handshake starts afresh (a new port, or the same one woken again).
    if (cmd == Command::ENTRANCE)
        m_outOfStep = false;
    if (m_outOfStep)
        settleAfterMiss();
    m_lastDirection = dir;
    m_lastCommand = cmd;
    m_lastLength = length;
    m_transport.clear();
    const bool sent = m_transport.usable();
    // A late answer to the previous request still waiting at the port would run into this one's
    // answer and spoil both; it is lost either way, so drop it here.
    m_transport.discardInput();
    m_answer = result;
    m_answer.outcome = CommandResult::Outcome::NoReply;
    m_awaiting = sent && expectsAnswer(cmd);

    // The pause after a line is counted from when the port has taken it, not from when it was
    // queued: otherwise the event handling inside the pause eats into the gap on the wire.
    if (cmd == Command::ENTRANCE) {
        // When kelmctl already woke the port, only the rest of the pause is left. A wake-up older
        // than the pause is sent again: the line has to follow its wake-up after the pause, not
        // just at some time after it.
        const std::optional<qint64> wokenNs = m_transport.takeEarlyWakeUp();
        const qint64 sinceNs = wokenNs ? monotonicNs() - *wokenNs : -1;
        const qint64 pauseNs = qint64(handshakePauseMs) * 1'000'000;
        if (sinceNs >= 0 && sinceNs < pauseNs) {
            pauseWithEvents(static_cast<int>((pauseNs - sinceNs + 999'999) / 1'000'000), requestPauseFlags);
        } else {
            m_transport.write(" \r", 2);
            m_transport.flush();
            pauseWithEvents(handshakePauseMs, requestPauseFlags);
        }
    }
    const std::size_t payloadSize = (dir == Direction::SET && payload && length > 0) ? length : 0;
    const auto pieces = requestPieces(dir, cmd, std::span<const uint8_t>(payload, payloadSize));
    for (const std::string &piece : pieces)
        m_transport.write(piece.data(), static_cast<qint64>(piece.size()));
    m_transport.flush();

    if (dir == Direction::GET) {
        // The poll stays off; the reply processing turns it back on.
        pauseWithEvents(getPauseMs, requestPauseFlags);
    } else {
        pauseWithEvents(setPauseMs, requestPauseFlags);
        int extra = 0;
        if (cmd == Command::ND_SEL && slotKindBits(m_devices.serialRecord().selectedSlot) == 2)
            extra = userSlotSelectPauseMs;
        else if (cmd == Command::FW_DATA)
            extra = m_ispKind == 1 ? fwData029PauseMs : m_ispKind == 2 ? fwData091PauseMs : 0;
        else if (cmd == Command::SYS_DEF)
            extra = sysDefPauseMs;
        if (extra > 0)
            pauseWithEvents(extra, requestPauseFlags);
    }
    // The pause is the least gap; an answer that is on its way still gets the time of two receive
    // ticks, and the port is read as it comes rather than at the next tick.
    QElapsedTimer grace;
    grace.start();
    while (m_awaiting && m_transport.usable() && grace.elapsed() < answerGraceMs) {
        if (m_transport.receiveTickRunning())
            m_transport.onReceiveTick();
        if (m_awaiting)
            pauseWithEvents(2, requestPauseFlags);
    }
    if (dir == Direction::SET)
        restartPoll();

    m_inFlight = false;
    if (!sent) {
        m_awaiting = false;
        result.outcome = CommandResult::Outcome::NotSent;
        return result;
    }
    result = m_answer;
    m_outOfStep = m_awaiting && m_transport.usable();
    m_awaiting = false;
    if (!expectsAnswer(cmd))
        result.outcome = CommandResult::Outcome::Answered; // nothing to wait for: written is all
    return result;
}

void CommandChannel::settleAfterMiss()
{
    m_outOfStep = false;
    if (!m_transport.usable())
        return;
    m_log.append(QStringLiteral("Waiting for the line to settle after a missed answer.\r\n"));
    // Nothing is awaited meanwhile, so a line that completes is decoded as nobody's answer and
    // dropped; what is still unfinished at the end goes with the next request's clear.
    pauseWithEvents(settleAfterMissMs, requestPauseFlags);
    m_transport.discardInput();
}

CommandResult CommandChannel::selectSlot(uint16_t code)
{
    m_devices.setSelectedSlot(code);
    return sendCommand(Direction::SET, Command::ND_SEL,
                       {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF)});
}

// ----- replies -----------------------------------------------------------------------------------

void CommandChannel::processReply()
{
    if (!m_transport.replyComplete())
        return;
    m_transport.takeReplyComplete();
    // Each complete line on its own: a stray line before the answer must not swallow it.
    std::size_t taken = 0;
    const std::string_view buffered = m_transport.buffered();
    for (std::size_t lf = buffered.find('\n'); lf != std::string_view::npos; lf = buffered.find('\n', taken)) {
        std::string_view line = buffered.substr(taken, lf + 1 - taken);
        taken = lf + 1;
        // Read as text, the line ends at a zero byte (and then fails its CRC check).
        line = line.substr(0, line.find('\0'));
        handleReplyLine(line);
    }
    // Taken lines stay readable as text until the next request clears the buffer (the firmware
    // upload and the handshake read it so); an unfinished line moves to the front.
    m_transport.consume(taken);
}

void CommandChannel::handleReplyLine(std::string_view reply)
{
    if (!replyCrcOk(reply)) {
        m_lastLength = 0;
        m_log.addLine(QStringLiteral("CRC Error!"));
        if (m_awaiting)
            m_answer.outcome = CommandResult::Outcome::CrcError;
        restartPoll();
        return;
    }

    const Command command = m_lastCommand;
    // After the handshake nothing is waiting for a line: a stray or a second answer decodes nothing.
    const bool accepted =
        command != Command::ENTRANCE && (!m_decoder || m_decoder(m_lastDirection, command, reply));

    restartPoll();
    if (command == Command::ENTRANCE)
        return;
    if (!accepted) {
        // A late answer to an earlier request, or a line that is nobody's answer: the wait for the
        // real one goes on.
        m_log.append(QStringLiteral("Reply skipped: no answer to %1 %2.\r\n")
                         .arg(QLatin1String(m_lastDirection == Direction::SET ? "SET" : "GET"),
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
    m_lastLength = 0;
    m_lastCommand = Command::ENTRANCE;
}
