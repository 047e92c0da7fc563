#pragma once

// A simulated device on a pseudo-terminal: it answers the serial command protocol as the real
// device does (handshake, descriptions, EDID slots, EDID mode, system and firmware commands) and
// can misbehave on request. It runs on the thread that creates it (the tests' and kelm --demo's
// event loop, or kelm-devsim's own), so a workbench in the same process talks to it during its
// pauses. The network side lives in its own class beside this one.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "edid/EdidImage.h"
#include "link/Protocol.h"

class QSocketNotifier;

enum class HandshakeMode { Normal, Isp029, Isp091, Silent };

// What one node description reply says (ND_DSCPT fields 1-8).
struct SimulatedNode
{
    int value0 = 1;
    int value1 = 0;
    int value2 = 0;
    bool flag3 = true;
    bool modeSelectable = true;
    bool copyAvailable = true;
    bool modePolled = true;
    bool flag8 = false;
};

struct SimulatedDeviceConfig
{
    HandshakeMode handshake = HandshakeMode::Normal;
    QByteArray ispName = "KELM-ISP"; // follows the "$ISP029"/"$ISP091" tag
    QByteArray vid = "1A2B";
    QByteArray pid = "3C4D";
    QByteArray productName = "HDM-4K44";
    QByteArray productString = "Demo Matrix";
    QByteArray serialField = "000001"; // field 5 (not read by the workbench)
    QByteArray firmwareVersion = "1.00";
    bool statusFlag = true;
    int inputs = 4;
    int outputs = 1;
    int users = 8;
    int internals = 8;
    SimulatedNode inputNode;  // every input slot
    SimulatedNode outputNode; // every output slot
    // When set, the exact body of every ND_DSCPT reply (tests of odd field contents).
    std::optional<QByteArray> nodeReplyBody;
    // When set, the exact body of every SYS_DSCPT reply.
    std::optional<QByteArray> systemReplyBody;
    int edidMode = 0;
    // An EDID quarter's 128 digits are followed by the field separator, as the protocol defines it;
    // false sends them bare.
    bool quarterSeparator = true;
    QByteArray defaultProductString = "Demo Matrix";
    int defaultEdidMode = 0;
};

// Misbehaviour on request. Counters count down per reply; -1 means every reply.
struct SimulatedFaults
{
    int badCrc = 0;
    int lowercaseCrc = 0;
    int dropReplies = 0;
    int lateReplyMs = 0;            // every reply waits this long
    int splitReplyMs = 0;           // every reply goes out in two halves this far apart
    int blockSumMismatch = 0;       // FW_CHK answers with a wrong sum
    int vanishAfterRequests = -1;   // the port disappears when this many more requests have come in
    std::optional<Command> onlyFor; // the reply faults apply to replies to this command only
    int lateSetReplyMs = 0;         // answers to SETs wait this long (answers to GETs stay on time)
    int dropSetReply = 0;           // the answer to the Nth SET from now on is left out (0: none)
    int strayLines = 0;             // this many replies are preceded by strayLine
    QByteArray strayLine = "STRAY\x0C" "6257\n"; // a good-CRC line that answers nothing
    int corruptStoredByte = -1;     // this image byte is stored inverted by every EDID write
    int strayTails = 0;             // this many replies are followed at once by strayTail
    QByteArray strayTail = "\x0C\x0C"; // bytes without a line end, as a chattering device sends
    int lateHandshakeMs = 0;        // the handshake answer waits this long
};

struct SimulatedRequest
{
    QByteArray raw;  // every byte since the previous line end, CR LF included
    QByteArray line; // from "$" to before CR LF
    qint64 atMs = 0; // when its LF arrived, on the device's clock
    qint64 firstByteNs = 0; // when the read that brought its first byte ran (device's clock, ns)
    qint64 lfNs = 0;        // when the read that brought its LF ran
    bool parsed = false;
    bool crcOk = false;
    Direction direction = Direction::GET;
    Command command = Command::RESERVED;
    QByteArray payload; // decoded payload bytes of a SET
};

