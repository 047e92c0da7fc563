#pragma once

// The one way every output file is written (kelmctl -o, the EDID pages' Save). Plain C++ and
// POSIX, no Qt, so the Qt-free kelmctl links it too.
//
// What the name points at decides how it is written:
//   - a regular file or a new name: a temporary file beside it, written, flushed to disk and
//     renamed over the target only when all of that succeeded; on any error (a full disk, an I/O
//     error at write, fsync, close or rename) the old file stays exactly as it was;
//   - a character or block device, a FIFO, a socket: opened and written in place;
//   - "-", /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N: written to that descriptor in
//     place, so `-o -` and `-o /dev/stdout` go through a pipe or append to a redirected file;
//   - a symbolic link, dangling or not: followed, and what it points at is written as above;
//     the link itself stays.
// A directory, or a name inside a folder that does not exist, is an error.

#include <cstddef>
#include <string>
#include <sys/types.h>

class FileWriter
{
  public:
    // The system calls that can fail once the target is open; tests replace them to make each
    // step fail in turn.
    struct Io
    {
        ssize_t (*write)(int fd, const void *data, std::size_t size);
        int (*fsync)(int fd);
        int (*close)(int fd);
        int (*rename)(const char *from, const char *to);
    };
    static const Io &systemIo();

    explicit FileWriter(std::string path, const Io &io = systemIo());
    ~FileWriter(); // an output not committed is dropped (its temporary file removed)
    FileWriter(const FileWriter &) = delete;
    FileWriter &operator=(const FileWriter &) = delete;

    // Opens the output: creates the temporary file, or opens the device in place. Nothing at the
    // target changes yet when it is a regular file.
    bool open();
    // Appends bytes; false (with error()) when they could not all be written.
    bool write(const void *data, std::size_t size);
    // Makes the output final: for a regular file flushes, syncs and renames it into place.
    bool commit();
    // Drops the output; an existing regular file stays as it was.
    void cancel();

    // One phrase for the user, such as "cannot write out.bin: No space left on device".
    const std::string &error() const { return m_error; }
    const std::string &path() const { return m_path; }
    // False when the output is written in place (device, FIFO, standard output).
    bool replacesAtomically() const { return m_mode == Mode::Atomic; }

  private:
    enum class Mode { None, Atomic, InPlace, Descriptor };
    bool fail(const char *what, int err);
    void dropTemporary();

    std::string m_path;
    const Io &m_io;
    Mode m_mode = Mode::None;
    int m_fd = -1;
    std::string m_target;    // the file the output ends up in (after following links)
    std::string m_temporary; // Atomic: the file written before the rename
    bool m_failed = false;
    std::string m_error;
};

// Writes size bytes to path as above in one go. False with *error set when it did not succeed.
bool writeWholeFile(const std::string &path, const void *data, std::size_t size, std::string *error = nullptr);
