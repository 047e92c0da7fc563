// kelmctl net discover | net set: the workbench's discovery and settings over UDP, without windows.
#include <QStringList>

#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "cli/device/DeviceCommands.h"
#include "cli/device/DeviceJson.h"
#include "edid/Latin1Text.h"
#include "edid/TextNumbers.h"
#include "link/DeviceRegistry.h"
#include "net/DiscoveryService.h"
#include "shell/Latin1.h"

namespace {

constexpr double kDefaultWaitSeconds = 2.0;

int usage(const char *message)
{
    std::fprintf(stderr, "kelmctl: %s; see kelmctl --help.\n", message);
    return 2;
}

std::optional<double> parseWait(const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || seconds < 0 || seconds > 3600)
        return std::nullopt;
    return seconds;
}

// The listener and senders of the workbench, without its windows.
struct Discoverer
{
    DebugLog log;
    DeviceRegistry devices{log};
    DiscoveryService service{devices, log};

    bool open()
    {
        if (service.start())
            return true;
        std::fprintf(stderr, "kelmctl: UDP port %u is not available (%s); is the workbench running?\n",
                     service.addresses().listenPort, qPrintable(service.bindError()));
        return false;
    }

    // Sends the request and lists whatever answers within the wait.
    void discover(double seconds)
    {
        service.sendDiscoveryRequest();
        pauseWithEvents(static_cast<int>(seconds * 1000));
    }
};

// The datagram's texts are Latin-1, a byte per character.
nlohmann::json toJson(int index, const net::Discovery &d)
{
    return nlohmann::json{
        {"row", index + 1},
        {"productId", utf8FromLatin1(d.productId)},
        {"productName", utf8FromLatin1(d.productName)},
        {"mac", utf8FromLatin1(d.macText)},
        {"ipAddress", utf8FromLatin1(d.ipAddress)},
        {"subnetMask", utf8FromLatin1(d.subnetMask)},
        {"gateway", utf8FromLatin1(d.gateway)},
        {"dns", utf8FromLatin1(d.dns)},
        {"ipMode", d.ipMode},
        {"webPort", d.webPort},
        {"telnetPort", d.telnetPort},
        {"serialNum", utf8FromLatin1(d.serialNum)},
        {"text11", utf8FromLatin1(d.text11)},
        {"text12", utf8FromLatin1(d.text12)},
        {"description", utf8FromLatin1(d.description)},
    };
}

// The datagram's texts go through terminalText: a name's ESC bytes are shown, not obeyed.
void printText(int index, const net::Discovery &d)
{
    const auto line = [](const char *caption, const QString &value) {
        std::printf("  %-14s %s\n", caption, qPrintable(terminalText(value)));
    };
    std::printf("Device %d\n", index + 1);
    line("Product ID:", latin1(d.productId));
    line("Product name:", latin1(d.productName));
    line("MAC address:", latin1(d.macText));
    line("IP mode:", d.ipMode == 0   ? QStringLiteral("STATIC")
                     : d.ipMode == 1 ? QStringLiteral("DHCP")
                                     : QString::number(d.ipMode));
    line("IP address:", latin1(d.ipAddress));
    line("Subnet mask:", latin1(d.subnetMask));
    line("Gateway:", latin1(d.gateway));
    line("DNS:", latin1(d.dns));
    line("Web port:", QString::number(d.webPort));
    line("Telnet port:", QString::number(d.telnetPort));
    line("Serial number:", latin1(d.serialNum));
    line("Text 11:", latin1(d.text11));
    line("Text 12:", latin1(d.text12));
    line("Description:", latin1(d.description));
}

int runDiscover(double wait, bool json)
{
    Discoverer d;
    if (!d.open())
        return 1;
    d.discover(wait);
    int listed = 0;
    for (int i = 0; i < d.devices.count(); ++i) {
        if (!d.devices.isNetwork(i))
            continue;
        const net::Discovery &rec = d.service.discoveryTable[static_cast<std::size_t>(i)];
        if (json)
            printJsonLine(toJson(i, rec));
        else
            printText(i, rec);
        ++listed;
    }
    if (listed == 0) {
        std::fputs("kelmctl: no network device answered.\n", stderr);
        return 1;
    }
    return 0;
}

struct Change
{
    const char *option;
    std::string net::NetworkSettings::*text;
    uint8_t tag;
};
const Change kChanges[] = {
    {"--ip", &net::NetworkSettings::ipAddress, net::TagIpAddr},
    {"--mask", &net::NetworkSettings::subnetMask, net::TagSubnet},
    {"--gateway", &net::NetworkSettings::gateway, net::TagGateway},
    {"--dns", &net::NetworkSettings::dns, net::TagDns},
    {"--web-port", &net::NetworkSettings::webPort, net::TagWebPort},
    {"--telnet-port", &net::NetworkSettings::telnetPort, net::TagTelnetPort},
};

struct SetArgs
{
    std::string mac;
    std::string mode;
    std::string values[std::size(kChanges)];
    OptionSpec given[std::size(kChanges)];
    double wait = kDefaultWaitSeconds;
    bool json = false;
};

