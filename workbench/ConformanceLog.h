#pragma once

#include <QString>

#include "shell/process/EdidChecker.h"

class DebugLog;

// The line the Creator logs about an image it saves or uploads, e.g.
// "Conformance check: 1 failure, 2 warnings (edid-decode).\r\n".
QString conformanceLogLine(const EdidConformity &conformity);

// Runs the conformance checker on the image in the background and appends its one-line summary
// to the log when it is done. Never blocks and never refuses anything: without the checker it
// does nothing. The log must live as long as the program (the session's log does).
void logConformanceSummary(DebugLog &log, const EdidImage &image);
