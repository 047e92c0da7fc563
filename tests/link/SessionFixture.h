#pragma once

// A session and simulated devices in one process, talking over real pseudo-terminals; the event
// loop runs inside the session's pauses, so the device answers in time as a real one would.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>

#include <memory>
#include <vector>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"

class SessionTest : public ::testing::Test
{
  protected:
    DebugLog log;
    DeviceSession session{log};
    std::vector<std::unique_ptr<SimulatedDevice>> devices;

    SimulatedDevice &addDevice(const SimulatedDeviceConfig &config = {})
    {
        devices.push_back(std::make_unique<SimulatedDevice>(config));
        SimulatedDevice &d = *devices.back();
        EXPECT_TRUE(d.start()) << d.errorString().toStdString();
        QStringList ports;
        for (const auto &dev : devices)
            ports << dev->portPath();
        session.transport().setPortOverride(ports);
        return d;
    }

    // Connects to a single normal device and forgets the search's traffic.
    SimulatedDevice &connectDevice(const SimulatedDeviceConfig &config = {})
    {
        SimulatedDevice &d = addDevice(config);
        session.search();
        EXPECT_TRUE(session.connected());
        d.clearRequests();
        return d;
    }

    // Waits (handling events) until cond holds or ms have passed.
    template <typename Cond> bool waitFor(Cond cond, int ms = 2000)
    {
        QElapsedTimer t;
        t.start();
        while (!cond()) {
            if (t.elapsed() > ms)
                return false;
            pauseWithEvents(5);
        }
        return true;
    }

    void TearDown() override
    {
        if (session.connected())
            session.disconnect();
        pauseWithEvents(1);
    }
};

// Lines of the request log, without the " \r" before the handshake.
inline QList<QByteArray> requestLines(const SimulatedDevice &d)
{
    QList<QByteArray> lines;
    for (const SimulatedRequest &r : d.requests())
        lines << r.line;
    return lines;
}
