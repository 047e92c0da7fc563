#include "link/SlotTransfer.h"

#include <QFile>

#include <span>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "shell/file/FileWriter.h"
#include "edid/EdidBinFile.h"
#include "edid/TextNumbers.h"
#include "link/DeviceSession.h"
#include "link/SlotHistory.h"
#include "link/SlotLists.h"

namespace {

constexpr Command kQuarters[4] = {Command::ND_ED0A, Command::ND_ED0B, Command::ND_ED1A, Command::ND_ED1B};

} // namespace

bool readSlotEdid(DeviceSession &session, SlotCode code, QString *why)
{
    const EdidImage before = session.transferImage();
    Confirmation read;
    // Without its ND_SEL answered the quarters may be another slot's. Every request still goes out,
    // in its order, whatever came back.
    read.add(session.channel().selectSlot(code));
    for (Command quarter : kQuarters)
        read.add(session.channel().sendCommand(Direction::GET, quarter, 0));
    if (!read.ok()) {
        session.transferImage() = before;
        if (why)
            *why = read.firstFailure();
    }
    return read.ok();
}

bool writeSlotEdid(DeviceSession &session, SlotCode code, const EdidImage &image, QString *why, bool select)
{
    Confirmation written;
    if (select)
        written.add(session.channel().selectSlot(code));
    for (int q = 0; q < 4; ++q)
        written.add(session.channel().sendCommand(Direction::SET, kQuarters[q],
                                                  std::span<const uint8_t>(image.data() + q * 64, 64)));
    if (why)
        *why = written.firstFailure();
    return written.ok();
}

namespace {

QString historyFailure(DeviceSession &session, SlotCode code, const QString &reason)
{
    const QString text = QStringLiteral("the history cannot be written (%1); nothing was written").arg(reason);
    session.debugLog().append(
        QStringLiteral("%1: %2.\r\n").arg(QString::fromStdString(slotDisplayName(code)), text));
    return text;
}

} // namespace

bool slotHistoryReady(DeviceSession &session, SlotCode code, QString *why)
{
    SlotHistory *history = session.slotHistory();
    QString reason;
    if (!history || history->prepare(historyDeviceOf(session.registry().serialRecord(),
                                                     session.transport().openPortName()),
                                     code, &reason))
        return true;
    const QString text = historyFailure(session, code, reason);
    if (why)
        *why = text;
    return false;
}

bool writeSlotRecorded(DeviceSession &session, SlotCode code, const EdidImage &image, const SlotWriteNote &note,
                       bool verify, QString *why, bool *sent)
{
    if (sent)
        *sent = false;
    if (!slotHistoryReady(session, code, why))
        return false;
    // The image may live in the transfer image, which the read below fills.
    const EdidImage wanted = image;
    SlotHistory *history = session.slotHistory();
    const HistoryDevice device =
        historyDeviceOf(session.registry().serialRecord(), session.transport().openPortName());
    bool selected = false;
    if (history) {
        EdidImage before{};
        if (note.before) {
            before = *note.before;
        } else {
            const EdidImage kept = session.transferImage();
            QString readFailure;
            if (!readSlotEdid(session, code, &readFailure)) {
                if (why)
                    *why = QStringLiteral("reading what the slot holds failed (%1); nothing was written").arg(readFailure);
                return false;
            }
            before = session.transferImage();
            session.transferImage() = kept;
            // The read's ND_SEL was answered: the slot is still the selected one.
            selected = true;
        }
        QString reason;
        if (!history->begin(device, code, note.operation, note.source, before, wanted, &reason)) {
            const QString text = historyFailure(session, code, reason);
            if (why)
                *why = text;
            return false;
        }
    }
    const bool written = writeSlotEdid(session, code, wanted, why, !selected);
    if (sent)
        *sent = written;
    const bool ok = written && (!verify || verifySlotEdid(session, code, wanted, why));
    QString unfinished;
    if (history && !history->finish(device, code, ok, verify, &unfinished))
        session.debugLog().append(QStringLiteral("History of %1 not completed: %2.\r\n")
                                      .arg(QString::fromStdString(slotDisplayName(code)), unfinished));
    return ok;
}

std::optional<int> firstDifference(const EdidImage &a, const EdidImage &b)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return static_cast<int>(i);
    return std::nullopt;
}

