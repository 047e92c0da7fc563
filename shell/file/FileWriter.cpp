#include "shell/file/FileWriter.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ssize_t sysWrite(int fd, const void *data, std::size_t size)
{
    return ::write(fd, data, size);
}

int sysFsync(int fd)
{
    return ::fsync(fd);
}

int sysClose(int fd)
{
    return ::close(fd);
}

int sysRename(const char *from, const char *to)
{
    return ::rename(from, to);
}

const FileWriter::Io kSystemIo{&sysWrite, &sysFsync, &sysClose, &sysRename};

// The descriptor a name stands for when it is one of the kernel's aliases of an open descriptor.
// Opening such a name anew would start at offset 0 (or fail for a pipe), so it is written as is.
std::optional<int> descriptorAlias(const std::string &path)
{
    if (path == "-" || path == "/dev/stdout")
        return 1;
    if (path == "/dev/stderr")
        return 2;
    for (const char *prefix : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
        const std::size_t n = std::strlen(prefix);
        if (path.compare(0, n, prefix) != 0 || path.size() == n || path.size() > n + 9)
            continue;
        int fd = 0;
        for (std::size_t i = n; i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9')
                return std::nullopt;
            fd = fd * 10 + (path[i] - '0');
        }
        return fd;
    }
    return std::nullopt;
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Resolved
{
    enum Kind { Regular, Special, Descriptor, Error } kind = Error;
    std::string path; // Regular, Special: what to write
    int fd = -1;      // Descriptor
    int err = 0;      // Error
};

// Follows symbolic links (also dangling ones) to what is to be written.
Resolved resolve(const std::string &given)
{
    std::string path = given;
    for (int hops = 0; hops < 40; ++hops) {
        if (const auto fd = descriptorAlias(path))
            return {Resolved::Descriptor, path, *fd, 0};
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return {Resolved::Regular, path, -1, 0}; // a new file
            return {Resolved::Error, path, -1, errno};
        }
        if (S_ISLNK(st.st_mode)) {
            char buf[PATH_MAX];
            const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
            if (n < 0)
                return {Resolved::Error, path, -1, errno};
            if (static_cast<std::size_t>(n) >= sizeof buf)
                return {Resolved::Error, path, -1, ENAMETOOLONG};
            const std::string link(buf, static_cast<std::size_t>(n));
            path = link[0] == '/' ? link : folderOf(path) + "/" + link;
            continue;
        }
        if (S_ISREG(st.st_mode))
            return {Resolved::Regular, path, -1, 0};
        if (S_ISDIR(st.st_mode))
            return {Resolved::Error, path, -1, EISDIR};
        return {Resolved::Special, path, -1, 0};
    }
    return {Resolved::Error, path, -1, ELOOP};
}

} // namespace

const FileWriter::Io &FileWriter::systemIo()
{
    return kSystemIo;
}

FileWriter::FileWriter(std::string path, const Io &io) : m_path(std::move(path)), m_io(io) {}

FileWriter::~FileWriter()
{
    cancel();
}

bool FileWriter::fail(const char *what, int err)
{
    const std::string name = m_path == "-" ? std::string("standard output") : m_path;
    m_error = std::string("cannot ") + what + " " + name + ": " + std::strerror(err);
    m_failed = true;
    dropTemporary();
    return false;
}

void FileWriter::dropTemporary()
{
    if (m_mode == Mode::Atomic && m_fd >= 0)
        m_io.close(m_fd);
    if (m_mode == Mode::InPlace && m_fd >= 0)
        m_io.close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

bool FileWriter::open()
{
    if (m_mode != Mode::None)
        return !m_failed;
    const Resolved r = resolve(m_path);
    switch (r.kind) {
    case Resolved::Error:
        m_mode = Mode::InPlace; // nothing open; commit must not succeed
        return fail("write", r.err);
    case Resolved::Descriptor:
        m_mode = Mode::Descriptor;
        m_fd = r.fd;
        if (::fcntl(m_fd, F_GETFD) < 0)
            return fail("write", errno);
        return true;
    case Resolved::Special:
        m_mode = Mode::InPlace;
        m_target = r.path;
        m_fd = ::open(r.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0)
            return fail("open", errno);
        return true;
    case Resolved::Regular:
        break;
    }

    m_mode = Mode::Atomic;
    m_target = r.path;
    std::string tmp = folderOf(r.path) + "/." + baseOf(r.path) + ".XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail("write", errno);
    m_fd = fd;
    m_temporary = tmp;
    // The replacement keeps the old file's permissions and owner; a new file gets the usual ones.
    struct stat st;
    if (::stat(r.path.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Not ours to give away: the file becomes the writer's, as any new file would.
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    return true;
}

bool FileWriter::write(const void *data, std::size_t size)
{
    if (m_failed || m_fd < 0)
        return m_failed ? false : fail("write", EBADF);
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = m_io.write(m_fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail("write", n < 0 ? errno : EIO);
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool FileWriter::commit()
{
    if (m_failed || m_mode == Mode::None) {
        const bool neverOpened = !m_failed;
        dropTemporary();
        return neverOpened ? fail("write", EBADF) : false;
    }
    switch (m_mode) {
    case Mode::Descriptor:
        m_fd = -1; // not ours to close
        m_mode = Mode::None;
        return true;
    case Mode::InPlace: {
        const int fd = m_fd;
        m_fd = -1;
        m_mode = Mode::None;
        if (m_io.close(fd) != 0)
            return fail("write", errno);
        return true;
    }
    case Mode::Atomic:
        break;
    case Mode::None:
        return false;
    }
    if (m_io.fsync(m_fd) != 0) {
        const int err = errno;
        dropTemporary();
        return fail("write", err);
    }
    const int fd = m_fd;
    m_fd = -1;
    if (m_io.close(fd) != 0) {
        const int err = errno;
        dropTemporary();
        return fail("write", err);
    }
    if (m_io.rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        const int err = errno;
        dropTemporary();
        return fail("replace", err);
    }
    m_temporary.clear();
    m_mode = Mode::None;
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void FileWriter::cancel()
{
    if (m_mode == Mode::Descriptor)
        m_fd = -1;
    dropTemporary();
    m_mode = Mode::None;
}

bool writeWholeFile(const std::string &path, const void *data, std::size_t size, std::string *error)
{
    FileWriter out(path);
    if (out.open() && out.write(data, size) && out.commit())
        return true;
    if (error)
        *error = out.error();
    return false;
}
