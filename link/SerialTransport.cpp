#include "link/SerialTransport.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "shell/DebugLog.h"

namespace {
constexpr int rxTickMs = 25;
constexpr int overflowReadBytes = 16;
} // namespace

SerialTransport::SerialTransport(DebugLog &log, QObject *parent) : QObject(parent), m_log(log)
{
    m_rxTimer.setObjectName(QStringLiteral("Timer_UART_Rx"));
    m_rxTimer.setInterval(rxTickMs);
    connect(&m_rxTimer, &QTimer::timeout, this, &SerialTransport::onReceiveTick);
}

SerialTransport::~SerialTransport()
{
    close();
    if (m_earlyWakeFd >= 0)
        ::close(m_earlyWakeFd);
}

void SerialTransport::adoptEarlyWakeUp(int fd, qint64 sentNs)
{
    if (m_earlyWakeFd >= 0)
        ::close(m_earlyWakeFd);
    m_earlyWakeFd = fd;
    m_earlyWakeSentNs = sentNs;
}

std::optional<qint64> SerialTransport::takeEarlyWakeUp()
{
    return std::exchange(m_earlyWake, std::nullopt);
}

QStringList SerialTransport::listSerialPorts() const
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

SerialTransport::OpenResult SerialTransport::open(const QString &name)
{
    close();
    m_lost = false;
    ++m_generation;
    m_port = new QSerialPort(this);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onPortError(static_cast<int>(e)); });
    connect(m_port, &QIODevice::readyRead, this, &SerialTransport::onPortReadyRead);
    // Linux opens a port by its path (or its name under /dev); no prefix rules.
    m_port->setPortName(name);
    if (!m_port->open(QIODevice::ReadWrite)) {
        const bool permission = m_port->error() == QSerialPort::PermissionError;
        delete m_port;
        m_port = nullptr;
        m_handleValid = false;
        if (permission)
            m_log.append(QStringLiteral("No permission to open ") + name +
                         QStringLiteral(": add yourself to the dialout group.\r\n"));
        return OpenResult::OpenFailed;
    }
    m_handleValid = true;
    m_openPortName = name;
    // Only these four fields are set here; QSerialPort's open has already made the line raw, without
    // flow control (it does not keep what an earlier user of the port left).
    const bool ok = m_port->setBaudRate(QSerialPort::Baud115200) && m_port->setDataBits(QSerialPort::Data8) &&
                    m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop);
    if (!ok) {
        close();
        return OpenResult::ConfigureFailed;
    }
    // kelmctl's descriptor kept the line open (and the bytes it wrote on their way) until this
    // one was open; a wake-up counts only for the device it was written to.
    if (m_earlyWakeFd >= 0) {
        struct stat early {}, opened {};
        if (::fstat(m_earlyWakeFd, &early) == 0 && ::fstat(static_cast<int>(m_port->handle()), &opened) == 0 &&
            S_ISCHR(early.st_mode) && S_ISCHR(opened.st_mode) && early.st_rdev == opened.st_rdev)
            m_earlyWake = m_earlyWakeSentNs;
        ::close(m_earlyWakeFd);
        m_earlyWakeFd = -1;
    }
    return OpenResult::Ok;
}

void SerialTransport::close()
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
    m_earlyWake.reset();
}

bool SerialTransport::isOpen() const
{
    return m_port && m_port->isOpen();
}

void SerialTransport::onPortError(int error)
{
    if (error != QSerialPort::ResourceError || !m_port || m_lost)
        return;
    m_lost = true;
    m_log.append(QStringLiteral("Port ") + m_openPortName + QStringLiteral(" lost.\r\n"));
    stopReceiveTick();
    emit portLost();
}

void SerialTransport::write(const char *data, qint64 size)
{
    if (usable())
        m_port->write(data, size);
}

void SerialTransport::flush()
{
    if (!usable())
        return;
    m_port->flush();
    if (m_port->bytesToWrite() > 0)
        m_port->waitForBytesWritten(100);
}

