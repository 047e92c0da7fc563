// kelm-devsim: a simulated device on a pseudo-terminal. Prints the port's path, then serves until
// interrupted. Point the workbench at it with `kelm --port PATH` or `kelmctl --port PATH ...`.
// With --network it also answers discovery and takes settings on UDP, and prints a second line
// saying where it listens.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "devsim/lib/SimulatedDevice.h"
#include "devsim/lib/UdpDevice.h"

namespace {
int signalPipe[2] = {-1, -1};
void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

bool parseCount(const QCommandLineParser &p, const QString &name, int &out)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < 0 || v > 255)
        return false;
    out = v;
    return true;
}

// Only the plain dotted form: what the device sends is four bytes, and Qt would also take "10.1".
bool isDottedIpv4(const QString &text)
{
    const QHostAddress a(text);
    return a.protocol() == QAbstractSocket::IPv4Protocol && a.toString() == text;
}
void addOptions(QCommandLineParser &p)
{
    p.setApplicationDescription(
        QStringLiteral("Simulated device on a pseudo-terminal, and with --network also on UDP."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("mode"), QStringLiteral("Handshake: normal, isp029, isp091 or silent."),
         QStringLiteral("MODE"), QStringLiteral("normal")},
        {QStringLiteral("slots"), QStringLiteral("Load slot images from DIR (\"Input1 EDID.bin\", ...)."),
         QStringLiteral("DIR")},
        {QStringLiteral("dump"), QStringLiteral("Write every slot image into DIR when ending."),
         QStringLiteral("DIR")},
        {QStringLiteral("flash"), QStringLiteral("Write the received firmware into FILE when ending."),
         QStringLiteral("FILE")},
        {QStringLiteral("inputs"), QStringLiteral("Number of inputs."), QStringLiteral("N")},
        {QStringLiteral("outputs"), QStringLiteral("Number of outputs."), QStringLiteral("N")},
        {QStringLiteral("users"), QStringLiteral("Number of user slots."), QStringLiteral("N")},
        {QStringLiteral("internals"), QStringLiteral("Number of internal slots."), QStringLiteral("N")},
        {QStringLiteral("description"), QStringLiteral("The description string."), QStringLiteral("TEXT")},
        {QStringLiteral("no-mode-select"),
         QStringLiteral("Input 1 does not let the operator choose its EDID.")},
        {QStringLiteral("bare-quarters"),
         QStringLiteral("EDID quarters end after their 128 digits, without the field separator.")},
        {QStringLiteral("stray-tail"),
         QStringLiteral("Every reply is followed at once by two form feeds without a line end.")},
        {QStringLiteral("bad-crc"), QStringLiteral("Every reply carries a wrong CRC.")},
        {QStringLiteral("lowercase-crc"), QStringLiteral("Every reply's CRC is in lowercase.")},
        {QStringLiteral("late"), QStringLiteral("Every reply comes MS milliseconds late."),
         QStringLiteral("MS")},
        {QStringLiteral("drop"), QStringLiteral("Drop every reply.")},
        {QStringLiteral("vanish-after"), QStringLiteral("The port disappears after N requests."),
         QStringLiteral("N")},
        {QStringLiteral("late-set"),
         QStringLiteral("Answers to SET requests come MS milliseconds late (others on time)."),
         QStringLiteral("MS")},
        {QStringLiteral("drop-set"), QStringLiteral("The answer to the Nth SET request is left out."),
         QStringLiteral("N")},
        {QStringLiteral("stray"), QStringLiteral("A stray line (good CRC, no answer) precedes every reply.")},
        {QStringLiteral("corrupt-byte"),
         QStringLiteral("EDID writes store byte N (0-255) inverted while answering as usual."),
         QStringLiteral("N")},
        {QStringLiteral("network"),
         QStringLiteral("Also answer discovery and take settings on UDP port 31001 (every address and "
                        "the discovery group).")},
        {QStringLiteral("mac"), QStringLiteral("The network device's MAC (with --network)."),
         QStringLiteral("MAC")},
        {QStringLiteral("ip"), QStringLiteral("The network device's IP address (with --network)."),
         QStringLiteral("ADDRESS")},
    });
}

// The handshake mode and the slot counts; false (said on stderr) for a value out of range.
bool readDeviceConfig(const QCommandLineParser &p, SimulatedDeviceConfig &config)
{
    const QString mode = p.value(QStringLiteral("mode")).toLower();
    if (mode == QLatin1String("normal"))
        config.handshake = HandshakeMode::Normal;
    else if (mode == QLatin1String("isp029"))
        config.handshake = HandshakeMode::Isp029;
    else if (mode == QLatin1String("isp091"))
        config.handshake = HandshakeMode::Isp091;
    else if (mode == QLatin1String("silent"))
        config.handshake = HandshakeMode::Silent;
    else {
        std::fprintf(stderr, "kelm-devsim: unknown mode '%s'.\n", qPrintable(mode));
        return false;
    }
    if (!parseCount(p, QStringLiteral("inputs"), config.inputs) ||
        !parseCount(p, QStringLiteral("outputs"), config.outputs) ||
        !parseCount(p, QStringLiteral("users"), config.users) ||
        !parseCount(p, QStringLiteral("internals"), config.internals)) {
        std::fputs("kelm-devsim: a slot count must be a number from 0 to 255.\n", stderr);
        return false;
    }
    if (p.isSet(QStringLiteral("description")))
        config.productString = config.defaultProductString =
            p.value(QStringLiteral("description")).toLatin1();
    if (p.isSet(QStringLiteral("no-mode-select")))
        config.inputNode.modeSelectable = false;
    config.quarterSeparator = !p.isSet(QStringLiteral("bare-quarters"));
    return true;
}

