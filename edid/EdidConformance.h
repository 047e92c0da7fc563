#pragma once

// Conformance findings of the reference checker (the edid-decode program, "--check"), an optional
// tool found on PATH at run time. The parser turns its report into data; nothing here prints.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "edid/EdidImage.h"

struct EdidFinding
{
    enum class Severity { Warning, Failure };
    int block = -1;        // block number, -1 for findings about the whole EDID
    std::string blockName; // "Base EDID", "CTA-861 Extension Block", "EDID" ...
    Severity severity = Severity::Warning;
    std::string text; // continuation lines joined with '\n'
};

struct EdidConformity
{
    enum class Verdict { Unknown, Pass, Fail };
    Verdict verdict = Verdict::Unknown; // from "EDID conformity: PASS/FAIL"; Unknown when absent
    std::vector<EdidFinding> findings;
    int failures() const;
    int warnings() const;
};

// Parses the checker's standard output. Only the "Warnings:" and "Failures:" sections at the end
// are read; anything else (the decoded listing, stray text, binary junk) is ignored.
EdidConformity parseEdidCheckerOutput(std::string_view output);

// "failure" / "warning".
const char *edidFindingSeverityName(EdidFinding::Severity severity);
// "block 1 (CTA-861 Extension Block)" or "EDID".
std::string edidFindingPlace(const EdidFinding &finding);
// "2 failures, 1 warning" / "no findings".
std::string edidConformitySummary(const EdidConformity &conformity);

// The checker's path found on PATH, nothing when it is not installed.
std::optional<std::string> findEdidChecker();

// What one run of the checker gave.
struct EdidCheckRun
{
    bool ran = false;          // the checker started and ended by itself
    EdidConformity conformity; // parsed from its output
    std::string error;         // why it did not run or what it said on stderr when it gave no verdict
    bool ok() const { return ran && conformity.verdict != EdidConformity::Verdict::Unknown; }
};

// Runs "checker --check FILE" (no shell: any file name is safe).
EdidCheckRun runEdidChecker(const std::string &checker, const std::string &file);
// Runs the checker on an image fed through its standard input. An image without extension
// (byte 126 = 0) is given as its 128-byte base block, which is what it declares itself to be.
EdidCheckRun runEdidChecker(const std::string &checker, const EdidImage &image);
