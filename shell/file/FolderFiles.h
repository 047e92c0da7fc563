#pragma once

// Files the program itself names inside a folder the user chose (a backup's slot files and
// manifest). Unlike the paths a user names with -o, nothing found there is trusted: a symbolic link
// is never followed, a FIFO, device node or directory is never opened, and nothing outside the
// folder is read or written. Plain C++ and POSIX, like the file writer.

#include <cstddef>
#include <string>

// The folder, opened once so that every name below resolves inside it; created (with its parents)
// when create is set and it is missing. -1 with *error set when it cannot be opened.
int openFolder(const std::string &path, bool create, std::string *error);

// What stands at name in the folder when it is not a regular file: "a symbolic link", "a FIFO",
// "a directory", "a device node", "a socket"; empty for a regular file or nothing at all.
std::string folderEntryKind(int folderFd, const std::string &name);

// Writes the bytes as name: a temporary file in the folder, synced and renamed over the name only
// when complete, so whatever stood there (a link included) is replaced, never written through. A
// name that already is anything but a regular file is refused, as is a name that is not a plain
// file name ("", ".", "..", or one holding '/').
bool writeFileInFolder(int folderFd, const std::string &name, const void *data, std::size_t size,
                       std::string *error);

enum class FolderRead { Ok, Missing, NotRegular, TooLarge, Failed };

// Reads the regular file name of the folder, at most maxSize bytes, without following a link and
// without ever blocking. *error names the file and the reason when the result is not Ok.
FolderRead readFileInFolder(int folderFd, const std::string &name, std::size_t maxSize, std::string &bytes,
                            std::string *error);