bool verifySlotEdid(DeviceSession &session, SlotCode code, const EdidImage &wanted, QString *why)
{
    // The read lands in the transfer image, which may be where wanted lives (an upload's file).
    const EdidImage expected = wanted;
    QString readFailure;
    if (!readSlotEdid(session, code, &readFailure)) {
        if (why)
            *why = QStringLiteral("reading it back failed: ") + readFailure;
        return false;
    }
    const EdidImage &got = session.transferImage();
    const auto at = firstDifference(got, expected);
    if (!at)
        return true;
    auto hex = [](uint8_t v) { return QString::fromLatin1(hexByte(v).data(), 2); };
    const QString difference =
        QStringLiteral("byte %1 reads back 0x%2 instead of 0x%3")
            .arg(*at)
            .arg(hex(got[static_cast<std::size_t>(*at)]), hex(expected[static_cast<std::size_t>(*at)]));
    session.debugLog().append(QStringLiteral("Read-back of %1 differs: %2.\r\n")
                                  .arg(QString::fromStdString(slotDisplayName(code)), difference));
    if (why)
        *why = difference;
    return false;
}

QString saveFailedText(const std::string &fileError)
{
    QString text = QString::fromLatin1(kEdidOpenFail).trimmed();
    if (fileError.empty())
        return text;
    QString why = QString::fromLocal8Bit(fileError);
    why[0] = why[0].toUpper();
    return text + QLatin1Char(' ') + why + QLatin1Char('.');
}

SaveResult saveSlotToFile(DeviceSession &session, SlotCode code, const SaveHooks &hooks, std::string *fileError)
{
    // SYS_STM is a SET and starts the poll again, so polls run during the file dialog; each
    // request of the read stops it.
    session.channel().stopPoll();
    session.registry().setSelectedSlot(code);
    Confirmation bracket;
    bracket.add(session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0));

    SaveResult result = SaveResult::Cancelled;
    const std::string path =
        hooks.chooseFile ? hooks.chooseFile(QString::fromStdString(proposedEdidFileName(code))) : std::string();
    if (!path.empty()) {
        FileWriter file(path);
        if (!file.open()) {
            session.debugLog().replace(QString::fromLatin1(kEdidOpenFail));
            result = SaveResult::FileFailed;
        } else {
            session.debugLog().replace(QString::fromLatin1(kEdidOpenOk));
            if (hooks.fileOpened)
                hooks.fileOpened();
            if (!readSlotEdid(session, code)) {
                file.cancel();
                result = SaveResult::ReadFailed;
            } else {
                const EdidImage &image = session.transferImage();
                if (!file.write(image.data(), image.size()) || !file.commit()) {
                    session.debugLog().replace(QString::fromLatin1(kEdidOpenFail));
                    result = SaveResult::FileFailed;
                } else {
                    result = SaveResult::Saved;
                }
            }
            // The hook shows the failure, so it needs the reason.
            if (result == SaveResult::FileFailed && fileError)
                *fileError = file.error();
            if (hooks.transferDone)
                hooks.transferDone(result);
        }
        if (result == SaveResult::FileFailed && fileError)
            *fileError = file.error();
    }
    bracket.add(session.channel().sendCommand(Direction::SET, Command::SYS_CTM, 0));
    if (hooks.bracketDone)
        hooks.bracketDone(bracket.ok());
    return result;
}

UploadResult uploadFileToSlot(DeviceSession &session, SlotCode code, const UploadHooks &hooks, QString *why)
{
    if (!slotAcceptsUpload(code))
        return UploadResult::NotWritable;
    // A history that cannot be kept stops the upload before its first request.
    if (!slotHistoryReady(session, code, why)) {
        if (hooks.uploadDone)
            hooks.uploadDone(false);
        return UploadResult::Failed;
    }
    session.registry().setSelectedSlot(code);
    Confirmation confirmed;
    confirmed.add(session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0));

    UploadResult result = UploadResult::Cancelled;
    const QString path = hooks.chooseFile ? hooks.chooseFile() : QString();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        session.debugLog().replace(QString::fromLatin1(kEdidOpenFail));
        if (hooks.cancelled)
            hooks.cancelled();
    } else {
        session.debugLog().replace(QString::fromLatin1(kEdidOpenOk));
        if (hooks.fileRead)
            hooks.fileRead();
        const QByteArray data = file.read(qint64(kEdidImageSize));
        EdidFeatureRecord &record = session.analysisRecord();
        record.image =
            edidImageFromBytes(reinterpret_cast<const uint8_t *>(data.constData()), std::size_t(data.size()));
        // Errors of an earlier image must not count against this one.
        record.status &= static_cast<EdidStatusWord>(~EdidStatus::ErrorMask);
        if (validateEdidImage(record)) {
            if (hooks.uploadStarting)
                hooks.uploadStarting();
            QString writeFailure;
            if (!uploadImageToSlot(session, code, record.image, {}, &writeFailure, hooks.verify,
                                   SlotWriteNote{hooks.operation, path, {}}))
                confirmed.fail(writeFailure);
            result = confirmed.ok() ? UploadResult::Uploaded : UploadResult::Failed;
            if (hooks.uploadDone)
                hooks.uploadDone(confirmed.ok());
        } else {
            QStringList messages;
            for (const std::string &m : edidValidationMessages(record.status))
                messages << QString::fromStdString(m);
            result = UploadResult::Invalid;
            if (hooks.invalid)
                hooks.invalid(messages);
        }
    }
    const bool closed = confirmed.add(session.channel().sendCommand(Direction::SET, Command::SYS_CTM, 0));
    if (result == UploadResult::Uploaded && !closed)
        result = UploadResult::Failed;
    if (why)
        *why = confirmed.firstFailure();
    return result;
}

