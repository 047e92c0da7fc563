#include "shell/file/FolderFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool plainName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device node";
    if (S_ISSOCK(mode))
        return "a socket";
    return S_ISREG(mode) ? std::string() : std::string("not a regular file");
}

bool failWith(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

int openFolder(const std::string &path, bool create, std::string *error)
{
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        failWith(error, "cannot open the folder " + path + ": " + std::strerror(errno));
    return fd;
}

std::string folderEntryKind(int folderFd, const std::string &name)
{
    struct stat st;
    if (!plainName(name) || ::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return kindOf(st.st_mode);
}

bool writeFileInFolder(int folderFd, const std::string &name, const void *data, std::size_t size,
                       std::string *error)
{
    if (!plainName(name))
        return failWith(error, "cannot write \"" + name + "\": not a file name inside the folder");
    if (const std::string kind = folderEntryKind(folderFd, name); !kind.empty())
        return failWith(error, "cannot write " + name + ": it is " + kind + ", not a regular file (left as it is)");

    // O_EXCL with O_NOFOLLOW: the temporary is a new file of ours, whatever else appears meanwhile.
    std::random_device seed;
    std::mt19937 random(seed());
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = "." + name + "." + std::to_string(random() % 1000000000u);
        fd = ::openat(folderFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return failWith(error, "cannot write " + name + ": " + std::strerror(errno));
    const char *p = static_cast<const char *>(data);
    int err = 0;
    while (size > 0 && err == 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            err = n < 0 ? errno : EIO;
        else
            p += n, size -= std::size_t(n);
    }
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    // The rename replaces the directory entry itself: a link planted meanwhile goes, its target stays.
    if (err == 0 && ::renameat(folderFd, temporary.c_str(), folderFd, name.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlinkat(folderFd, temporary.c_str(), 0);
        return failWith(error, "cannot write " + name + ": " + std::strerror(err));
    }
    ::fsync(folderFd);
    return true;
}

FolderRead readFileInFolder(int folderFd, const std::string &name, std::size_t maxSize, std::string &bytes,
                            std::string *error)
{
    bytes.clear();
    if (!plainName(name)) {
        failWith(error, "\"" + name + "\" is not a file name inside the folder");
        return FolderRead::NotRegular;
    }
    // Looked at before opening: a device node is never opened (opening some has effects).
    struct stat st;
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        const int err = errno;
        failWith(error, name + (err == ENOENT ? std::string(" is missing") : ": " + std::string(std::strerror(err))));
        return err == ENOENT ? FolderRead::Missing : FolderRead::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        failWith(error, name + " is " + kindOf(st.st_mode) + ", not a regular file");
        return FolderRead::NotRegular;
    }
    const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        failWith(error, name + (err == ELOOP ? std::string(" is a symbolic link, not a regular file")
                                              : ": " + std::string(std::strerror(err))));
        return err == ELOOP ? FolderRead::NotRegular : FolderRead::Failed;
    }
    // Swapped after the look: what is open is checked again.
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        failWith(error, name + " is not a regular file");
        return FolderRead::NotRegular;
    }
    if (std::size_t(opened.st_size) > maxSize) {
        ::close(fd);
        failWith(error, name + " is larger than " + std::to_string(maxSize) + " bytes");
        return FolderRead::TooLarge;
    }
    bytes.resize(maxSize + 1);
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            bytes.clear();
            failWith(error, "cannot read " + name + ": " + std::strerror(err));
            return FolderRead::Failed;
        }
        if (n == 0)
            break;
        have += std::size_t(n);
    }
    ::close(fd);
    if (have > maxSize) {
        bytes.clear();
        failWith(error, name + " is larger than " + std::to_string(maxSize) + " bytes");
        return FolderRead::TooLarge;
    }
    bytes.resize(have);
    return FolderRead::Ok;
}
