#pragma once

// Starts the workbench: the tables, the main window ("KELM 2016"), the "EDID Analyzer" and
// "Commander" windows, then the event loop. Returns the process exit status.
int runWorkbench(int argc, char **argv);
