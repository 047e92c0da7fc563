#include "devsim/lib/SimulatedDevice.h"

#include <QDir>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "edid/EdidBinFile.h"
#include "edid/NewEdidTemplate.h"
#include "link/SlotLists.h"

namespace {
constexpr int slotKinds = 4;

bool hexPayload(const QByteArray &text, QByteArray &out)
{
    if (text.size() % 2 != 0)
        return false;
    out.clear();
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const uint8_t hi = hexDigitValue(text[i]);
        const uint8_t lo = hexDigitValue(text[i + 1]);
        if (hi > 15 || lo > 15)
            return false;
        out.append(static_cast<char>((hi << 4) | lo));
    }
    return true;
}

QByteArray hexText(const uint8_t *bytes, int count)
{
    QByteArray text;
    text.reserve(count * 2);
    for (int i = 0; i < count; ++i) {
        const auto h = hexByte(bytes[i]);
        text.append(h[0]).append(h[1]);
    }
    return text;
}

// A distinct, valid image per slot: the template with the slot's kind and number as product code.
EdidImage defaultImage(int kind, int number)
{
    EdidImage image = NewEdidTemplate;
    image[10] = static_cast<uint8_t>(number);
    image[11] = static_cast<uint8_t>(0xE0 + kind);
    setEdidChecksums(image);
    return image;
}

// Fields are never empty on the line: an empty text goes out as one space.
QByteArray field(const QByteArray &text)
{
    return (text.isEmpty() ? QByteArray(" ") : text) + '\x0C';
}
QByteArray flag(bool value)
{
    return field(value ? "T" : "F");
}
} // namespace

SimulatedDevice::SimulatedDevice(const SimulatedDeviceConfig &config, QObject *parent)
    : QObject(parent), m_config(config)
{
    m_clock.start();
    const int counts[slotKinds] = {config.inputs, config.outputs, config.users, config.internals};
    for (int kind = 0; kind < slotKinds; ++kind)
        for (int n = 1; n <= counts[kind]; ++n)
            m_slots[kind].push_back(defaultImage(kind, n));
}

SimulatedDevice::~SimulatedDevice()
{
    vanish();
}

bool SimulatedDevice::start()
{
    if (m_master >= 0)
        return true;
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = QStringLiteral("No pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        vanish();
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = QStringLiteral("No pseudo-terminal name.");
        vanish();
        return false;
    }
    m_portPath = QString::fromLocal8Bit(name);
    // Holding the far end open keeps the master readable while no workbench has the port open, and
    // raw mode keeps the line discipline from touching CR, LF and the form feeds.
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave >= 0) {
        termios tio{};
        if (::tcgetattr(m_slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slave, TCSANOW, &tio);
        }
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SimulatedDevice::onReadable);
    return true;
}

void SimulatedDevice::vanish()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        delete m_notifier;
        m_notifier = nullptr;
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
}

void SimulatedDevice::onReadable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        const QByteArray chunk(buffer, n);
        const qint64 nowNs = m_clock.nsecsElapsed();
        m_received.append({m_clock.elapsed(), chunk});
        if (m_pending.isEmpty())
            m_pendingSinceNs = nowNs;
        m_pending += chunk;
        qsizetype lf;
        while (m_master >= 0 && (lf = m_pending.indexOf('\n')) >= 0) {
            QByteArray raw = m_pending.left(lf + 1);
            m_pending.remove(0, lf + 1);
            handleLine(raw, m_pendingSinceNs, nowNs);
            m_pendingSinceNs = nowNs;
        }
        if (m_master < 0)
            break;
    }
}

void SimulatedDevice::handleLine(QByteArray raw, qint64 firstByteNs, qint64 lfNs)
{
    SimulatedRequest r;
    r.raw = raw;
    r.atMs = m_clock.elapsed();
    r.firstByteNs = firstByteNs;
    r.lfNs = lfNs;
    const qsizetype dollar = raw.indexOf('$');
    QByteArray line = dollar >= 0 ? raw.mid(dollar) : QByteArray();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    r.line = line;

    // "$" [verb] name " " hex-payload CRC
    QByteArray rest = line.mid(1);
    bool hasVerb = false;
    if (rest.startsWith("SET ") || rest.startsWith("GET ")) {
        r.direction = rest.startsWith("SET ") ? Direction::SET : Direction::GET;
        rest = rest.mid(4);
        hasVerb = true;
    }
    const qsizetype space = rest.indexOf(' ');
    if (!line.isEmpty() && space > 0) {
        const auto cmd = commandFromName(std::string_view(rest.constData(), static_cast<std::size_t>(space)));
        const QByteArray tail = rest.mid(space + 1);
        if (cmd && tail.size() >= 4 && (hasVerb || *cmd == Command::ENTRANCE)) {
            r.command = *cmd;
            const QByteArray hex = tail.left(tail.size() - 4);
            const QByteArray crc = tail.right(4);
            r.crcOk = crc.toStdString() == crcText(crc16(0xFFFF, hex.toStdString()));
            r.parsed = hexPayload(hex, r.payload);
        }
    }
    m_requests.append(r);
    emit requestReceived(r);

    if (m_faults.vanishAfterRequests > 0 && --m_faults.vanishAfterRequests == 0) {
        m_faults.vanishAfterRequests = -1;
        vanish();
        return;
    }
    if (r.parsed && r.crcOk)
        answer(r);
}

