#include "cli/device/DeviceCommands.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "link/DeviceSession.h"
#include "shell/DebugLog.h"

void sayError(const QString &sentence)
{
    std::fprintf(stderr, "kelmctl: %s\n", sentence.toLocal8Bit().constData());
}

void say(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString textArgument(const std::string &arg)
{
    return QString::fromLocal8Bit(arg.data(), static_cast<qsizetype>(arg.size()));
}

QString terminalText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            shown += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString fileArgument(const std::string &name)
{
    const QString text = QFile::decodeName(QByteArray::fromStdString(name));
    if (QFile::encodeName(text).toStdString() == name)
        return text;
    // Kept open until the program ends: the Qt side opens the file again through this name.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "kelmctl: cannot open %s: %s.\n", name.c_str(), std::strerror(errno));
        return {};
    }
    return QStringLiteral("/dev/fd/%1").arg(fd);
}

QStringList portList(const GlobalOptions &options)
{
    QStringList ports;
    for (const std::string &p : options.ports)
        ports << QFile::decodeName(QByteArray::fromStdString(p));
    return ports;
}

namespace {

// Takes over the handshake's wake-up kelmctl wrote before starting this program (KELMCTL_WOKEN,
// see cli/kelmctl.cpp), for the session's first open of that port.
void adoptLauncherWakeUp(SerialTransport &transport)
{
    const char *woken = std::getenv("KELMCTL_WOKEN");
    if (!woken)
        return;
    int fd = -1;
    long long sentNs = 0;
    const bool parsed = std::sscanf(woken, "%d %lld", &fd, &sentNs) == 2;
    // Once: a program this one starts has its own handshake to make.
    unsetenv("KELMCTL_WOKEN");
    if (!parsed || fd < 0 || fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || !isatty(fd))
        return;
    transport.adoptEarlyWakeUp(fd, sentNs);
}

} // namespace

void searchPorts(DeviceSession &session, const GlobalOptions &options)
{
    session.transport().setPortOverride(portList(options));
    adoptLauncherWakeUp(session.transport());
    session.search();
}

QString whyNoDevice(const GlobalOptions &options)
{
    // Ports named on the command line that are not there at all are the likelier mistake.
    QStringList missing;
    for (const QString &port : portList(options))
        if (!QFileInfo::exists(port) && !QFileInfo::exists(QStringLiteral("/dev/") + port))
            missing << port;
    if (!missing.isEmpty() && missing.size() == static_cast<qsizetype>(options.ports.size()))
        return missing.size() == 1 ? QStringLiteral("the port %1 does not exist").arg(missing.first())
                                   : QStringLiteral("the ports %1 do not exist").arg(missing.join(QStringLiteral(", ")));
    return QStringLiteral("on the serial ports");
}

bool connectDevice(DeviceSession &session, const GlobalOptions &options)
{
    if (qEnvironmentVariableIsSet("KELMCTL_LOG"))
        QObject::connect(&session.debugLog(), &DebugLog::appended,
                         [](const QString &t) { std::fputs(t.toLocal8Bit().constData(), stderr); });
    searchPorts(session, options);
    if (!session.connected() || session.registry().count() < 1) {
        const QString why = whyNoDevice(options);
        sayError(why.startsWith(QLatin1String("on ")) ? QStringLiteral("No device answered %1.").arg(why)
                                                      : QStringLiteral("No device answered: %1.").arg(why));
        return false;
    }
    if (session.transport().ispMode()) {
        session.registry().select(session.registry().count() - 1);
        return true;
    }
    // Without its description the counts are not the device's: every slot would look missing.
    if (!session.serialSearch().descriptionReceived()) {
        sayError(QStringLiteral("No description received from %1.").arg(session.transport().openPortName()));
        session.disconnect();
        return false;
    }
    return true;
}

bool connectNormalDevice(DeviceSession &session, const GlobalOptions &options)
{
    if (!connectDevice(session, options))
        return false;
    if (session.transport().ispMode()) {
        sayError(QStringLiteral("The device is in firmware-update mode."));
        return false;
    }
    return true;
}