// The network device's MAC and address; false (said on stderr) when they are malformed or given
// without --network.
bool readNetworkIdentity(const QCommandLineParser &p, bool network, net::Discovery &identity)
{
    if (!network && (p.isSet(QStringLiteral("mac")) || p.isSet(QStringLiteral("ip")))) {
        std::fputs("kelm-devsim: --mac and --ip need --network.\n", stderr);
        return false;
    }
    if (p.isSet(QStringLiteral("mac"))) {
        if (!net::macFromText(p.value(QStringLiteral("mac")).toStdString(), identity.macBytes)) {
            std::fputs("kelm-devsim: a MAC must be six hex pairs, such as 02:4B:45:4C:4D:01.\n", stderr);
            return false;
        }
        identity.macText = net::macToText(identity.macBytes);
    }
    if (p.isSet(QStringLiteral("ip"))) {
        const QString ip = p.value(QStringLiteral("ip"));
        if (!isDottedIpv4(ip)) {
            std::fputs("kelm-devsim: an IP address must be four dotted numbers, such as 192.168.1.239.\n",
                       stderr);
            return false;
        }
        identity.ipAddress = ip.toStdString();
    }
    return true;
}

void applyFaults(const QCommandLineParser &p, SimulatedFaults &faults)
{
    if (p.isSet(QStringLiteral("stray-tail")))
        faults.strayTails = -1;
    if (p.isSet(QStringLiteral("bad-crc")))
        faults.badCrc = -1;
    if (p.isSet(QStringLiteral("lowercase-crc")))
        faults.lowercaseCrc = -1;
    if (p.isSet(QStringLiteral("drop")))
        faults.dropReplies = -1;
    faults.lateReplyMs = p.value(QStringLiteral("late")).toInt();
    if (p.isSet(QStringLiteral("vanish-after")))
        faults.vanishAfterRequests = p.value(QStringLiteral("vanish-after")).toInt();
    faults.lateSetReplyMs = p.value(QStringLiteral("late-set")).toInt();
    faults.dropSetReply = p.value(QStringLiteral("drop-set")).toInt();
    if (p.isSet(QStringLiteral("stray")))
        faults.strayLines = -1;
    if (p.isSet(QStringLiteral("corrupt-byte")))
        faults.corruptStoredByte = p.value(QStringLiteral("corrupt-byte")).toInt();
}

// Starts answering on UDP and says where; false (said on stderr) when the port cannot be bound.
bool startNetwork(UdpDevice &networkDevice, const net::Discovery &identity)
{
    if (!networkDevice.start()) {
        std::fprintf(stderr, "kelm-devsim: UDP port %u: %s\n", unsigned{networkDevice.options().port},
                     qPrintable(networkDevice.errorString()));
        return false;
    }
    const UdpDevice::Options &o = networkDevice.options();
    const QString where = networkDevice.joinedGroup()
                              ? QStringLiteral(" and group ") + o.group.toString()
                              : QStringLiteral(" (no route to join the discovery group)");
    std::printf("UDP %s:%u%s, MAC %s, IP %s\n", qPrintable(o.bindAddress.toString()), unsigned{o.port},
                qPrintable(where), identity.macText.c_str(), identity.ipAddress.c_str());
    return true;
}

// SIGINT/SIGTERM end the loop cleanly so that --dump and --flash get written.
void quitOnSignals(QCoreApplication &app)
{
    if (::pipe(signalPipe) != 0)
        return;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
}

// What --dump and --flash ask for once the loop ended; false (said on stderr) when a file could not
// be written whole.
bool writeResults(const QCommandLineParser &p, const SimulatedDevice &device)
{
    if (p.isSet(QStringLiteral("dump")) && device.dumpSlots(p.value(QStringLiteral("dump"))) < 0) {
        std::fprintf(stderr, "kelm-devsim: cannot write the slots to %s.\n",
                     qPrintable(p.value(QStringLiteral("dump"))));
        return false;
    }
    if (p.isSet(QStringLiteral("flash"))) {
        FILE *f = std::fopen(qPrintable(p.value(QStringLiteral("flash"))), "wb");
        const auto size = static_cast<size_t>(device.flash().size());
        bool written = f && std::fwrite(device.flash().constData(), 1, size, f) == size;
        // A full disk may only show when the buffered rest is written out.
        if (f && std::fclose(f) != 0)
            written = false;
        if (!written) {
            std::fprintf(stderr, "kelm-devsim: cannot write the firmware file.\n");
            return false;
        }
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    addOptions(p);
    p.process(app);

    SimulatedDeviceConfig config;
    if (!readDeviceConfig(p, config))
        return 2;
    const bool network = p.isSet(QStringLiteral("network"));
    net::Discovery identity = UdpDevice::demoIdentity();
    if (!readNetworkIdentity(p, network, identity))
        return 2;

    SimulatedDevice device(config);
    applyFaults(p, device.faults());
    if (p.isSet(QStringLiteral("slots")) && device.loadSlots(p.value(QStringLiteral("slots"))) < 0) {
        std::fprintf(stderr, "kelm-devsim: cannot read the folder %s.\n",
                     qPrintable(p.value(QStringLiteral("slots"))));
        return 1;
    }
    if (!device.start()) {
        std::fprintf(stderr, "kelm-devsim: %s\n", qPrintable(device.errorString()));
        return 1;
    }
    std::printf("%s\n", qPrintable(device.portPath()));

    UdpDevice networkDevice(identity);
    if (network && !startNetwork(networkDevice, identity))
        return 1;
    std::fflush(stdout);

    quitOnSignals(app);
    const int status = app.exec();
    if (!writeResults(p, device))
        return 1;
    return status;
}