void SimulatedDevice::answer(const SimulatedRequest &r)
{
    if (r.command == Command::ENTRANCE) {
        // The handshake answer carries no CRC and no line end.
        if (m_config.handshake == HandshakeMode::Silent)
            return;
        if (m_faults.lateHandshakeMs > 0)
            QTimer::singleShot(m_faults.lateHandshakeMs, this, [this, text = handshakeAnswer()] { writeNow(text); });
        else
            writeNow(handshakeAnswer());
        return;
    }
    m_answeringSet = r.direction == Direction::SET;
    if (m_config.handshake == HandshakeMode::Normal)
        answerNormal(r);
    else if (m_config.handshake != HandshakeMode::Silent)
        answerIsp(r);
}

QByteArray SimulatedDevice::handshakeAnswer() const
{
    switch (m_config.handshake) {
    case HandshakeMode::Normal:
        return "$ACCEPT";
    case HandshakeMode::Isp029:
        return "$ISP029" + m_config.ispName;
    case HandshakeMode::Isp091:
        return "$ISP091" + m_config.ispName;
    case HandshakeMode::Silent:
        break;
    }
    return {};
}

QByteArray SimulatedDevice::systemBody() const
{
    if (m_config.systemReplyBody)
        return *m_config.systemReplyBody;
    return field(m_config.vid) + field(m_config.pid) + field(m_config.productName) +
           field(m_config.productString) + field(m_config.serialField) + field(m_config.firmwareVersion) +
           flag(m_config.statusFlag) + field(QByteArray::number(m_config.inputs)) +
           field(QByteArray::number(m_config.outputs)) + field(QByteArray::number(m_config.users)) +
           field(QByteArray::number(m_config.internals));
}

QByteArray SimulatedDevice::nodeBody() const
{
    if (m_config.nodeReplyBody)
        return *m_config.nodeReplyBody;
    const SimulatedNode &n = ((m_selectedSlot >> 12) & 0x0F) == 1 ? m_config.outputNode : m_config.inputNode;
    return field(QByteArray::number(n.value0)) + field(QByteArray::number(n.value1)) +
           field(QByteArray::number(n.value2)) + flag(n.flag3) + flag(n.modeSelectable) +
           flag(n.copyAvailable) + flag(n.modePolled) + flag(n.flag8);
}

EdidImage *SimulatedDevice::selectedImage()
{
    const unsigned kind = (m_selectedSlot >> 12) & 0x0F;
    const unsigned number = m_selectedSlot & 0x0FFF;
    if (kind >= slotKinds || number >= m_slots[kind].size())
        return nullptr;
    return &m_slots[kind][number];
}

