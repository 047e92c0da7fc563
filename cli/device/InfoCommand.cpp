// kelmctl [--port PATH]... info [--json]: search the serial ports (never the network) and print the
// device's description, slot counts and input 1's descriptor.
#include <cstdio>
#include <memory>

#include "shell/DebugLog.h"
#include "cli/device/DeviceCommands.h"
#include "cli/device/DeviceJson.h"
#include "link/DeviceSession.h"

namespace {

nlohmann::json nodeJson(const NodeDescriptor &n)
{
    return nlohmann::json{{"nodeValue0", n.nodeValue0},
                       {"nodeValue1", n.nodeValue1},
                       {"nodeValue2", n.nodeValue2},
                       {"nodeFlag3", n.nodeFlag3 != 0},
                       {"modeSelectable", n.modeSelectable != 0},
                       {"copyAvailable", n.copyAvailable != 0},
                       {"modePolled", n.modePolled != 0},
                       {"nodeFlag8", n.nodeFlag8 != 0}};
}

const char *yesNo(uint8_t flag)
{
    return flag ? "yes" : "no";
}

int runInfo(const GlobalOptions &options, bool json)
{
    DebugLog log;
    DeviceSession session(log);
    searchPorts(session, options);
    if (!session.connected() || session.registry().rows().isEmpty()) {
        const QString why = whyNoDevice(options);
        if (why.startsWith(QLatin1String("on ")))
            std::fputs("No Device Detected.\n", stderr);
        else
            std::fprintf(stderr, "No Device Detected: %s.\n", why.toLocal8Bit().constData());
        return 1;
    }
    const QStringList row = session.registry().rows().first();
    const QString port = row.value(1);
    const SYS_STATUS record = session.registry().status(session.registry().selected());
    const bool isp = session.transport().ispMode();
    const uint8_t ispKind = session.channel().ispKind();
    const bool described = session.serialSearch().descriptionReceived();
    session.disconnect();
    if (!isp && !described) {
        sayError(QStringLiteral("No description received from %1.").arg(port));
        return 1;
    }

    if (isp) {
        const char *mode = ispKind == 2 ? "isp091" : "isp029";
        if (json) {
            printJsonLine({{"port", jsonText(port)}, {"mode", mode}, {"productName", jsonText(row.value(2))}});
        } else {
            std::printf("Port:            %s\nMode:            firmware update (%s)\nProduct:         %s\n",
                        qPrintable(port), mode, qPrintable(terminalText(row.value(2))));
        }
        return 0;
    }

    if (json) {
        printJsonLine({{"port", jsonText(port)},
                       {"mode", "normal"},
                       {"vid", jsonText(record.vid)},
                       {"pid", jsonText(record.pid)},
                       {"productName", jsonText(record.productName)},
                       {"productString", jsonText(record.productString)},
                       {"firmwareVersion", jsonText(record.firmwareVersion)},
                       {"statusFlag", record.statusFlag != 0},
                       {"inputCount", record.inputCount},
                       {"outputCount", record.outputCount},
                       {"userCount", record.userCount},
                       {"internalCount", record.internalCount},
                       {"input1", nodeJson(record.inputNodes[0])}});
        return 0;
    }
    const NodeDescriptor &n = record.inputNodes[0];
    std::printf("Port:            %s\n"
                "Product:         %s\n"
                "Description:     %s\n"
                "VID:             %s\n"
                "PID:             %s\n"
                "Firmware:        %s\n"
                "Inputs:          %d\n"
                "Outputs:         %d\n"
                "User slots:      %d\n"
                "Internal slots:  %d\n"
                "Input 1:         values %d %d %d, flag 3 %s, mode selectable %s, copy available %s,"
                " mode polled %s, flag 8 %s\n",
                qPrintable(port), qPrintable(terminalText(record.productName)),
                qPrintable(terminalText(record.productString)), qPrintable(terminalText(record.vid)),
                qPrintable(terminalText(record.pid)), qPrintable(terminalText(record.firmwareVersion)),
                record.inputCount, record.outputCount, record.userCount, record.internalCount, n.nodeValue0,
                n.nodeValue1, n.nodeValue2, yesNo(n.nodeFlag3), yesNo(n.modeSelectable),
                yesNo(n.copyAvailable), yesNo(n.modePolled), yesNo(n.nodeFlag8));
    return 0;
}

CommandAction define(CommandSpec &command, const GlobalOptions &global)
{
    auto json = std::make_shared<bool>(false);
    command.flag("-j,--json", *json, "one JSON object");
    return [json, &global] { return runInfo(global, *json); };
}

const CommandRegistration reg(CommandGroup::Device, "info", "search, then describe the device", &define);

} // namespace