class SimulatedDevice : public QObject
{
    Q_OBJECT
  public:
    explicit SimulatedDevice(const SimulatedDeviceConfig &config = {}, QObject *parent = nullptr);
    ~SimulatedDevice() override;

    // Opens the pseudo-terminal; false with errorString() on failure.
    bool start();
    QString portPath() const { return m_portPath; }
    QString errorString() const { return m_error; }
    bool running() const { return m_master >= 0; }

    SimulatedDeviceConfig &config() { return m_config; }
    SimulatedFaults &faults() { return m_faults; }

    // Slots by kind and 1-based number; every slot starts as a distinct valid image.
    EdidImage slotImage(int kind, int number) const;
    void setSlotImage(int kind, int number, const EdidImage &image);
    int slotCount(int kind) const;
    // Reads "Input1 EDID.bin", "User3 EDID.bin", ... from a folder (files that are missing keep the
    // slot as it is); writes every slot there. Both return the number of files handled, -1 on error.
    int loadSlots(const QString &folder);
    int dumpSlots(const QString &folder) const;

    int edidMode() const { return m_config.edidMode; }
    QByteArray productString() const { return m_config.productString; }
    uint32_t selectedSlot() const { return m_selectedSlot; }
    bool inTransfer() const { return m_inTransfer; }

    // The firmware written by FW_ADDR/FW_DATA (0xFF where nothing was written), FW_END count.
    const QByteArray &flash() const { return m_flash; }
    int firmwareEnds() const { return m_firmwareEnds; }
    int blockChecks() const { return m_blockChecks; }
    // Compares every FW_DATA write with image as it arrives (0xFF past its end). At the first write
    // that lands elsewhere or carries other bytes the port vanishes, so an uploader that went
    // astray fails at once instead of resending the same wrong block until a time-out.
    void expectFirmware(const QByteArray &image);
    // The first wrong write ("FW_DATA at 0x... ..."); empty while every write matched.
    QString firmwareDivergence() const { return m_firmwareDivergence; }

    const QList<SimulatedRequest> &requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // Every chunk read from the line, with its arrival time (ms on the device's clock).
    const QList<QPair<qint64, QByteArray>> &received() const { return m_received; }
    // The device's clock now (ms).
    qint64 clockMs() const { return m_clock.elapsed(); }

    // Writes bytes to the workbench unasked (garbage, stray replies, oversized replies).
    void sendRaw(const QByteArray &bytes);
    // The port disappears, as when the cable is pulled: the pseudo-terminal is closed.
    void vanish();

  signals:
    void requestReceived(const SimulatedRequest &request);

  private:
    void onReadable();
    void handleLine(QByteArray raw, qint64 firstByteNs, qint64 lfNs);
    void answer(const SimulatedRequest &r);
    void answerNormal(const SimulatedRequest &r);
    void answerIsp(const SimulatedRequest &r);
    // False (and the port gone) when a firmware write departs from the expected image.
    bool checkFirmwareWrite(const QByteArray &payload);
    void reply(Command cmd, const QByteArray &body);
    void writeNow(const QByteArray &bytes);
    QByteArray handshakeAnswer() const;
    QByteArray systemBody() const;
    QByteArray nodeBody() const;
    EdidImage *selectedImage();
    bool faultApplies(Command cmd) const;
    static bool takeCount(int &counter);
    int modeCount() const { return m_config.internals + m_config.outputs + m_config.users; }

    SimulatedDeviceConfig m_config;
    SimulatedFaults m_faults;
    int m_master = -1;
    int m_slave = -1;
    QString m_portPath;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
    qint64 m_pendingSinceNs = 0;
    QElapsedTimer m_clock;
    bool m_answeringSet = false;

    std::array<std::vector<EdidImage>, 4> m_slots;
    uint32_t m_selectedSlot = 0;
    bool m_inTransfer = false;

    QByteArray m_flash;
    std::optional<QByteArray> m_expectedFirmware;
    QString m_firmwareDivergence;
    uint32_t m_fwAddress = 0;
    uint16_t m_blockSum = 0;
    int m_firmwareEnds = 0;
    int m_blockChecks = 0;

    QList<SimulatedRequest> m_requests;
    QList<QPair<qint64, QByteArray>> m_received;
};
