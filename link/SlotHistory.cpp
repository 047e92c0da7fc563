#include "link/SlotHistory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "link/SlotLists.h"
#include "shell/Folder.h"

namespace {

constexpr const char *kIndexName = "index.jsonl";
// A bounded index is far smaller; anything larger is not one of ours.
constexpr std::size_t kMaxIndexSize = 4 << 20;

struct Index
{
    int dropped = 0;
    QList<QJsonObject> lines; // oldest first
};

Index indexOf(const QByteArray &text)
{
    Index index;
    for (const QByteArray &line : text.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.isEmpty())
            continue;
        if (o.contains(QStringLiteral("dropped")))
            index.dropped = o.value(QStringLiteral("dropped")).toInt();
        else
            index.lines << o;
    }
    return index;
}

Index readIndex(const Folder &folder)
{
    std::string bytes;
    if (readFileInFolder(folder.fd(), kIndexName, kMaxIndexSize, bytes, nullptr) != FolderRead::Ok)
        return {};
    return indexOf(QByteArray::fromStdString(bytes));
}

bool writeIndex(const Folder &folder, const Index &index, QString *why)
{
    QByteArray text;
    if (index.dropped > 0)
        text += QJsonDocument(QJsonObject{{QStringLiteral("dropped"), index.dropped},
                                          {QStringLiteral("note"), QStringLiteral("older writes dropped, oldest first")}})
                    .toJson(QJsonDocument::Compact) +
                '\n';
    for (const QJsonObject &o : index.lines)
        text += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    std::string error;
    if (!writeFileInFolder(folder.fd(), kIndexName, text.constData(), std::size_t(text.size()), &error)) {
        if (why)
            *why = QString::fromLocal8Bit(error.c_str());
        return false;
    }
    return true;
}

QString imageFileName(const QString &sha)
{
    return sha + QStringLiteral(".bin");
}

// An index is a file like any other: only a SHA-256 in lowercase hex names an image of ours, so
// an altered line can never name a file elsewhere (to read, or to remove when it is dropped).
bool isSha256(const QString &text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(text).hasMatch();
}

// Writes the image unless the folder already holds it intact.
bool keepImage(const Folder &folder, const EdidImage &image, QString *why)
{
    const std::string name = imageFileName(imageSha256Hex(image)).toStdString();
    std::string bytes;
    if (readFileInFolder(folder.fd(), name, kEdidImageSize, bytes, nullptr) == FolderRead::Ok &&
        bytes.size() == kEdidImageSize && std::equal(bytes.begin(), bytes.end(), image.begin()))
        return true;
    std::string error;
    if (!writeFileInFolder(folder.fd(), name, image.data(), image.size(), &error)) {
        if (why)
            *why = QString::fromLocal8Bit(error.c_str());
        return false;
    }
    return true;
}

QString encodedPart(const QString &text)
{
    // '_' joins the parts, so it is encoded inside them; '~' too, to keep the name plain.
    return QString::fromLatin1(QUrl::toPercentEncoding(text, QByteArray(), QByteArrayLiteral("_~")));
}

HistoryEntry entryOf(const QJsonObject &o, const QString &deviceFolder)
{
    HistoryEntry e;
    e.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODate);
    e.device = o.value(QStringLiteral("device")).toString();
    e.port = o.value(QStringLiteral("port")).toString();
    e.slot = o.value(QStringLiteral("slot")).toString();
    e.operation = o.value(QStringLiteral("operation")).toString();
    e.before = o.value(QStringLiteral("before")).toString();
    e.after = o.value(QStringLiteral("after")).toString();
    e.source = o.value(QStringLiteral("source")).toString();
    e.verified = o.value(QStringLiteral("verified")).toBool();
    e.result = o.value(QStringLiteral("result")).toString();
    e.deviceFolder = deviceFolder;
    return e;
}

} // namespace

HistoryIndexText parseHistoryIndex(const QByteArray &text)
{
    const Index index = indexOf(text);
    HistoryIndexText parsed;
    parsed.dropped = index.dropped;
    for (const QJsonObject &o : index.lines)
        parsed.entries << entryOf(o, {});
    return parsed;
}

QString HistoryDevice::label() const
{
    return QStringList{vid, pid, product}.join(QLatin1Char(' ')).simplified();
}

QString HistoryDevice::folderName() const
{
    QString name = encodedPart(vid) + QLatin1Char('_') + encodedPart(pid) + QLatin1Char('_') + encodedPart(product);
    // Folder names have a length limit; a long description still gets a folder of its own.
    if (name.size() > 200)
        name = name.left(120) + QLatin1Char('~') +
               QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
    return name;
}

HistoryDevice historyDeviceOf(const SYS_STATUS &status, const QString &port)
{
    return HistoryDevice{status.vid, status.pid, status.productName, port};
}

QString historySlotName(SlotCode code)
{
    return QString::fromStdString(slotName(code));
}

QString imageSha256Hex(const EdidImage &image)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char *>(image.data()), qsizetype(image.size())),
                                 QCryptographicHash::Sha256)
            .toHex());
}

QString SlotHistory::defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kelm/history");
}

SlotHistory::SlotHistory(QString root, int bound) : m_root(std::move(root)), m_bound(bound < 1 ? 1 : bound) {}

QString SlotHistory::slotFolder(const QString &deviceFolder, const QString &slot) const
{
    return m_root + QLatin1Char('/') + deviceFolder + QLatin1Char('/') + slot;
}

