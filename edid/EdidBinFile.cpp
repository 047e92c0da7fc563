#include "edid/EdidBinFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

EdidImage edidImageFromBytes(const std::uint8_t *data, std::size_t size)
{
    EdidImage image;
    image.bytes.fill(0xFF);
    if (data)
        std::copy_n(data, std::min(size, kEdidImageSize), image.bytes.begin());
    return image;
}

bool readEdidBinFile(const std::string &path, EdidImage &image, std::string *error)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (error)
            *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::uint8_t buf[kEdidImageSize];
    const std::size_t got = std::fread(buf, 1, sizeof buf, f);
    const bool failed = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (failed) {
        if (error)
            *error = "cannot read " + path + ": " + std::strerror(err);
        return false;
    }
    image = edidImageFromBytes(buf, got);
    return true;
}

bool writeEdidBinFile(const std::string &path, const EdidImage &image, std::string *error)
{
    const auto failWith = [&](const char *what, int err) {
        if (error)
            *error = std::string("cannot ") + what + " " + path + ": " + std::strerror(err);
        return false;
    };
    // Through a symbolic link the file it points to is replaced, not the link.
    std::string target = path;
    if (char *resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    std::string tmp = target + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0)
        return failWith("write", errno);

    // Keep the old file's permissions; a new file gets the usual ones.
    struct stat st;
    mode_t mode;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    const std::uint8_t *p = image.data();
    std::size_t left = image.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(tmp.c_str());
            return failWith("write", err);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return failWith("write", err);
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return failWith("replace", err);
    }
    return true;
}
