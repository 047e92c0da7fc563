#pragma once

// kelmctl run as a separate process in a scratch folder, as the operator runs it (Qt-free, for
// GoogleTest). run() quotes each argument; runLine() hands a command line to the shell as typed.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "edid/EdidImage.h"

// Runs a shell command line, its standard output into *out; the exit status, -1 when it did not
// exit normally.
inline int runShellCommand(const std::string &command, std::string *out = nullptr)
{
    std::unique_ptr<FILE, int (*)(FILE *)> p(popen(command.c_str(), "r"), pclose);
    if (!p)
        return -1;
    std::string text;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p.get()))
        text.append(buf, n);
    const int raw = pclose(p.release());
    if (out)
        *out = text;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

struct KelmctlResult
{
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out, err;
};

class KelmctlFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kelmctl-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    static std::string quote(const std::string &s)
    {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }
    static std::string slurp(const std::filesystem::path &p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    KelmctlResult run(const std::vector<std::string> &args)
    {
        std::string line;
        for (const auto &a : args)
            line += " " + quote(a);
        return runLine(line);
    }
    // Runs in dir, so file names may be relative to it; program is kelmctl unless another is named.
    KelmctlResult runLine(const std::string &args, const std::string &program = KELMCTL_PATH)
    {
        const std::string cmd = "cd " + quote(dir.string()) + " && " + quote(program) + " " + args +
                                " >" + quote((dir / ".out").string()) + " 2>" + quote((dir / ".err").string());
        KelmctlResult r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(dir / ".out");
        r.err = slurp(dir / ".err");
        return r;
    }

    // The first size bytes of img as dir/name; the file's path.
    std::string write(const std::string &name, const EdidImage &img, std::size_t size = 256)
    {
        const std::filesystem::path p = dir / name;
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char *>(img.data()), static_cast<std::streamsize>(size));
        return p.string();
    }
    void writeText(const std::string &name, const std::string &text) { std::ofstream(dir / name) << text; }

    std::filesystem::path dir;
};