int runSet(const SetArgs &a)
{
    net::MacAddress mac{};
    if (!net::macFromText(a.mac, mac))
        return usage("the MAC address must be six hex pairs such as 00:11:22:33:44:55");
    std::optional<int> mode;
    if (!a.mode.empty())
        mode = a.mode == "dhcp" ? 1 : 0;
    QList<std::pair<const Change *, std::string>> changes;
    for (std::size_t i = 0; i < std::size(kChanges); ++i)
        if (a.given[i].given())
            changes.append({&kChanges[i], a.values[i]});
    const double wait = a.wait;
    const bool json = a.json;

    Discoverer d;
    if (!d.open())
        return 1;
    d.discover(wait);
    int index = -1;
    for (int i = 0; i < d.devices.count() && index < 0; ++i)
        if (d.devices.isNetwork(i) &&
            d.service.discoveryTable[static_cast<std::size_t>(i)].macBytes == mac)
            index = i;
    if (index < 0) {
        std::fprintf(stderr, "kelmctl: no network device with MAC %s answered.\n",
                     net::macToText(mac).c_str());
        return 1;
    }

    // Start from what the device reported, as the page does, and change only what was asked.
    net::NetworkSettings settings =
        net::currentSettings(d.service.discoveryTable[static_cast<std::size_t>(index)]);
    if (mode)
        settings.modeIndex = *mode;
    for (const auto &[change, value] : changes)
        settings.*(change->text) = value;
    const net::NetworkSettings before = net::currentSettings(d.service.discoveryTable[static_cast<std::size_t>(index)]);
    const net::SettingsPacket sent = d.service.sendNetworkSettings(index, settings);
    if (!sent.ok) {
        std::fprintf(stderr, "kelmctl: %s.\n", sent.error.c_str());
        return 1;
    }
    QStringList dropped;
    for (const auto &[change, value] : changes) {
        if (value == before.*(change->text))
            continue;
        for (const net::UnsentSetting &u : sent.unsent) {
            if (u.tag != change->tag)
                continue;
            QString why = QLatin1String(net::unsentReasonText(u.reason));
            if (u.reason == net::UnsentSetting::Reason::TakenFromDhcp)
                why += QStringLiteral("; add --mode static");
            dropped << QStringLiteral("%1 %2 (%3)").arg(QLatin1String(change->option), latin1(value), why);
        }
    }
    const QString hex = QString::fromStdString(hexBytes(sent.packet));
    if (json)
        printJsonLine({{"mac", net::macToText(mac)}, {"packet", jsonText(hex)}});
    else
        std::printf("Sent to %s: %s\n", net::macToText(mac).c_str(), qPrintable(hex));
    std::fflush(stdout);
    if (!dropped.isEmpty()) {
        std::fprintf(stderr, "kelmctl: Not sent: %s.\n", qPrintable(dropped.join(QStringLiteral("; "))));
        return 1;
    }
    return 0;
}

// --wait: seconds from 0 to 3600.
void addWaitOption(CommandSpec &command, double &wait)
{
    command.option("-w,--wait", wait, "seconds to wait for answers (default 2)")
        .check([](std::string &text) {
            return parseWait(QString::fromStdString(text))
                       ? std::string()
                       : std::string("--wait takes seconds from 0 to 3600");
        })
        .typeName("SECONDS");
}

CommandAction defineDiscover(CommandSpec &command, const GlobalOptions &)
{
    struct Args
    {
        double wait = kDefaultWaitSeconds;
        bool json = false;
    };
    auto a = std::make_shared<Args>();
    addWaitOption(command, a->wait);
    command.flag("-j,--json", a->json, "one JSON object per device and line");
    return [a] { return runDiscover(a->wait, a->json); };
}

CommandAction defineSet(CommandSpec &command, const GlobalOptions &)
{
    auto a = std::make_shared<SetArgs>();
    command.option("MAC", a->mac, "the device's MAC address, such as 00:11:22:33:44:55").required();
    command.option("-m,--mode", a->mode, "static or dhcp")
        .check([](std::string &text) {
            return text == "static" || text == "dhcp" ? std::string()
                                                      : std::string("--mode is static or dhcp");
        })
        .typeName("static|dhcp");
    static const char *const kShort[] = {"-i,", "-s,", "-g,", "-d,", "-W,", "-T,"};
    static const char *const kHelp[] = {"IP address", "subnet mask", "gateway", "DNS server", "web interface port",
                                        "telnet port"};
    for (std::size_t i = 0; i < std::size(kChanges); ++i)
        a->given[i] = command.option(std::string(kShort[i]) + kChanges[i].option, a->values[i], kHelp[i])
                          .typeName(i < 4 ? "A.B.C.D" : "N");
    addWaitOption(command, a->wait);
    command.flag("-j,--json", a->json, "the packet sent as one JSON object");
    return [a] { return runSet(*a); };
}

const CommandRegistration regDiscover(CommandGroup::Network, "net discover",
                                      "list the devices that answer discovery", &defineDiscover);
const CommandRegistration regSet(CommandGroup::Network, "net set",
                                 "discover, then send the changed settings to MAC", &defineSet);

} // namespace
