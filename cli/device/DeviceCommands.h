#pragma once

#include <QStringList>

// Options that come before the command: the ports to search instead of the system's list.
struct DeviceOptions
{
    QStringList ports; // --port PATH, repeatable; empty means the system's list
};

// Each command registers itself from its own source file:
//   static const DeviceCommandRegistration reg("info", &runInfo);
// The handler gets the arguments after the command's name and returns the exit status
// (0 ok, 1 the operation or the device failed, 2 usage error).
using DeviceCommandFn = int (*)(const DeviceOptions &options, const QStringList &args);
struct DeviceCommandRegistration
{
    DeviceCommandRegistration(const char *name, DeviceCommandFn fn);
};

int runDeviceCommand(const QStringList &argv);