void SimulatedDevice::answerNormal(const SimulatedRequest &r)
{
    static const QByteArray ok = "OK\x0C";
    const bool set = r.direction == Direction::SET;
    switch (r.command) {
    case Command::SYS_DSCPT:
        reply(r.command, systemBody());
        return;
    case Command::SYS_STR:
        if (set) {
            m_config.productString = r.payload == " " ? QByteArray() : r.payload.left(31);
            reply(r.command, ok);
        }
        return;
    case Command::SYS_DEF:
        if (set && r.payload == QByteArray(1, '\x55')) {
            m_config.productString = m_config.defaultProductString;
            m_config.edidMode = m_config.defaultEdidMode;
        }
        reply(r.command, ok);
        return;
    case Command::SYS_STM:
    case Command::SYS_CTM:
        m_inTransfer = r.command == Command::SYS_STM;
        reply(r.command, ok);
        return;
    case Command::ND_SEL:
        if (set && r.payload.size() == 2)
            m_selectedSlot = (static_cast<uint8_t>(r.payload[0]) << 8) | static_cast<uint8_t>(r.payload[1]);
        reply(r.command, ok);
        return;
    case Command::ND_DSCPT:
        reply(r.command, nodeBody());
        return;
    case Command::ND_ED0A:
    case Command::ND_ED0B:
    case Command::ND_ED1A:
    case Command::ND_ED1B: {
        const int offset = edidQuarterOffset(r.command);
        EdidImage *image = selectedImage();
        if (!set) {
            QByteArray body = image ? hexText(image->data() + offset, 64) : QByteArray(128, '0');
            if (m_config.quarterSeparator)
                body += '\x0C';
            reply(r.command, body);
            return;
        }
        const unsigned kind = (m_selectedSlot >> 12) & 0x0F;
        // Only inputs and user slots take an EDID.
        if (image && r.payload.size() == 64 && (kind == 0 || kind == 2)) {
            std::memcpy(image->data() + offset, r.payload.constData(), 64);
            const int bad = m_faults.corruptStoredByte;
            if (bad >= offset && bad < offset + 64)
                (*image)[static_cast<std::size_t>(bad)] ^= 0xFF;
        }
        reply(r.command, ok);
        return;
    }
    case Command::RXEDMD:
        if (set && r.payload.size() == 1 && static_cast<uint8_t>(r.payload[0]) < modeCount())
            m_config.edidMode = static_cast<uint8_t>(r.payload[0]);
        reply(r.command, QByteArray::number(m_config.edidMode) + '\x0C');
        return;
    default:
        // The loader's commands mean nothing in normal operation.
        return;
    }
}

void SimulatedDevice::answerIsp(const SimulatedRequest &r)
{
    const bool variant2 = m_config.handshake == HandshakeMode::Isp091;
    switch (r.command) {
    case Command::FW_ADDR:
        if (r.payload.size() == (variant2 ? 4 : 2)) {
            m_fwAddress = 0;
            for (char b : r.payload)
                m_fwAddress = (m_fwAddress << 8) | static_cast<uint8_t>(b);
        }
        return;
    case Command::FW_DATA: {
        if (!checkFirmwareWrite(r.payload))
            return;
        const qsizetype end = static_cast<qsizetype>(m_fwAddress) + r.payload.size();
        if (end > 16 * 1024 * 1024)
            return;
        if (m_flash.size() < end)
            m_flash.append(QByteArray(end - m_flash.size(), '\xFF'));
        std::memcpy(m_flash.data() + m_fwAddress, r.payload.constData(),
                    static_cast<std::size_t>(r.payload.size()));
        for (char b : r.payload)
            m_blockSum = static_cast<uint16_t>(m_blockSum + static_cast<uint8_t>(b));
        return;
    }
    case Command::FW_CHK: {
        ++m_blockChecks;
        uint16_t sum = m_blockSum;
        if (takeCount(m_faults.blockSumMismatch))
            sum = static_cast<uint16_t>(sum + 1);
        m_blockSum = 0;
        char text[16];
        std::snprintf(text, sizeof text, "$CHK%05u", static_cast<unsigned>(sum));
        reply(r.command, text);
        return;
    }
    case Command::FW_END:
        ++m_firmwareEnds;
        return;
    default:
        return;
    }
}

void SimulatedDevice::expectFirmware(const QByteArray &image)
{
    m_expectedFirmware = image;
    m_firmwareDivergence.clear();
}

bool SimulatedDevice::checkFirmwareWrite(const QByteArray &payload)
{
    if (!m_expectedFirmware || !m_firmwareDivergence.isEmpty())
        return true;
    const QByteArray &image = *m_expectedFirmware;
    const qint64 at = m_fwAddress;
    QString wrong;
    if (at >= image.size()) {
        wrong = QStringLiteral("FW_DATA at 0x%1, past the image's %2 bytes").arg(at, 0, 16).arg(image.size());
    } else {
        for (qsizetype i = 0; i < payload.size(); ++i) {
            const char want = at + i < image.size() ? image[at + i] : '\xFF';
            if (payload[i] != want) {
                wrong = QStringLiteral("FW_DATA at 0x%1: byte 0x%2 is %3, the image has %4")
                            .arg(at, 0, 16)
                            .arg(at + i, 0, 16)
                            .arg(static_cast<quint8>(payload[i]))
                            .arg(static_cast<quint8>(want));
                break;
            }
        }
    }
    if (wrong.isEmpty())
        return true;
    m_firmwareDivergence = wrong;
    vanish();
    return false;
}

