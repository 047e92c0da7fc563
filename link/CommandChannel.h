#pragma once

// Requests to the device and what each one got back. sendCommand is the only way to send one: it
// stops the status poll, clears the receive buffer, writes the line and pauses; the replies the
// transport collects meanwhile are checked (CRC), matched to the request and handed to the decoder.
// The status poll's timer lives here because every request stops it and every SET and processed
// reply starts it again; operations of several requests hold it off with a PollHold.

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>

#include "link/CommandResult.h"
#include "link/Protocol.h"

class DebugLog;
class DeviceRegistry;
class SerialTransport;

class CommandChannel : public QObject
{
    Q_OBJECT
  public:
    // The registry gives the slot code the ND_SEL pause depends on.
    CommandChannel(SerialTransport &transport, DeviceRegistry &devices, DebugLog &log, QObject *parent = nullptr);

    // Decodes a line with a good CRC against the request it may answer; false when it is no answer
    // to that request (it is then skipped and the wait goes on).
    using Decoder = std::function<bool(Direction, Command, std::string_view reply)>;
    void setDecoder(Decoder decoder) { m_decoder = std::move(decoder); }

    // Pauses (20 ms after a SET, 50 ms after a GET, plus the extra pauses) are counted from when the
    // port has taken the line. They are minimum gaps: a request whose answer has not come by then
    // waits up to answerGraceMs more for it. The result says what came back for this request; a
    // late answer to an earlier one never counts.
    CommandResult sendCommand(Direction dir, Command cmd, int length, const uint8_t *payload = nullptr);
    CommandResult sendCommand(Direction dir, Command cmd, std::span<const uint8_t> payload)
    {
        return sendCommand(dir, cmd, static_cast<int>(payload.size()), payload.data());
    }
    CommandResult sendCommand(Direction dir, Command cmd, std::initializer_list<uint8_t> payload)
    {
        return sendCommand(dir, cmd, static_cast<int>(payload.size()), payload.begin());
    }

    // Stores code in the current device's selectedSlot, then sends SET ND_SEL with it, high byte
    // first (every sender of ND_SEL does both).
    CommandResult selectSlot(uint16_t code);

    // The gap after the handshake's " \r" wake-up, and again after its ENTRANCE request.
    static constexpr int handshakePauseMs = 160;
    // How long past its pause a request still waits for its answer (two receive ticks).
    static constexpr int answerGraceMs = 50;
    // After a request whose answer never came, the next request on the same port first lets the
    // line settle this long, dropping what arrives: an answer that comes later still would
    // otherwise be taken as the next request's, and nothing in an EDID quarter says which it is.
    static constexpr int settleAfterMissMs = 200;
    // Whether the device answers this command with a line (the loader's FW_ commands and the
    // handshake are read by their users from the buffer).
    static bool expectsAnswer(Command cmd);

    // The last request, as the reply processing decodes against it.
    Command lastCommand() const { return m_lastCommand; }
    Direction lastDirection() const { return m_lastDirection; }
    int lastLength() const { return m_lastLength; }
    // Decodes the next replies as answers to dir cmd without sending anything (replays, fuzzing).
    void expectReplyTo(Direction dir, Command cmd);

    // Firmware-update tag of the last handshake without "$ACCEPT": 0 none, 1 "$ISP029", 2 "$ISP091".
    // The pause after FW_DATA depends on it.
    uint8_t ispKind() const { return m_ispKind; }
    void setIspKind(uint8_t kind) { m_ispKind = kind; }

    // Checks and decodes the completed reply; nothing unless the transport marked one complete.
    void processReply();
    // The pump decodes each completed reply as the receive tick marks it; stopped at Disconnect,
    // started by a search.
    bool replyPumpRunning() const { return m_pumpRunning; }
    void setReplyPumpRunning(bool running) { m_pumpRunning = running; }

    // ----- the status poll (the timer "Timer_Poll_Status", every 2000 ms) --------------------------
    bool pollRunning() const { return m_pollTimer.isActive(); }
    // What every request does first.
    void stopPoll() { m_pollTimer.stop(); }
    // What a SET and a processed reply do: the next poll 2000 ms from now, unless a PollHold exists.
    void restartPoll();
    bool pollHeld() const { return m_pollHolds > 0; }

    // Keeps the status poll quiet for an operation of several requests (a slot transfer, a
    // firmware upload): while any hold exists the poll timer stays off, whatever the requests in
    // between do, and the end of the last hold starts it again while a port is open. Holds nest.
    class PollHold
    {
      public:
        explicit PollHold(CommandChannel &channel);
        ~PollHold();
        PollHold(const PollHold &) = delete;
        PollHold &operator=(const PollHold &) = delete;

