#pragma once

// Running the conformance checker (the edid-decode program, "--check"), an optional tool found on
// PATH at run time; its report is read by edid/EdidConformance.

#include <optional>
#include <string>

#include "edid/EdidConformance.h"
#include "edid/EdidImage.h"

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

// Runs "checker --check -- FILE": no shell, and the "--" keeps a file name that starts with '-'
// from being read as an option.
EdidCheckRun runEdidChecker(const std::string &checker, const std::string &file);
// Runs the checker on an image fed through its standard input. An image without extension
// (byte 126 = 0) is given as its 128-byte base block, which is what it declares itself to be.
EdidCheckRun runEdidChecker(const std::string &checker, const EdidImage &image);