bool uploadImageToSlot(DeviceSession &session, SlotCode code, const EdidImage &image,
                       const std::function<void(bool confirmed)> &whileHeld, QString *why, bool verify,
                       const SlotWriteNote &note)
{
    const CommandChannel::PollHold quiet(session.channel());
    // What the device answered is not yet what it keeps: the slot is read back and compared.
    const bool confirmed = writeSlotRecorded(session, code, image, note, verify, why);
    if (whileHeld)
        whileHeld(confirmed);
    return confirmed;
}

ImageSaveResult saveImageToFile(DeviceSession &session, const EdidImage &image, const ImageSaveHooks &hooks,
                                bool bracket, std::string *fileError)
{
    if (bracket)
        session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0);
    ImageSaveResult result = ImageSaveResult::Cancelled;
    const std::string path = hooks.chooseFile ? hooks.chooseFile() : std::string();
    if (!path.empty()) {
        FileWriter file(path);
        if (!file.open()) {
            session.debugLog().replace(QString::fromLatin1(kEdidOpenFail));
            result = ImageSaveResult::Failed;
        } else {
            session.debugLog().replace(QString::fromLatin1(kEdidOpenOk));
            // A write that did not reach the disk leaves the old file and is no success.
            if (!file.write(image.data(), image.size()) || !file.commit()) {
                session.debugLog().replace(QString::fromLatin1(kEdidOpenFail));
                result = ImageSaveResult::Failed;
            } else {
                result = ImageSaveResult::Saved;
                if (hooks.saved)
                    hooks.saved();
            }
        }
        if (result == ImageSaveResult::Failed && fileError)
            *fileError = file.error();
    }
    if (bracket)
        session.channel().sendCommand(Direction::SET, Command::SYS_CTM, 0);
    return result;
}

CopyResult copySlot(DeviceSession &session, SlotCode source, SlotCode destination, QString *why, bool verify)
{
    if (!slotHistoryReady(session, destination, why))
        return CopyResult::WriteFailed;
    if (!readSlotEdid(session, source, why))
        return CopyResult::ReadFailed;
    const EdidImage copy = session.transferImage();
    SlotWriteNote note{QStringLiteral("copy"), historySlotName(source), {}};
    // Copying a slot onto itself: the read just made is what it holds.
    if (source == destination)
        note.before = copy;
    if (!writeSlotRecorded(session, destination, copy, note, verify, why))
        return CopyResult::WriteFailed;
    return CopyResult::Copied;
}

bool selectEdidMode(DeviceSession &session, std::uint8_t modeIndex, QString *why)
{
    Confirmation set;
    set.add(session.channel().selectSlot(0x0000));
    set.add(session.channel().sendCommand(Direction::SET, Command::RXEDMD, {modeIndex}));
    if (why)
        *why = set.firstFailure();
    return set.ok();
}

std::optional<std::uint8_t> queryEdidMode(DeviceSession &session)
{
    std::optional<std::uint8_t> reported;
    const auto connection = QObject::connect(&session, &DeviceSession::edidModeReported,
                                             [&reported](quint8 mode) { reported = mode; });
    const CommandResult answer = session.channel().sendCommand(Direction::GET, Command::RXEDMD, 2);
    QObject::disconnect(connection);
    // A report decoded from anything but this request's answer does not count.
    return answer.ok() ? reported : std::nullopt;
}
