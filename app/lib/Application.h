#pragma once

#include <QStringList>

struct StartupOptions;

// Starts the workbench: the main window ("KELM 2016", which creates the "EDID Analyzer" and
// "Commander" windows), then the event loop. Returns the process exit status.
int runWorkbench(int argc, char **argv);

// Reads --port PATH (repeatable) and --demo. False, with the message in error, for anything else.
bool parseStartupOptions(const QStringList &arguments, StartupOptions &options, QString &error);
