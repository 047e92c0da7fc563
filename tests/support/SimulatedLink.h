#pragma once

// A simulated device on a pseudo-terminal, a session searched onto it, and dialogs that answer as
// scripted (questions with yes): what every end-to-end test of the System page's routines starts
// from.

#include <QByteArray>
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "ScriptedDialogs.h"
#include "shell/DebugLog.h"
#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"

struct SimulatedLink
{
    explicit SimulatedLink(HandshakeMode mode)
    {
        SimulatedDeviceConfig config;
        config.handshake = mode;
        device = std::make_unique<SimulatedDevice>(config);
        started = device->start();
        session.transport().setPortOverride({device->portPath()});
        dialogs.confirmAnswer = true;
    }
    ~SimulatedLink() { session.disconnect(); }

    // The Search button; a device in ISP mode also becomes the selected row, as choosing it does.
    bool connect()
    {
        session.search();
        if (session.transport().ispMode())
            session.registry().select(session.registry().count() - 1);
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