void SerialTransport::discardInput()
{
    if (!usable())
        return;
    // Read, not purged unseen: the device's late words stay visible in the debug log, as any
    // received bytes are. The receive buffer itself is left alone (clear() empties it).
    m_port->waitForReadyRead(0);
    const QByteArray late = m_port->readAll();
    if (!late.isEmpty())
        m_log.append(QString::fromLatin1(late));
}

std::string_view SerialTransport::rxText() const
{
    return std::string_view(m_rxBuffer.data());
}

void SerialTransport::clear()
{
    m_rxLength = 0;
    m_taken = 0;
    m_rxBuffer.fill(0);
}

void SerialTransport::consume(std::size_t taken)
{
    m_taken = static_cast<uint32_t>(std::min<std::size_t>(m_taken + taken, m_rxLength));
    if (m_taken == m_rxLength) {
        m_rxLength = 0;
        m_taken = 0;
    }
}

void SerialTransport::compact()
{
    if (m_taken == 0)
        return;
    const uint32_t rest = m_rxLength - m_taken;
    std::memmove(m_rxBuffer.data(), m_rxBuffer.data() + m_taken, rest);
    m_rxBuffer[rest] = 0;
    m_rxLength = rest;
    m_taken = 0;
}

void SerialTransport::startReceiveTick()
{
    m_rxEnabled = true;
    // The first tick takes whatever already waits, and disarms the timer when nothing does.
    m_rxTimer.start();
}

void SerialTransport::stopReceiveTick()
{
    m_rxEnabled = false;
    m_rxTimer.stop();
}

void SerialTransport::onPortReadyRead()
{
    // The port has already read the bytes into its own buffer; the tick takes them from there. An
    // armed timer keeps its phase, so the first of these bytes is taken within one tick.
    if (m_rxEnabled && !m_rxTimer.isActive())
        m_rxTimer.start();
}

void SerialTransport::onReceiveTick()
{
    const qint64 waiting = usable() ? m_port->bytesAvailable() : 0;
    if (waiting <= 0) {
        // Nothing new: this tick and the ones after it would find the buffer, the log and the
        // flags as they are, until the port says more arrived.
        m_rxTimer.stop();
        if (usable())
            checkReplyComplete();
        return;
    }
    if (waiting > rxCapacity) {
        // Treated as garbage: a token read, then everything waiting is thrown away.
        m_port->read(m_rxBuffer.data(), overflowReadBytes);
        m_port->clear(QSerialPort::Input);
        m_port->readAll();
        return;
    }
    const QByteArray bytes = m_port->read(waiting);
    receiveBytes(bytes.constData(), bytes.size());
}

void SerialTransport::receiveBytes(const char *data, qint64 size)
{
    if (size > rxCapacity - static_cast<qint64>(m_rxLength))
        compact();
    const qint64 room = rxCapacity - static_cast<qint64>(m_rxLength);
    const qint64 take = std::clamp<qint64>(size, 0, room);
    if (take > 0) {
        std::memcpy(m_rxBuffer.data() + m_rxLength, data, static_cast<std::size_t>(take));
        m_rxBuffer[m_rxLength + take] = 0;
        m_log.append(QString::fromLatin1(m_rxBuffer.data() + m_rxLength, static_cast<qsizetype>(take)));
        m_rxLength += static_cast<uint32_t>(take);
    }
    // A reply never writes past the buffer: what does not fit is dropped.
    if (size > take)
        m_log.append(QStringLiteral("Receive buffer full: %1 bytes dropped.\r\n").arg(size - take));
    checkReplyComplete();
}

void SerialTransport::checkReplyComplete()
{
    // Any line end not yet taken completes a reply: bytes that follow an answer at once (a device
    // that chatters, a line of the next answer) must not hide it.
    if (buffered().find('\n') != std::string_view::npos) {
        m_linkFlags |= replyCompleteBit;
        emit replyMarked();
    }
}

void SerialTransport::serviceReceiveDirect()
{
    if (!usable())
        return;
    const qint64 waiting = m_port->bytesAvailable();
    if (waiting > rxCapacity) {
        m_port->clear(QSerialPort::Input);
        m_port->readAll();
        return;
    }
    if (waiting <= 0)
        return;
    if (waiting > rxCapacity - static_cast<qint64>(m_rxLength))
        compact();
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
