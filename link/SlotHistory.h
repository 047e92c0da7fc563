#pragma once

// What each slot held before it was written, kept under the user's data folder so that any write
// can be taken back:
//
//   <XDG data home>/kelm/history/<VID>_<PID>_<product>/<slot>/index.jsonl
//                                                           /<sha256>.bin
//
// The device folder's name is the description's VID, PID and product name, percent-encoded, so a
// device's text can never name a path of its own. Each slot folder holds its images by SHA-256
// (both the image a write replaced and the one it wrote) and an index of one JSON line per write,
// oldest first. Only the newest `bound` writes are kept; older ones are dropped oldest first and
// the index's first line says how many went. Every file is written as in a backup folder: whole or
// not at all, never through a link.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "edid/EdidImage.h"
#include "link/DeviceState.h"

inline constexpr int kSlotHistoryBound = 100;

// The device a write went to, as its description names it, and the port it was reached on.
struct HistoryDevice
{
    QString vid;
    QString pid;
    QString product;
    QString port;
    // "VID PID product", for people.
    QString label() const;
    // The device's folder name (percent-encoded, never "." or "..", never holding '/').
    QString folderName() const;
};
HistoryDevice historyDeviceOf(const SYS_STATUS &status, const QString &port);

struct HistoryEntry
{
    QDateTime time; // UTC
    QString device; // HistoryDevice::label()
    QString port;
    QString slot;      // "input1"
    QString operation; // "write", "copy", "restore", "undo", "upload", "creator upload", "write back"
    QString before;    // SHA-256 of what the slot held, lowercase hex
    QString after;     // SHA-256 of what was written
    QString source;    // the file written from, or the slot copied from; may be empty
    bool verified = false;
    // "written" (the device answered every SET and, with verification, read back the image),
    // "failed", or "pending" (the program stopped before it knew).
    QString result;
    QString deviceFolder; // the folder the entry was found in
};

// An index file's text: its writes, oldest first (lines that are no JSON object are skipped), and
// how many older writes were dropped.
struct HistoryIndexText
{
    int dropped = 0;
    QList<HistoryEntry> entries;
};
HistoryIndexText parseHistoryIndex(const QByteArray &text);

// The slot folder name: "input1", "user3" ...
QString historySlotName(SlotCode code);
QString imageSha256Hex(const EdidImage &image);

class SlotHistory
{
  public:
    // <XDG data home>/kelm/history.
    static QString defaultRoot();
    explicit SlotHistory(QString root = defaultRoot(), int bound = kSlotHistoryBound);

    const QString &root() const { return m_root; }
    int bound() const { return m_bound; }

    // Before anything is sent: the slot's folder can be made and written in (an unwritable or
    // missing place shows here; a full disk only when begin() writes). False, with why, when not.
    bool prepare(const HistoryDevice &device, SlotCode code, QString *why) const;
    // Before the write: keeps both images and an index line "pending" (dropping the oldest beyond
    // the bound). False, with why, when any of it could not be written: the write must not go on.
    bool begin(const HistoryDevice &device, SlotCode code, const QString &operation, const QString &source,
               const EdidImage &before, const EdidImage &after, QString *why);
    // After the write: the newest pending line of the slot gets its result.
    bool finish(const HistoryDevice &device, SlotCode code, bool written, bool verified, QString *why = nullptr);

    // The writes of one device (all slots, or one), newest first.
    QList<HistoryEntry> entries(const QString &deviceFolder, std::optional<SlotCode> code = std::nullopt) const;
    // Every device folder there is.
    QStringList deviceFolders() const;
    // How many writes of the slot were dropped to keep the bound.
    int dropped(const QString &deviceFolder, SlotCode code) const;
    // The image a line names, when its file is there and still has that SHA-256.
    std::optional<EdidImage> image(const QString &deviceFolder, const QString &slot, const QString &sha256) const;

  private:
    QString slotFolder(const QString &deviceFolder, const QString &slot) const;

    QString m_root;
    int m_bound;
};
