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

class DeviceSession;

// What every device command prints: one sentence on stderr after "kelmctl: ", or a line on stdout.
void sayError(const QString &sentence);
void say(const QString &line);

// The search of the Search button, on the --port list when one was given. A device in
// firmware-update mode becomes the selected one, as choosing its row does. False, with a message,
// when no device answered. With KELMCTL_LOG set, the debug log is echoed on stderr.
bool connectDevice(DeviceSession &session, const DeviceOptions &options);
