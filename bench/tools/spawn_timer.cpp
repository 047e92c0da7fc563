// spawn_timer ROUNDS CMD [ARGS...] [-- CMD [ARGS...]]...
// Starts each command in turn, ROUNDS times over (interleaved, so a change in the machine's load
// hits all of them alike), with its output sent to /dev/null, and prints per command the median
// wall time from spawn to exit and the mean CPU time the child used. Spawning directly keeps a
// shell's own fork out of the figures, which would otherwise make all commands look alike.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {
struct Command {
    std::vector<char *> argv;
    std::vector<double> wallMs;
    double cpuMs = 0;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: spawn_timer ROUNDS CMD [ARGS...] [-- CMD [ARGS...]]...\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[1]));
    std::vector<Command> commands(1);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            commands.emplace_back();
            continue;
        }
        commands.back().argv.push_back(argv[i]);
    }
    for (Command &c : commands) {
        if (c.argv.empty()) {
            std::fprintf(stderr, "spawn_timer: an empty command\n");
            return 2;
        }
        c.argv.push_back(nullptr);
    }

    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    for (int r = 0; r < rounds; ++r) {
        for (Command &c : commands) {
            const auto start = std::chrono::steady_clock::now();
            pid_t pid = 0;
            if (const int err = posix_spawnp(&pid, c.argv[0], &quiet, nullptr, c.argv.data(), environ)) {
                std::fprintf(stderr, "spawn_timer: cannot start %s: %s\n", c.argv[0], std::strerror(err));
                return 1;
            }
            int status = 0;
            rusage usage{};
            while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
            }
            const auto end = std::chrono::steady_clock::now();
            c.wallMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            c.cpuMs += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
                + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        }
    }
    posix_spawn_file_actions_destroy(&quiet);
    for (const Command &c : commands) {
        std::printf("%.3f %.3f %s\n", median(c.wallMs), c.cpuMs / rounds, c.argv[0]);
    }
    return 0;
}
