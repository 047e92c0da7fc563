#include "link/SlotTransfer.h"

#include <QElapsedTimer>
#include <QFile>

#include <span>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "shell/file/FileWriter.h"
#include "edid/EdidBinFile.h"
#include "link/DeviceSession.h"
#include "link/SlotLists.h"

namespace {

constexpr int kQuarterGraceMs = 50;
constexpr Command kQuarters[4] = {Command::ND_ED0A, Command::ND_ED0B, Command::ND_ED1A, Command::ND_ED1B};

// Sends GET for one quarter. The reply processing resets lastCommand (to ENTRANCE) once it has
// checked the CRC of a reply and decoded it; a missing reply or a CRC error leaves it at the quarter.
bool getQuarter(DeviceSession &session, Command quarter)
{
    if (session.linkHeld() || !session.portOpen())
        return false; // nothing would be sent
    session.sendCommand(Direction::GET, quarter, 0);
    // On a busy machine the receive tick that completes the reply can run just after the pause;
    // give it two more ticks before the quarter counts as lost. Nothing else is sent meanwhile, so a
    // reply decoded now can only be this quarter's.
    QElapsedTimer grace;
    grace.start();
    while (session.lastCommand == quarter && session.portOpen() && grace.elapsed() < kQuarterGraceMs)
        pauseWithEvents(5);
    return session.lastCommand == Command::ENTRANCE;
}

} // namespace

bool readSlotEdid(DeviceSession &session, SlotCode code)
{
    const EdidImage before = session.transferImage();
    session.selectSlot(code);
    bool complete = true;
    for (Command quarter : kQuarters)
        complete = getQuarter(session, quarter) && complete;
    if (!complete)
        session.transferImage() = before;
    return complete;
}

void writeSlotEdid(DeviceSession &session, SlotCode code, const EdidImage &image)
{
    session.selectSlot(code);
    for (int q = 0; q < 4; ++q)
        session.sendCommand(Direction::SET, kQuarters[q],
                            std::span<const uint8_t>(image.data() + q * 64, 64));
}

SaveResult saveSlotToFile(DeviceSession &session, SlotCode code, const SaveHooks &hooks, std::string *fileError)
{
    session.Timer_Poll_Status().stop();
    session.currentStatus().selectedSlot = code;
    session.sendCommand(Direction::SET, Command::SYS_STM, 0);

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
            if (hooks.transferDone)
                hooks.transferDone(result);
        }
        if (result == SaveResult::FileFailed && fileError)
            *fileError = file.error();
    }
    session.sendCommand(Direction::SET, Command::SYS_CTM, 0);
    session.Timer_Poll_Status().start();
    return result;
}

UploadResult uploadFileToSlot(DeviceSession &session, SlotCode code, const UploadHooks &hooks)
{
    if (!slotAcceptsUpload(code))
        return UploadResult::NotWritable;
    session.currentStatus().selectedSlot = code;
    session.sendCommand(Direction::SET, Command::SYS_STM, 0);

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
        EdidFeatureRecord &record = session.analysisRecord;
        record.image =
            edidImageFromBytes(reinterpret_cast<const uint8_t *>(data.constData()), std::size_t(data.size()));
        // Errors of an earlier image must not count against this one.
        record.status &= static_cast<EdidStatusWord>(~EdidStatus::ErrorMask);
        if (validateEdidImage(record)) {
            if (hooks.uploadStarting)
                hooks.uploadStarting();
            session.Timer_Poll_Status().stop();
            writeSlotEdid(session, code, record.image);
            session.Timer_Poll_Status().start();
            result = UploadResult::Uploaded;
            if (hooks.uploadDone)
                hooks.uploadDone();
        } else {
            QStringList messages;
            for (const std::string &m : edidValidationMessages(record.status))
                messages << QString::fromStdString(m);
            result = UploadResult::Invalid;
            if (hooks.invalid)
                hooks.invalid(messages);
        }
    }
    session.sendCommand(Direction::SET, Command::SYS_CTM, 0);
    return result;
}

bool copySlot(DeviceSession &session, SlotCode source, SlotCode destination)
{
    if (!readSlotEdid(session, source))
        return false;
    const EdidImage copy = session.transferImage();
    writeSlotEdid(session, destination, copy);
    return true;
}

void selectEdidMode(DeviceSession &session, std::uint8_t modeIndex)
{
    session.selectSlot(0x0000);
    session.sendCommand(Direction::SET, Command::RXEDMD, {modeIndex});
}

std::optional<std::uint8_t> queryEdidMode(DeviceSession &session)
{
    std::optional<std::uint8_t> reported;
    const auto connection = QObject::connect(&session, &DeviceSession::edidModeReported,
                                             [&reported](quint8 mode) { reported = mode; });
    session.sendCommand(Direction::GET, Command::RXEDMD, 2);
    QObject::disconnect(connection);
    return reported;
}
