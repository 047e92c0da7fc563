#pragma once

// Helpers shared by the device and network commands of kelmctl-device. Each command registers
// itself from its own file with CommandRegistration (cli/core/CommandLine.h).

#include <QString>
#include <QStringList>

#include <string>

#include "cli/core/CommandLine.h"

class DeviceSession;

// What every device command prints: one sentence on stderr after "kelmctl: ", or a line on stdout.
void sayError(const QString &sentence);
void say(const QString &line);

// A text argument (slot name, description) as Qt text; file names stay bytes (see fileArgument).
QString textArgument(const std::string &arg);

// A text from the device or the network for a terminal: control characters (C0, DEL, C1) shown as
// \u001b, as the --json output writes them, so a device's name cannot drive the terminal.
QString terminalText(const QString &text);

// A file name for Qt's file classes. Names that are not valid UTF-8 cannot pass through QString
// unchanged; such a file is opened here, by its own bytes, and handed over as /dev/fd/N.
// Empty (with the error said) when it can't be opened.
QString fileArgument(const std::string &name);

// The search of the Search button, on the --port list when one was given. A device in
// firmware-update mode becomes the selected one, as choosing its row does. False, with a message,
// when no device answered. With KELMCTL_LOG set, the debug log is echoed on stderr.
bool connectDevice(DeviceSession &session, const GlobalOptions &options);
// Why a search found nothing: "the port P does not exist" when every port named with --port is
// missing, "on the serial ports" otherwise.
QString whyNoDevice(const GlobalOptions &options);
// connectDevice for the slot commands: a device in firmware-update mode has no slots (a message).
bool connectNormalDevice(DeviceSession &session, const GlobalOptions &options);
// The search on the --port list (or the system's ports), taking over the wake-up kelmctl may
// already have written to that port (KELMCTL_WOKEN, see cli/kelmctl.cpp).
void searchPorts(DeviceSession &session, const GlobalOptions &options);
// The --port list for DeviceSession::setPortOverride.
QStringList portList(const GlobalOptions &options);
