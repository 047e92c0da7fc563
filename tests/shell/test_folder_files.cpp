// Files named inside a folder the program does not trust: what stands at the name decides whether
// it is replaced, refused or read, and nothing outside the folder is touched or waited for.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "shell/file/FolderFiles.h"

namespace fs = std::filesystem;

namespace {

struct Tree
{
    fs::path top, folder, outside;
    int fd = -1;
    Tree()
    {
        std::string t = (fs::temp_directory_path() / "kelm-folder-XXXXXX").string();
        top = ::mkdtemp(t.data());
        folder = top / "backup";
        outside = top / "outside";
        fs::create_directories(outside);
        std::string why;
        fd = openFolder(folder.string(), true, &why);
    }
    ~Tree()
    {
        ::close(fd);
        std::error_code ec;
        fs::remove_all(top, ec);
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

} // namespace

TEST(FolderFiles, WhatStandsAtTheName)
{
    ::alarm(20); // a FIFO that blocked would end the test here
    struct Case
    {
        const char *name;
        std::function<bool(const Tree &)> plant; // false: cannot be made here (row skipped)
        const char *kind;                        // what folderEntryKind says; "" for regular/nothing
        FolderRead read;
        bool written; // writeFileInFolder replaces it
    };
    const fs::path name = "User1 EDID.bin";
    const Case cases[] = {
        {"nothing", [](const Tree &) { return true; }, "", FolderRead::Missing, true},
        {"a regular file", [&](const Tree &t) { writeRaw(t.folder / name, "old"); return true; }, "", FolderRead::Ok,
         true},
        {"a link out",
         [&](const Tree &t) {
             writeRaw(t.outside / "victim", "victim");
             fs::create_symlink(t.outside / "victim", t.folder / name);
             return true;
         },
         "a symbolic link", FolderRead::NotRegular, false},
        {"a link in",
         [&](const Tree &t) {
             writeRaw(t.folder / "other", "other");
             fs::create_symlink("other", t.folder / name);
             return true;
         },
         "a symbolic link", FolderRead::NotRegular, false},
        {"a dangling link",
         [&](const Tree &t) {
             fs::create_symlink(t.outside / "created", t.folder / name);
             return true;
         },
         "a symbolic link", FolderRead::NotRegular, false},
        {"a FIFO", [&](const Tree &t) { return ::mkfifo((t.folder / name).c_str(), 0600) == 0; }, "a FIFO",
         FolderRead::NotRegular, false},
        {"a device node",
         [&](const Tree &t) { return ::mknod((t.folder / name).c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; },
         "a device node", FolderRead::NotRegular, false},
        {"a directory", [&](const Tree &t) { return fs::create_directory(t.folder / name); }, "a directory",
         FolderRead::NotRegular, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Tree t;
        ASSERT_GE(t.fd, 0);
        if (!c.plant(t))
            continue;
        EXPECT_EQ(folderEntryKind(t.fd, name), c.kind);
        std::string bytes, why;
        EXPECT_EQ(readFileInFolder(t.fd, name, 256, bytes, &why), c.read) << why;
        if (c.read == FolderRead::NotRegular) {
            EXPECT_NE(why.find(std::string("is ") + c.kind), std::string::npos) << why;
        }
        EXPECT_EQ(writeFileInFolder(t.fd, name, "new", 3, &why), c.written) << why;
        if (c.written) {
            EXPECT_EQ(readAll(t.folder / name), "new");
        } else {
            EXPECT_NE(why.find(c.kind), std::string::npos) << why;
        }
        // Outside: the victim as it was, no file created at a dangling link's target.
        EXPECT_TRUE(!fs::exists(t.outside / "victim") || readAll(t.outside / "victim") == "victim");
        EXPECT_FALSE(fs::exists(t.outside / "created"));
        // No temporary left behind.
        int entries = 0;
        for (const auto &e : fs::directory_iterator(t.folder))
            entries += e.path().filename().string()[0] == '.';
        EXPECT_EQ(entries, 0);
    }
    ::alarm(0);
}

TEST(FolderFiles, NamesAndSizes)
{
    Tree t;
    ASSERT_GE(t.fd, 0);
    writeRaw(t.outside / "x", "outside");
    std::string bytes, why;
    for (const char *bad : {"../outside/x", "/etc/passwd", "", ".", "..", "sub/x"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(readFileInFolder(t.fd, bad, 256, bytes, &why), FolderRead::NotRegular);
        EXPECT_FALSE(writeFileInFolder(t.fd, bad, "new", 3, &why));
    }
    EXPECT_EQ(readAll(t.outside / "x"), "outside");

    writeRaw(t.folder / "m", std::string(1000, 'a'));
    EXPECT_EQ(readFileInFolder(t.fd, "m", 999, bytes, &why), FolderRead::TooLarge);
    EXPECT_NE(why.find("larger than 999 bytes"), std::string::npos) << why;
    EXPECT_EQ(readFileInFolder(t.fd, "m", 1000, bytes, &why), FolderRead::Ok);
    EXPECT_EQ(bytes.size(), 1000u);
    // Under a larger bound the file comes whole.
    EXPECT_EQ(readFileInFolder(t.fd, "m", 5000, bytes, &why), FolderRead::Ok);
    EXPECT_EQ(bytes, std::string(1000, 'a'));
}
