#pragma once

// The serial port the device is reached through: the list of ports, opening one at 115200 8N1,
// writing, and the 25 ms receive tick that collects the answer into the receive buffer and marks a
// reply complete at its LF. It knows nothing of commands; the command channel decodes what it
// collects. Everything runs on the main thread.

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

class DebugLog;
class QSerialPort;

class SerialTransport : public QObject
{
    Q_OBJECT
  public:
    explicit SerialTransport(DebugLog &log, QObject *parent = nullptr);
    ~SerialTransport() override;

    // ----- ports -----------------------------------------------------------------------------
    // The machine's serial ports in name order, or the --port list when one was given.
    QStringList listSerialPorts() const;
    void setPortOverride(const QStringList &ports) { m_portOverride = ports; }
    // Ports listed before the system's (kelm --demo puts its simulated device here).
    void setPreferredPorts(const QStringList &ports) { m_preferredPorts = ports; }

    enum class OpenResult { Ok, OpenFailed, ConfigureFailed };
    // Opens by device path and sets 115200 8N1 (raw, no flow control, as QSerialPort opens it). On a
    // failure the port is left closed.
    OpenResult open(const QString &name);
    void close();
    bool isOpen() const;
    // Open and not lost: bytes can go out and come in.
    bool usable() const { return isOpen() && !m_lost; }
    // The port went away (USB unplugged, the other end of a pseudo-terminal closed).
    bool lost() const { return m_lost; }
    // Counts opens, so a late loss notice finds its own port.
    unsigned generation() const { return m_generation; }
    QString openPortName() const { return m_openPortName; }
    // False when the last open failed (the "invalid handle").
    bool handleValid() const { return m_handleValid; }

    // kelmctl writes the handshake's wake-up (" \r") itself before it starts the program that
    // talks to the device, so that program's libraries load during the handshake's pause instead
    // of before it. `fd` is kelmctl's descriptor of that port, still open, and `sentNs` when the
    // two bytes went out (CLOCK_MONOTONIC). The next open() takes it over when it opens the same
    // device (and closes `fd` either way).
    void adoptEarlyWakeUp(int fd, qint64 sentNs);
    // When the open port's wake-up went out, once per open; none when the handshake must send it.
    std::optional<qint64> takeEarlyWakeUp();

    // ----- sending ---------------------------------------------------------------------------
    // Writes raw bytes to the open port (nothing when closed).
    void write(const char *data, qint64 size);
    // Waits until the port has taken what was written: pauses count from there.
    void flush();
    // Throws away what waits at the port (a late answer to an earlier request), logging it as
    // received bytes.
    void discardInput();

    // ----- receiving -------------------------------------------------------------------------
    static constexpr int rxCapacity = 1024;
    const char *rxBuffer() const { return m_rxBuffer.data(); }
    uint32_t rxLength() const { return m_rxLength; }
    // The buffer read as a zero-terminated text.
    std::string_view rxText() const;
    // The valid bytes of the buffer not yet taken by the reply processing.
    std::string_view buffered() const
    {
        return std::string_view(m_rxBuffer.data() + m_taken, m_rxLength - m_taken);
    }
    // Empties the buffer (zeros) and sets rxLength to 0.
    void clear();
    // The first taken bytes of buffered() were decoded. They stay readable as text (the handshake
    // and the loader search it) until the next clear(); once nothing is left the buffer fills from
    // the start again.
    void consume(std::size_t taken);

    // The link flag byte: replyComplete is bit 0, ispMode bit 3.
    static constexpr uint8_t replyCompleteBit = 0x01;
    static constexpr uint8_t ispModeBit = 0x08;
    uint8_t linkFlags() const { return m_linkFlags; }
    bool replyComplete() const { return m_linkFlags & replyCompleteBit; }
    void takeReplyComplete() { m_linkFlags &= static_cast<uint8_t>(~replyCompleteBit); }
    bool ispMode() const { return m_linkFlags & ispModeBit; }
    void setIspMode() { m_linkFlags |= ispModeBit; }
    void clearLinkFlags() { m_linkFlags = 0; }

    // The 25 ms receive tick (the timer "Timer_UART_Rx"): enabled while a port is probed or
    // connected. Enabled, it ticks every 25 ms from when bytes arrive at the port until a tick finds
    // nothing new; a tick then would change nothing, so an idle link costs no wake-ups. A reply is
    // still noticed within one tick of its arrival.
    void onReceiveTick();
    void startReceiveTick();
    void stopReceiveTick();
    bool receiveTickRunning() const { return m_rxEnabled; }
    // The timer is armed: bytes arrived that a tick has yet to take (or the tick was just enabled).
    bool receiveTickArmed() const { return m_rxTimer.isActive(); }
    // What the tick does with the bytes it read: appended as far as the buffer has room (the rest
    // is dropped with a log line), echoed into the debug log, and the reply marked complete when
    // the last byte is LF.
    void receiveBytes(const char *data, qint64 size);
    // The firmware upload's own receive step (the tick is stopped meanwhile): more than 1024 bytes
    // waiting are purged, anything else is appended to the buffer as far as it has room.
    void serviceReceiveDirect();

  signals:
    // The buffer ends with a complete reply (replyComplete is set).
    void replyMarked();
    // The open port went away; the tick is stopped. Closing it is up to the receiver, later.
    void portLost();

  private:
    void onPortError(int error);
    void onPortReadyRead();
    void checkReplyComplete();
    // Moves the bytes not yet taken to the front, making room at the end.
    void compact();

    DebugLog &m_log;
    QSerialPort *m_port = nullptr;
    QString m_openPortName;
    bool m_handleValid = false;
    bool m_lost = false;
    unsigned m_generation = 0;
    int m_earlyWakeFd = -1;
    qint64 m_earlyWakeSentNs = 0;
    std::optional<qint64> m_earlyWake; // the open port's, not yet taken
    QStringList m_portOverride;
    QStringList m_preferredPorts;

    std::array<char, rxCapacity + 1> m_rxBuffer{};
    uint32_t m_rxLength = 0;
    uint32_t m_taken = 0; // bytes before this offset were decoded already
    uint8_t m_linkFlags = 0;
    bool m_rxEnabled = false; // Timer_UART_Rx enabled
    QTimer m_rxTimer;         // armed only while a tick has something to take
};
