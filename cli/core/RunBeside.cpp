#include "cli/core/RunBeside.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

int runBeside(const char *name, char **argv, const char *otherDir)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::filesystem::path program = ec ? std::filesystem::path(name) : self.parent_path() / name;
    if (!ec && otherDir && !std::filesystem::exists(program, ec))
        program = (self.parent_path() / otherDir / name).lexically_normal();
    // What this program wrote so far must not be lost with its buffers.
    std::fflush(nullptr);
    execv(program.c_str(), argv);
    std::fprintf(stderr, "kelmctl: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    return 1;
}