bool SimulatedDevice::takeCount(int &counter)
{
    if (counter == 0)
        return false;
    if (counter > 0)
        --counter;
    return true;
}

bool SimulatedDevice::faultApplies(Command cmd) const
{
    return !m_faults.onlyFor || *m_faults.onlyFor == cmd;
}

void SimulatedDevice::reply(Command cmd, const QByteArray &body)
{
    const bool faulty = faultApplies(cmd);
    if (faulty && takeCount(m_faults.dropReplies))
        return;
    if (faulty && m_answeringSet && m_faults.dropSetReply > 0 && --m_faults.dropSetReply == 0)
        return;
    if (faulty && takeCount(m_faults.strayLines))
        writeNow(m_faults.strayLine);
    QByteArray line = QByteArray::fromStdString(replyLine(body.toStdString()));
    if (faulty && takeCount(m_faults.badCrc)) {
        char &digit = line[line.size() - 2];
        digit = digit == '0' ? '1' : '0';
    } else if (faulty && takeCount(m_faults.lowercaseCrc)) {
        for (qsizetype i = line.size() - 5; i < line.size() - 1; ++i)
            line[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
    }
    const int late = !faulty ? 0 : m_answeringSet && m_faults.lateSetReplyMs > 0 ? m_faults.lateSetReplyMs
                                                                                 : m_faults.lateReplyMs;
    if (faulty && takeCount(m_faults.strayTails))
        line += m_faults.strayTail;
    const int split = faulty ? m_faults.splitReplyMs : 0;
    auto send = [this, line, split] {
        if (split <= 0) {
            writeNow(line);
            return;
        }
        const qsizetype half = line.size() / 2;
        writeNow(line.left(half));
        QTimer::singleShot(split, this, [this, rest = line.mid(half)] { writeNow(rest); });
    };
    if (late > 0)
        QTimer::singleShot(late, this, send);
    else
        send();
}

void SimulatedDevice::writeNow(const QByteArray &bytes)
{
    qsizetype done = 0;
    int waits = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Nobody reads the far end (no workbench has the port open): give up rather than hang.
        if (n < 0 && errno == EAGAIN && ++waits < 200) {
            ::usleep(1000);
            continue;
        }
        break;
    }
}

void SimulatedDevice::sendRaw(const QByteArray &bytes)
{
    writeNow(bytes);
}

EdidImage SimulatedDevice::slotImage(int kind, int number) const
{
    if (kind < 0 || kind >= slotKinds || number < 1 || number > static_cast<int>(m_slots[kind].size()))
        return {};
    return m_slots[kind][static_cast<std::size_t>(number - 1)];
}

void SimulatedDevice::setSlotImage(int kind, int number, const EdidImage &image)
{
    if (kind < 0 || kind >= slotKinds || number < 1)
        return;
    auto &images = m_slots[kind];
    while (static_cast<int>(images.size()) < number)
        images.push_back(defaultImage(kind, static_cast<int>(images.size()) + 1));
    images[static_cast<std::size_t>(number - 1)] = image;
}

int SimulatedDevice::slotCount(int kind) const
{
    return kind >= 0 && kind < slotKinds ? static_cast<int>(m_slots[kind].size()) : 0;
}

int SimulatedDevice::loadSlots(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.exists())
        return -1;
    int loaded = 0;
    for (int kind = 0; kind < slotKinds; ++kind) {
        for (int n = 1; n <= slotCount(kind); ++n) {
            const QString name =
                QString::fromStdString(proposedEdidFileName(makeSlotCode(static_cast<SlotKind>(kind), n)));
            if (!dir.exists(name))
                continue;
            EdidImage image;
            if (readEdidBinFile(dir.filePath(name).toStdString(), image)) {
                m_slots[kind][static_cast<std::size_t>(n - 1)] = image;
                ++loaded;
            }
        }
    }
    return loaded;
}

int SimulatedDevice::dumpSlots(const QString &folder) const
{
    if (!QDir().mkpath(folder))
        return -1;
    const QDir dir(folder);
    int written = 0;
    for (int kind = 0; kind < slotKinds; ++kind) {
        for (int n = 1; n <= slotCount(kind); ++n) {
            const QString name =
                QString::fromStdString(proposedEdidFileName(makeSlotCode(static_cast<SlotKind>(kind), n)));
            if (!writeEdidBinFile(dir.filePath(name).toStdString(),
                                  m_slots[kind][static_cast<std::size_t>(n - 1)]))
                return -1;
            ++written;
        }
    }
    return written;
}