bool SlotHistory::prepare(const HistoryDevice &device, SlotCode code, QString *why) const
{
    const Folder folder(slotFolder(device.folderName(), historySlotName(code)), true);
    if (!folder.isOpen()) {
        if (why)
            *why = folder.error();
        return false;
    }
    // Only a look: writing here costs a sync, and begin() writes (and is checked) before any SET.
    if (::faccessat(folder.fd(), ".", W_OK, AT_EACCESS) != 0) {
        if (why)
            *why = QStringLiteral("cannot write in %1: %2")
                       .arg(slotFolder(device.folderName(), historySlotName(code)), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

bool SlotHistory::begin(const HistoryDevice &device, SlotCode code, const QString &operation, const QString &source,
                        const EdidImage &before, const EdidImage &after, QString *why)
{
    const QString slot = historySlotName(code);
    const Folder folder(slotFolder(device.folderName(), slot), true);
    if (!folder.isOpen()) {
        if (why)
            *why = folder.error();
        return false;
    }
    if (!keepImage(folder, before, why) || !keepImage(folder, after, why))
        return false;
    Index index = readIndex(folder);
    index.lines << QJsonObject{
        {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
        {QStringLiteral("device"), device.label()},
        {QStringLiteral("port"), device.port},
        {QStringLiteral("slot"), slot},
        {QStringLiteral("operation"), operation},
        {QStringLiteral("before"), imageSha256Hex(before)},
        {QStringLiteral("after"), imageSha256Hex(after)},
        {QStringLiteral("source"), source},
        {QStringLiteral("verified"), false},
        {QStringLiteral("result"), QStringLiteral("pending")},
    };
    QStringList droppedImages;
    while (index.lines.size() > m_bound) {
        const QJsonObject oldest = index.lines.takeFirst();
        droppedImages << oldest.value(QStringLiteral("before")).toString()
                      << oldest.value(QStringLiteral("after")).toString();
        ++index.dropped;
    }
    if (!writeIndex(folder, index, why))
        return false;
    // Images no kept line names any more go with their lines.
    for (const QJsonObject &o : index.lines) {
        droppedImages.removeAll(o.value(QStringLiteral("before")).toString());
        droppedImages.removeAll(o.value(QStringLiteral("after")).toString());
    }
    droppedImages.removeDuplicates();
    for (const QString &sha : droppedImages)
        if (isSha256(sha))
            ::unlinkat(folder.fd(), imageFileName(sha).toLatin1().constData(), 0);
    return true;
}

bool SlotHistory::finish(const HistoryDevice &device, SlotCode code, bool written, bool verified, QString *why)
{
    const Folder folder(slotFolder(device.folderName(), historySlotName(code)), false);
    if (!folder.isOpen()) {
        if (why)
            *why = folder.error();
        return false;
    }
    Index index = readIndex(folder);
    for (qsizetype i = index.lines.size() - 1; i >= 0; --i) {
        QJsonObject &o = index.lines[i];
        if (o.value(QStringLiteral("result")).toString() != QLatin1String("pending"))
            continue;
        o.insert(QStringLiteral("result"), written ? QStringLiteral("written") : QStringLiteral("failed"));
        o.insert(QStringLiteral("verified"), written && verified);
        return writeIndex(folder, index, why);
    }
    if (why)
        *why = QStringLiteral("the history of %1 holds no write in progress").arg(historySlotName(code));
    return false;
}

QList<HistoryEntry> SlotHistory::entries(const QString &deviceFolder, std::optional<SlotCode> code) const
{
    QStringList slotNames;
    if (code)
        slotNames << historySlotName(*code);
    else
        slotNames = QDir(m_root + QLatin1Char('/') + deviceFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QList<HistoryEntry> all;
    for (const QString &slot : slotNames) {
        const Folder folder(slotFolder(deviceFolder, slot), false);
        if (!folder.isOpen())
            continue;
        const QList<QJsonObject> lines = readIndex(folder).lines;
        for (auto it = lines.crbegin(); it != lines.crend(); ++it)
            all << entryOf(*it, deviceFolder);
    }
    // Newest first; within one slot the index order decides where the times are equal.
    std::stable_sort(all.begin(), all.end(), [](const HistoryEntry &a, const HistoryEntry &b) { return a.time > b.time; });
    return all;
}

QStringList SlotHistory::deviceFolders() const
{
    return QDir(m_root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

int SlotHistory::dropped(const QString &deviceFolder, SlotCode code) const
{
    const Folder folder(slotFolder(deviceFolder, historySlotName(code)), false);
    return folder.isOpen() ? readIndex(folder).dropped : 0;
}

std::optional<EdidImage> SlotHistory::image(const QString &deviceFolder, const QString &slot, const QString &sha256) const
{
    const Folder folder(slotFolder(deviceFolder, slot), false);
    std::string bytes;
    if (!isSha256(sha256) || !folder.isOpen() ||
        readFileInFolder(folder.fd(), imageFileName(sha256).toStdString(), kEdidImageSize, bytes, nullptr) !=
            FolderRead::Ok ||
        bytes.size() != kEdidImageSize)
        return std::nullopt;
    EdidImage image{};
    std::copy(bytes.begin(), bytes.end(), image.begin());
    // A file altered since is no image of this history.
    if (imageSha256Hex(image) != sha256)
        return std::nullopt;
    return image;
}
