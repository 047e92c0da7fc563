#include "edid/EdidConformance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

bool startsWith(std::string_view s, std::string_view p)
{
    return s.size() >= p.size() && s.compare(0, p.size(), p) == 0;
}

// "Block 1, CTA-861 Extension Block:" -> 1 and the name; "EDID:" -> -1, "EDID".
bool parseHeading(std::string_view line, int &block, std::string &name)
{
    if (line.empty() || line.back() != ':' || line[0] == ' ')
        return false;
    line.remove_suffix(1);
    if (startsWith(line, "Block ")) {
        std::string_view rest = line.substr(6);
        int n = 0;
        std::size_t i = 0;
        while (i < rest.size() && i < 4 && rest[i] >= '0' && rest[i] <= '9')
            n = n * 10 + (rest[i++] - '0');
        if (i == 0 || i >= rest.size() || rest[i] != ',')
            return false;
        block = n;
        rest.remove_prefix(i + 1);
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        if (rest.empty())
            return false;
        name = std::string(rest);
        return true;
    }
    if (line.empty())
        return false;
    block = -1;
    name = std::string(line);
    return true;
}

} // namespace

int EdidConformity::failures() const
{
    int n = 0;
    for (const EdidFinding &f : findings)
        n += f.severity == EdidFinding::Severity::Failure;
    return n;
}

int EdidConformity::warnings() const
{
    return int(findings.size()) - failures();
}

EdidConformity parseEdidCheckerOutput(std::string_view output)
{
    EdidConformity c;
    enum class Section { None, Warnings, Failures } section = Section::None;
    int block = -1;
    std::string blockName = "EDID";
    EdidFinding *last = nullptr;
    while (!output.empty()) {
        const std::size_t nl = output.find('\n');
        std::string_view line = output.substr(0, nl);
        output.remove_prefix(nl == std::string_view::npos ? output.size() : nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (line == "Warnings:" || line == "Failures:") {
            section = line == "Warnings:" ? Section::Warnings : Section::Failures;
            block = -1;
            blockName = "EDID";
            last = nullptr;
            continue;
        }
        if (startsWith(line, "EDID conformity: ")) {
            const std::string_view v = line.substr(17);
            c.verdict = v == "PASS" ? EdidConformity::Verdict::Pass
                        : v == "FAIL" ? EdidConformity::Verdict::Fail
                                      : EdidConformity::Verdict::Unknown;
            section = Section::None;
            last = nullptr;
            continue;
        }
        if (section == Section::None || line.empty())
            continue;
        if (startsWith(line, "    ")) {
            std::string_view more = line;
            while (!more.empty() && more.front() == ' ')
                more.remove_prefix(1);
            if (last && !more.empty())
                last->text += "\n" + std::string(more);
            continue;
        }
        if (startsWith(line, "  ") && line.size() > 2 && line[2] != ' ') {
            EdidFinding f;
            f.block = block;
            f.blockName = blockName;
            f.severity = section == Section::Failures ? EdidFinding::Severity::Failure : EdidFinding::Severity::Warning;
            f.text = std::string(line.substr(2));
            c.findings.push_back(std::move(f));
            last = &c.findings.back();
            continue;
        }
        if (parseHeading(line, block, blockName)) {
            last = nullptr;
            continue;
        }
        // Any other line ends the sections: what follows is not the checker's report.
        section = Section::None;
        last = nullptr;
    }
    return c;
}

const char *edidFindingSeverityName(EdidFinding::Severity severity)
{
    return severity == EdidFinding::Severity::Failure ? "failure" : "warning";
}

std::string edidFindingPlace(const EdidFinding &f)
{
    if (f.block < 0)
        return f.blockName;
    return "block " + std::to_string(f.block) + " (" + f.blockName + ")";
}

std::string edidConformitySummary(const EdidConformity &c)
{
    const int f = c.failures(), w = c.warnings();
    if (f == 0 && w == 0)
        return "no findings";
    return std::to_string(f) + (f == 1 ? " failure, " : " failures, ") + std::to_string(w) +
           (w == 1 ? " warning" : " warnings");
}

std::optional<std::string> findEdidChecker()
{
    const char *path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/bin:/bin";
    while (true) {
        const std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/edid-decode";
        struct stat st;
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos)
            return std::nullopt;
        dirs.remove_prefix(colon + 1);
    }
}

namespace {

// Runs argv with `input` on its stdin; collects stdout and stderr. No shell is involved.
EdidCheckRun runChecker(const std::vector<std::string> &args, std::string_view input)
{
    EdidCheckRun run;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return run.error = std::strerror(errno), run;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]);
        return run.error = std::strerror(errno), run;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
        return run.error = std::strerror(errno), run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]), ::close(out[1]), ::close(err[1]);
    if (rc != 0) {
        ::close(in[1]), ::close(out[0]), ::close(err[0]);
        run.error = "cannot start " + args[0] + ": " + std::strerror(rc);
        return run;
    }
    // A checker that exits early must not kill us with SIGPIPE while we feed it.
    struct sigaction ignore = {}, old = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &old);
    std::string stdoutText, stderrText;
    std::size_t fed = 0;
    int inFd = in[1];
    if (input.empty())
        ::close(inFd), inFd = -1;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen || inFd >= 0) {
        pollfd fds[3];
        int n = 0;
        if (outOpen)
            fds[n++] = {out[0], POLLIN, 0};
        if (errOpen)
            fds[n++] = {err[0], POLLIN, 0};
        if (inFd >= 0)
            fds[n++] = {inFd, POLLOUT, 0};
        const int ready = ::poll(fds, nfds_t(n), 30000);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break; // a checker silent for 30 s counts as not run
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].fd == inFd) {
                const ssize_t w = ::write(inFd, input.data() + fed, input.size() - fed);
                if (w > 0)
                    fed += std::size_t(w);
                if (w < 0 || fed == input.size())
                    ::close(inFd), inFd = -1;
                continue;
            }
            char buf[4096];
            const ssize_t r = ::read(fds[i].fd, buf, sizeof buf);
            std::string &into = fds[i].fd == out[0] ? stdoutText : stderrText;
            if (r > 0 && into.size() < (1u << 24))
                into.append(buf, std::size_t(r));
            else if (r == 0 || (r < 0 && errno != EINTR))
                (fds[i].fd == out[0] ? outOpen : errOpen) = false;
        }
    }
    if (inFd >= 0)
        ::close(inFd);
    ::close(out[0]), ::close(err[0]);
    int status = 0;
    if (outOpen || errOpen)
        ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::sigaction(SIGPIPE, &old, nullptr);
    run.ran = WIFEXITED(status) && !outOpen && !errOpen;
    run.conformity = parseEdidCheckerOutput(stdoutText);
    if (run.conformity.verdict == EdidConformity::Verdict::Unknown) {
        // Its complaint (a file it cannot read, a length it does not take) is the first line it wrote.
        const std::string &said = stderrText.empty() ? stdoutText : stderrText;
        const std::string e = said.substr(0, said.find('\n'));
        run.error = e.empty() ? "it wrote nothing" : e;
    }
    return run;
}

} // namespace

EdidCheckRun runEdidChecker(const std::string &checker, const std::string &file)
{
    return runChecker({checker, "--check", file}, {});
}

EdidCheckRun runEdidChecker(const std::string &checker, const EdidImage &image)
{
    const std::size_t size = image[126] == 0 ? kEdidBlockSize : kEdidImageSize;
    return runChecker({checker, "--check", "-"},
                      std::string_view(reinterpret_cast<const char *>(image.data()), size));
}
