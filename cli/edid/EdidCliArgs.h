#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "edid/EdidImage.h"

// The arguments of one "kelmctl edid" subcommand: files, --json and -o FILE.
struct EdidCliArgs
{
    std::vector<std::string> files;
    std::string output; // -o
    bool json = false;
    bool hasOutput = false;
};

// Parses args; allowJson / allowOutput say which options the subcommand takes. On a usage error
// prints one sentence to stderr (naming `command`) and returns false.
bool parseEdidCliArgs(const char *command, const std::vector<std::string> &args, bool allowJson,
                      bool allowOutput, EdidCliArgs &out);

// Reads a .bin file for a subcommand; prints the error sentence and returns false when it can't.
bool readEdidForCli(const std::string &path, EdidImage &image);

// Writes a whole line (text plus '\n') to stdout.
void printLine(const std::string &text);

// The exit status after all output: rc, or 1 when stdout could not take it (full disk, closed
// pipe), so a lost answer is never reported as success.
int finishOutput(int rc);
