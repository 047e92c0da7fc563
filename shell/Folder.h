#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>
#include <unistd.h>

#include "shell/file/FolderFiles.h"

// A folder the program names files in (a backup, a slot's history), open for as long as this object
// lives: every name resolves inside it, nothing is written through a link or read from anything but a
// regular file (shell/file/FolderFiles.h).
class Folder
{
  public:
    Folder(const QString &path, bool create)
    {
        std::string why;
        m_fd = openFolder(QFile::encodeName(path).toStdString(), create, &why);
        m_error = QString::fromLocal8Bit(why.c_str());
    }
    ~Folder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const QString &error() const { return m_error; }

    // Written whole or not at all, never through a link and never outside the folder.
    bool write(const QString &name, const QByteArray &bytes, QString *error) const
    {
        std::string why;
        if (writeFileInFolder(m_fd, QFile::encodeName(name).toStdString(), bytes.constData(),
                              std::size_t(bytes.size()), &why))
            return true;
        *error = QString::fromLocal8Bit(why.c_str());
        return false;
    }
    FolderRead read(const QString &name, std::size_t maxSize, QByteArray &bytes, QString *error) const
    {
        std::string data, why;
        const FolderRead r = readFileInFolder(m_fd, QFile::encodeName(name).toStdString(), maxSize, data, &why);
        bytes = QByteArray::fromStdString(data);
        *error = QString::fromLocal8Bit(why.c_str());
        return r;
    }
    // "a symbolic link", "a FIFO" ... when name stands for anything but a regular file.
    QString oddEntry(const QString &name) const
    {
        return QString::fromStdString(folderEntryKind(m_fd, QFile::encodeName(name).toStdString()));
    }

  private:
    int m_fd = -1;
    QString m_error;
};
