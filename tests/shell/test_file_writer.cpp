// The file writer: what each kind of target becomes, failures at every step leaving the old file,
// and a really full filesystem (a small tmpfs in a private mount namespace).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "shell/file/FileWriter.h"

namespace fs = std::filesystem;

namespace {

struct TempDir
{
    fs::path path;
    TempDir()
    {
        std::string t = (fs::temp_directory_path() / "kelm-writer-XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

std::string readAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeRaw(const fs::path &p, const std::string &bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

std::vector<std::string> namesIn(const fs::path &dir)
{
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::string kNew(256, '\x5A');

} // namespace

TEST(FileWriter, EachKindOfTarget)
{
    TempDir dir;
    const fs::path d = dir.path;
    struct Case
    {
        const char *what;
        std::function<std::string()> prepare; // returns the name given to the writer
        bool ok;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"new file", [&] { return (d / "new.bin").string(); }, true,
         [&] { EXPECT_EQ(readAll(d / "new.bin"), kNew); }},
        {"existing file keeps its permissions",
         [&] {
             writeRaw(d / "old.bin", "old");
             ::chmod((d / "old.bin").c_str(), 0640);
             return (d / "old.bin").string();
         },
         true,
         [&] {
             EXPECT_EQ(readAll(d / "old.bin"), kNew);
             EXPECT_EQ(fs::status(d / "old.bin").permissions(),
                       fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
         }},
        {"link to a file",
         [&] {
             writeRaw(d / "real.bin", "x");
             fs::create_symlink("real.bin", d / "link.bin");
             return (d / "link.bin").string();
         },
         true,
         [&] {
             EXPECT_TRUE(fs::is_symlink(d / "link.bin"));
             EXPECT_EQ(readAll(d / "real.bin"), kNew);
         }},
        {"dangling link, through a second link",
         [&] {
             fs::create_directory(d / "sub");
             fs::create_symlink(d / "sub" / "made.bin", d / "dangling.bin");
             fs::create_symlink("dangling.bin", d / "chain.bin");
             return (d / "chain.bin").string();
         },
         true,
         [&] {
             EXPECT_TRUE(fs::is_symlink(d / "dangling.bin"));
             EXPECT_TRUE(fs::is_symlink(d / "chain.bin"));
             EXPECT_EQ(readAll(d / "sub" / "made.bin"), kNew);
         }},
        {"character device", [] { return std::string("/dev/null"); }, true,
         [] { EXPECT_TRUE(fs::is_character_file("/dev/null")); }},
        {"folder", [&] { return d.string(); }, false, [] {}},
        {"missing folder", [&] { return (d / "nowhere" / "x.bin").string(); }, false,
         [&] { EXPECT_FALSE(fs::exists(d / "nowhere")); }},
        {"link loop",
         [&] {
             fs::create_symlink("loop2", d / "loop1");
             fs::create_symlink("loop1", d / "loop2");
             return (d / "loop1").string();
         },
         false, [] {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = c.prepare();
        std::string error;
        EXPECT_EQ(writeWholeFile(name, kNew.data(), kNew.size(), &error), c.ok) << error;
        if (!c.ok) {
            EXPECT_NE(error.find(name), std::string::npos) << error;
        }
        c.check();
    }
    // Nothing temporary is left behind, whatever happened.
    for (const std::string &n : namesIn(d))
        EXPECT_NE(n[0], '.') << n;
}

TEST(FileWriter, FifoAndDescriptorsAreWrittenInPlace)
{
    TempDir dir;
    const fs::path fifo = dir.path / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] { got = readAll(fifo); });
    EXPECT_TRUE(writeWholeFile(fifo.string(), kNew.data(), kNew.size()));
    reader.join();
    EXPECT_EQ(got, kNew);
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);

    // "-", /dev/stdout and the /dev/fd aliases go to the open descriptor, not to a new file.
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    const int savedStdout = ::dup(1);
    ASSERT_EQ(::dup2(p[1], 1), 1);
    const std::string fdName = "/dev/fd/" + std::to_string(p[1]);
    const std::string procName = "/proc/self/fd/" + std::to_string(p[1]);
    bool ok = true;
    for (const std::string &name : {std::string("-"), std::string("/dev/stdout"), fdName, procName}) {
        FileWriter w(name);
        ok = w.open() && w.write(name.data(), name.size()) && w.commit() && !w.replacesAtomically() && ok;
    }
    ::dup2(savedStdout, 1);
    ::close(savedStdout);
    ::close(p[1]);
    std::string piped;
    char buf[256];
    for (ssize_t n; (n = ::read(p[0], buf, sizeof buf)) > 0;)
        piped.append(buf, static_cast<std::size_t>(n));
    ::close(p[0]);
    EXPECT_TRUE(ok);
    EXPECT_EQ(piped, "-/dev/stdout" + fdName + procName);

    // A closed descriptor is an error, not a silent success.
    FileWriter closed("/dev/fd/987");
    EXPECT_FALSE(closed.open());
    EXPECT_FALSE(closed.commit());
}

// Each step that can fail leaves the old file as it was and no temporary file behind.
namespace failing {
int failAt = 0; // 1 write, 2 fsync, 3 close, 4 rename
int failErrno = 0;
ssize_t write(int fd, const void *d, std::size_t n)
{
    if (failAt == 1)
        return errno = failErrno, -1;
    return ::write(fd, d, n);
}
int fsync(int fd)
{
    if (failAt == 2)
        return errno = failErrno, -1;
    return ::fsync(fd);
}
int close(int fd)
{
    const int rc = ::close(fd); // the descriptor is gone either way, as with a real failing close
    if (failAt == 3)
        return errno = failErrno, -1;
    return rc;
}
int rename(const char *a, const char *b)
{
    if (failAt == 4)
        return errno = failErrno, -1;
    return ::rename(a, b);
}
const FileWriter::Io io{&write, &fsync, &close, &rename};
} // namespace failing

TEST(FileWriter, FailureAtAnyStepKeepsTheOldFile)
{
    TempDir dir;
    const fs::path target = dir.path / "keep.bin";
    struct Case
    {
        int step;
        int err;
        const char *words;
    };
    const Case cases[] = {{1, ENOSPC, "cannot write"}, {1, EIO, "cannot write"}, {2, EIO, "cannot write"},
                          {2, ENOSPC, "cannot write"}, {3, EIO, "cannot write"}, {4, EXDEV, "cannot replace"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.step);
        writeRaw(target, "old contents");
        failing::failAt = c.step;
        failing::failErrno = c.err;
        FileWriter w(target.string(), failing::io);
        ASSERT_TRUE(w.open());
        const bool written = w.write(kNew.data(), kNew.size()) && w.commit();
        EXPECT_FALSE(written);
        EXPECT_NE(w.error().find(c.words), std::string::npos) << w.error();
        EXPECT_NE(w.error().find(std::strerror(c.err)), std::string::npos) << w.error();
        EXPECT_EQ(readAll(target), "old contents");
        EXPECT_EQ(namesIn(dir.path), std::vector<std::string>{"keep.bin"});
    }
    failing::failAt = 0;
    // Cancelled or dropped without commit: the same.
    {
        FileWriter w(target.string());
        ASSERT_TRUE(w.open());
        ASSERT_TRUE(w.write(kNew.data(), kNew.size()));
    }
    EXPECT_EQ(readAll(target), "old contents");
    EXPECT_EQ(namesIn(dir.path), std::vector<std::string>{"keep.bin"});
}

// A real full filesystem: a tmpfs of two pages in a private mount namespace, so nothing outside
// this process sees it.
TEST(FileWriter, FullFilesystemKeepsTheOldFile)
{
    if (::unshare(CLONE_NEWNS) != 0)
        GTEST_SKIP() << "no private mount namespace here (" << std::strerror(errno) << ")";
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "cannot make the mounts private (" << std::strerror(errno) << ")";
    TempDir dir;
    if (::mount("tmpfs", dir.path.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs (" << std::strerror(errno) << ")";

    const fs::path target = dir.path / "existing.bin";
    writeRaw(target, std::string(256, 'A'));
    // Fill what is left.
    {
        const int fd = ::open((dir.path / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        const std::string block(512, 'F');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        EXPECT_EQ(errno, ENOSPC);
        ::close(fd);
    }
    std::string error;
    EXPECT_FALSE(writeWholeFile(target.string(), kNew.data(), kNew.size(), &error));
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    EXPECT_EQ(readAll(target), std::string(256, 'A'));
    EXPECT_EQ(namesIn(dir.path), (std::vector<std::string>{"existing.bin", "filler"}));

    // With room again the same write succeeds.
    fs::remove(dir.path / "filler");
    EXPECT_TRUE(writeWholeFile(target.string(), kNew.data(), kNew.size(), &error)) << error;
    EXPECT_EQ(readAll(target), kNew);
    ::umount2(dir.path.c_str(), MNT_DETACH);
}
