#include "cli/device/DeviceCommands.h"

#include <cstdio>
#include <map>
#include <string>

#include "shell/DebugLog.h"
#include "link/DeviceSession.h"

namespace {
std::map<std::string, DeviceCommandFn> &registry()
{
    static std::map<std::string, DeviceCommandFn> commands;
    return commands;
}
} // namespace

DeviceCommandRegistration::DeviceCommandRegistration(const char *name, DeviceCommandFn fn)
{
    registry()[name] = fn;
}

int runDeviceCommand(const QStringList &argv)
{
    DeviceOptions options;
    int i = 0;
    while (i < argv.size() && argv[i] == QLatin1String("--port")) {
        if (i + 1 >= argv.size()) {
            std::fputs("kelmctl: --port needs a path.\n", stderr);
            return 2;
        }
        options.ports << argv[i + 1];
        i += 2;
    }
    if (i >= argv.size()) {
        std::fputs("kelmctl: a command is missing; see kelmctl --help.\n", stderr);
        return 2;
    }
    const std::string name = argv[i].toStdString();
    auto it = registry().find(name);
    if (it == registry().end()) {
        std::fprintf(stderr, "kelmctl: unknown command '%s'; see kelmctl --help.\n", name.c_str());
        return 2;
    }
    return it->second(options, argv.mid(i + 1));
}

void sayError(const QString &sentence)
{
    std::fprintf(stderr, "kelmctl: %s\n", sentence.toLocal8Bit().constData());
}

void say(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

bool connectDevice(DeviceSession &session, const DeviceOptions &options)
{
    session.setPortOverride(options.ports);
    if (qEnvironmentVariableIsSet("KELMCTL_LOG"))
        QObject::connect(&session.debugLog(), &DebugLog::appended,
                         [](const QString &t) { std::fputs(t.toLocal8Bit().constData(), stderr); });
    session.BitBtn_SearchClick();
    if (!session.connected() || session.deviceCount < 1) {
        sayError(QStringLiteral("No device answered on the serial ports."));
        return false;
    }
    if (session.ispMode()) {
        session.selectedDevice = session.deviceCount - 1;
        return true;
    }
    // Without its description the counts are not the device's: every slot would look missing.
    if (!session.descriptionReceived()) {
        sayError(QStringLiteral("No description received from %1.").arg(session.openPortName()));
        session.BitBtn_DisconnectClick();
        return false;
    }
    return true;
}
