#pragma once

// A simulated device on a pseudo-terminal, a session searched onto it, and dialogs that answer as
// scripted: what every end-to-end test of the System page's routines starts from.

#include <QByteArray>
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

#include "shell/DebugLog.h"
#include "shell/Dialogs.h"
#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"

class ScriptedDialogs final : public Dialogs
{
  public:
    bool answer = true;
    QString openAnswer;
    int confirms = 0;
    QString lastText;
    std::optional<QPoint> lastAt;

    QString openFile(const QString &, const QString &) override { return openAnswer; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    bool confirm(const QString &, const QString &text, const QPoint *at) override
    {
        ++confirms;
        lastText = text;
        lastAt = at ? std::optional<QPoint>(*at) : std::nullopt;
        return answer;
    }
    void information(const QString &, const QString &, const QPoint *) override {}
    void warning(const QString &, const QString &) override {}
    void error(const QString &, const QString &) override {}
};

struct SimulatedLink
{
    explicit SimulatedLink(HandshakeMode mode)
    {
        SimulatedDeviceConfig config;
        config.handshake = mode;
        device = std::make_unique<SimulatedDevice>(config);
        started = device->start();
        session.setPortOverride({device->portPath()});
        setDialogs(&dialogs);
    }
    ~SimulatedLink()
    {
        setDialogs(nullptr);
        session.disconnect();
    }

    // The Search button; a device in ISP mode also becomes the selected row, as choosing it does.
    bool connect()
    {
        session.search();
        if (session.ispMode())
            session.selectedDevice = session.deviceCount - 1;
        device->clearRequests();
        return session.connected();
    }

    // The requests of one command, in order.
    std::vector<SimulatedRequest> requestsOf(Command cmd) const
    {
        std::vector<SimulatedRequest> out;
        for (const SimulatedRequest &r : device->requests())
            if (r.command == cmd)
                out.push_back(r);
        return out;
    }

    DebugLog log;
    DeviceSession session{log};
    ScriptedDialogs dialogs;
    std::unique_ptr<SimulatedDevice> device;
    bool started = false;
};

// An image of length bytes (a counting pattern) with the version record at offset 512.
inline QByteArray firmwareImage(int length, const QByteArray &version = "v1.02", bool withRecord = true)
{
    QByteArray image(length, '\0');
    for (int i = 0; i < length; ++i)
        image[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    if (withRecord && length >= 536) {
        QByteArray record("FW VER:", 7);
        record += ' ';
        record += version.left(8).leftJustified(8, '\0');
        record += "1A2B3C4D";
        image.replace(512, 24, record);
    }
    return image;
}

inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}
