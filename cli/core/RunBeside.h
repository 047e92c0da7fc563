#pragma once

// kelmctl is three programs: kelmctl starts kelmctl-serial or kelmctl-device in its own place, and
// kelmctl-serial starts kelmctl-device for the lines it has no command for.

// Replaces this process with the program `name` beside it (the build tree, or the libexec folder
// where the helper programs are installed together), or, when there is none, in `otherDir`
// relative to this program's folder (kelmctl, installed in bin/, names the libexec folder). Only
// returns when it could not: the reason is on stderr and the result is the exit status 1.
int runBeside(const char *name, char **argv, const char *otherDir = nullptr);
