#pragma once

// Conformance findings of the reference checker (the edid-decode program, "--check"). The parser
// turns its report into data; nothing here prints or starts the checker (shell/process does).

#include <string>
#include <string_view>
#include <vector>

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
