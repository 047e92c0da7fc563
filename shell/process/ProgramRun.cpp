#include "shell/process/ProgramRun.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr std::size_t kOutputLimit = std::size_t(1) << 24;

void closeAll(std::initializer_list<int> fds)
{
    for (int fd : fds)
        if (fd >= 0)
            ::close(fd);
}

// The child's three descriptors. Standard input is a socket so that feeding it can use
// MSG_NOSIGNAL; the program reads it as it reads a pipe.
struct Channels
{
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    bool open(std::string &error)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) == 0 && ::pipe2(out, O_CLOEXEC) == 0 &&
            ::pipe2(err, O_CLOEXEC) == 0)
            return true;
        error = std::strerror(errno);
        closeAll({in[0], in[1], out[0], out[1], err[0], err[1]});
        return false;
    }
};

bool spawn(const std::vector<std::string> &args, Channels &c, pid_t &pid, std::string &error)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, c.in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, c.out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, c.err[1], 2);
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    closeAll({c.in[0], c.out[1], c.err[1]});
    if (rc == 0)
        return true;
    closeAll({c.in[1], c.out[0], c.err[0]});
    error = "cannot start " + args[0] + ": " + std::strerror(rc);
    return false;
}

// Feeds `input` and reads both outputs until they close; false when the program went silent.
bool exchange(const Channels &c, std::string_view input, int silenceMs, ProgramRun &run)
{
    std::size_t fed = 0;
    int inFd = c.in[1];
    if (input.empty())
        ::close(inFd), inFd = -1;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen || inFd >= 0) {
        pollfd fds[3];
        int n = 0;
        if (outOpen)
            fds[n++] = {c.out[0], POLLIN, 0};
        if (errOpen)
            fds[n++] = {c.err[0], POLLIN, 0};
        if (inFd >= 0)
            fds[n++] = {inFd, POLLOUT, 0};
        const int ready = ::poll(fds, nfds_t(n), silenceMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].fd == inFd) {
                const ssize_t w = ::send(inFd, input.data() + fed, input.size() - fed, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (w > 0)
                    fed += std::size_t(w);
                if ((w < 0 && errno != EAGAIN && errno != EINTR) || fed == input.size())
                    ::close(inFd), inFd = -1;
                continue;
            }
            char buf[4096];
            const ssize_t r = ::read(fds[i].fd, buf, sizeof buf);
            std::string &into = fds[i].fd == c.out[0] ? run.out : run.err;
            if (r > 0 && into.size() < kOutputLimit)
                into.append(buf, std::size_t(r));
            else if (r == 0 || (r < 0 && errno != EINTR))
                (fds[i].fd == c.out[0] ? outOpen : errOpen) = false;
        }
    }
    if (inFd >= 0)
        ::close(inFd);
    return !outOpen && !errOpen;
}

} // namespace

ProgramRun runProgram(const std::vector<std::string> &argv, std::string_view input, int silenceMs)
{
    ProgramRun run;
    Channels c;
    pid_t pid = -1;
    if (argv.empty() || !c.open(run.error) || !spawn(argv, c, pid, run.error))
        return run;
    const bool drained = exchange(c, input, silenceMs, run);
    closeAll({c.out[0], c.err[0]});
    if (!drained) {
        ::kill(pid, SIGKILL);
        run.error = argv[0] + " was silent for " + std::to_string(silenceMs / 1000) + " s and was stopped";
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.ended = drained && WIFEXITED(status);
    if (run.ended)
        run.exitCode = WEXITSTATUS(status);
    return run;
}

std::optional<std::string> findProgram(std::string_view name)
{
    const char *path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/bin:/bin";
    while (true) {
        const std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + std::string(name);
        struct stat st;
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos)
            return std::nullopt;
        dirs.remove_prefix(colon + 1);
    }
}