      private:
        CommandChannel &m_channel;
    };

    // Exclusive use of the link (the firmware upload): while a LinkHold exists, every other request
    // is refused (sendCommand returns at once, so the status poll sends nothing either) and
    // Disconnect does nothing. The holder sends through its hold.
    class LinkHold
    {
      public:
        explicit LinkHold(CommandChannel &channel);
        ~LinkHold();
        LinkHold(const LinkHold &) = delete;
        LinkHold &operator=(const LinkHold &) = delete;
        CommandResult sendCommand(Direction dir, Command cmd, std::span<const uint8_t> payload);

      private:
        CommandChannel &m_channel;
    };
    bool linkHeld() const { return m_linkHeld; }

    // ----- one device operation at a time ------------------------------------------------------
    // A device operation (a slot transfer, a mode choice, a search, a backup, a firmware upload...)
    // owns the link from its first request to its last. The pauses handle events, so a click or a
    // timer may reach another operation's start meanwhile: beginOperation then refuses it (the
    // returned token is empty) with a line in the debug log, and a request sent from an event
    // handled inside the operation's pauses is refused too. The status poll is the one exception:
    // it may run in the pauses between the operation's requests. Ending the token ends the
    // operation; if it sent SYS_STM and no SYS_CTM, SYS_CTM goes out first.
    class Operation
    {
      public:
        Operation() = default;
        Operation(Operation &&other) noexcept : m_channel(std::exchange(other.m_channel, nullptr)) {}
        Operation &operator=(Operation &&other) noexcept;
        ~Operation() { end(); }
        Operation(const Operation &) = delete;
        Operation &operator=(const Operation &) = delete;
        explicit operator bool() const { return m_channel != nullptr; }
        void end();

      private:
        friend class CommandChannel;
        explicit Operation(CommandChannel *channel) : m_channel(channel) {}
        CommandChannel *m_channel = nullptr;
    };
    Operation beginOperation(const QString &name);
    bool operationRunning() const { return m_operationRunning; }
    QString operationName() const { return m_operationName; }
    // A request is on the wire and its pause has not ended.
    bool requestInFlight() const { return m_inFlight; }
    // Disconnect or a closed window: the request on the wire finishes, every later request of the
    // operation is refused (SYS_CTM after a SYS_STM excepted), so the operation ends as failed.
    // Nothing happens when no operation runs.
    void cancelOperation(const QString &why);
    bool operationCancelled() const { return m_cancelled; }

    // The status poll's request: refused (silently) when another request is in flight or the
    // running operation was cancelled; allowed in the pauses between an operation's requests.
    CommandResult sendPoll(Direction dir, Command cmd, int length);

  signals:
    // The poll timer ran out: time for a status poll.
    void pollDue();
    // A LinkHold began or ended.
    void linkHeldChanged(bool held);
    // A device operation began or ended; pages disable their device actions meanwhile.
    void operationRunningChanged(bool running);

  private:
    CommandResult sendNow(Direction dir, Command cmd, int length, const uint8_t *payload);
    CommandResult refuse(Direction dir, Command cmd, const QString &why);
    void handleReplyLine(std::string_view line);
    void endOperation();

    SerialTransport &m_transport;
    DeviceRegistry &m_devices;
    DebugLog &m_log;
    Decoder m_decoder;
    QTimer m_pollTimer;
    int m_pollHolds = 0;
    bool m_linkHeld = false;
    bool m_pumpRunning = false;

    bool m_operationRunning = false;
    QString m_operationName;
    int m_operationLoopLevel = 0; // event-loop depth at which the operation began
    bool m_cancelled = false;
    bool m_bracketOpen = false; // SYS_STM sent by the operation, no SYS_CTM yet
    bool m_inFlight = false;
    bool m_polling = false;
    // The operation a LinkHold began for itself (when none was running).
    Operation m_holdOperation;

    Command m_lastCommand = Command::ENTRANCE;
    Direction m_lastDirection = Direction::GET;
    int m_lastLength = 0;
    uint8_t m_ispKind = 0;

    // The last request expected an answer and got none: the line may still carry it.
    bool m_outOfStep = false;
    void settleAfterMiss();

    // The request in flight: what its answer turned out to be so far.
    bool m_awaiting = false;
    CommandResult m_answer;
};
