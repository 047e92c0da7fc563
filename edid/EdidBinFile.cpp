#include "edid/EdidBinFile.h"

#include "shell/file/FileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
    return writeWholeFile(path, image.data(), image.size(), error);
}
