#pragma once

// EDID transfers between the device's slots and files, and the input's EDID mode: the routines
// behind the EDID Controller page and kelmctl read/write/copy/mode. The page adds its dialogs,
// labels and waits through the hooks; kelmctl runs the same steps without them.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "edid/EdidImage.h"
#include "link/CommandResult.h"
#include "link/DeviceState.h"

class DeviceSession;

// Status texts of the EDID pages.
inline constexpr const char *kUploadCanceledText = "Upload Edid Canceled.";
inline constexpr const char *kOkText = "Ok.";
// A read of a slot that lost a quarter or got one with a bad CRC.
inline constexpr const char *kReadFailedText = "Read Edid Failed.";

// Selects the slot and fetches its four quarters into the analysis record's image. True only when
// ND_SEL was answered and each quarter's own answer (128 hexadecimal digits, good CRC) arrived;
// otherwise the image is put back as it was before the read, so nothing downstream sees a mix of
// old and new quarters, and why (when given) says what went wrong first.
bool readSlotEdid(DeviceSession &session, SlotCode code, QString *why = nullptr);

// Selects the slot and sends the four quarters of image (no validation, no bracket commands).
// True only when all five SETs were answered with a good CRC. Without select the ND_SEL is left
// out: only for a slot whose ND_SEL was answered by the request just before.
bool writeSlotEdid(DeviceSession &session, SlotCode code, const EdidImage &image, QString *why = nullptr,
                   bool select = true);

// What the history keeps about a write: the operation ("write", "copy" ...), where the image came
// from (a file, a slot), and what the slot held when the operation has just read it.
struct SlotWriteNote
{
    QString operation;
    QString source;
    std::optional<EdidImage> before;
};
// Every write into a slot goes through here. With a history on the session, what the slot holds
// is read first (unless note.before has it) and kept, with the image about to be written, before
// any SET is sent; a read or a history that fails stops the write there, with why. Then the write
// (and, with verify, the read-back) and the history line's result. The analysis record's image is
// as the plain write leaves it.
// *sent (when given) tells whether every SET of the write itself was answered.
bool writeSlotRecorded(DeviceSession &session, SlotCode code, const EdidImage &image, const SlotWriteNote &note,
                       bool verify, QString *why = nullptr, bool *sent = nullptr);
// Whether the session's history (if any) can take a write of the slot, before anything is sent;
// false with why ("the history cannot be written (...); nothing was written"), also in the log.
bool slotHistoryReady(DeviceSession &session, SlotCode code, QString *why = nullptr);

// Reads the slot back and compares it with expected; why names the first differing byte, which the
// debug log also gets. The one read-back of the GUI and kelmctl.
bool verifySlotEdid(DeviceSession &session, SlotCode code, const EdidImage &expected, QString *why = nullptr);
std::optional<int> firstDifference(const EdidImage &a, const EdidImage &b);

// --- Save: slot to file -------------------------------------------------------------------------
enum class SaveResult { Saved, Cancelled, FileFailed, ReadFailed };
// What a Save whose file failed shows: "Edid Open Fail. Cannot open /x/y.bin: No such file or
// directory."; without a reason just "Edid Open Fail.".
QString saveFailedText(const std::string &fileError);
struct SaveHooks
{
    // Returns the chosen file name as the system's bytes (QFile::encodeName for a dialog's
    // choice), empty when cancelled. Runs after SYS_STM.
    std::function<std::string(const QString &proposedName)> chooseFile;
    // The file is open for writing; the transfer starts next.
    std::function<void()> fileOpened;
    // After the read (and the file's commit when it succeeded), before SYS_CTM.
    std::function<void(SaveResult)> transferDone;
    // After SYS_CTM: whether the device answered both bracket commands.
    std::function<void(bool confirmed)> bracketDone;
};
// The status poll is stopped at the start; SYS_STM (a SET) starts it again, so it runs during the
// file dialog as during Open's, and each request of the read stops it. The file is written
// with the file writer and committed only after a complete read, so a cancelled, failed or unread
// save leaves an existing file as it was. On FileFailed, *fileError says why (already when
// transferDone runs).
SaveResult saveSlotToFile(DeviceSession &session, SlotCode code, const SaveHooks &hooks,
                          std::string *fileError = nullptr);

// --- Open: file to slot (upload) ----------------------------------------------------------------
enum class UploadResult { Uploaded, NotWritable, Cancelled, Invalid, Failed };
struct UploadHooks
{
    // Returns the chosen path, empty when cancelled. Runs after SYS_STM.
    std::function<QString()> chooseFile;
    // Dialog cancelled or file unreadable ("Edid Open Fail." is already in the log).
    std::function<void()> cancelled;
    // The file was read ("Edid Open OK." is in the log); validation follows.
    std::function<void()> fileRead;
    // The image is valid; the upload starts next.
    std::function<void()> uploadStarting;
    // The upload has been sent and the poll restarted; confirmed when every SET so far was answered.
    std::function<void(bool confirmed)> uploadDone;
    // The image failed validation: the messages in the order header, checksum 0, checksum 1, banks.
    std::function<void(const QStringList &messages)> invalid;
    // Read the slot back after the write; the upload counts only when it holds the image.
    bool verify = true;
    // The history's name for the write.
    QString operation = QStringLiteral("upload");
};
// Only input and user slots take an upload: for any other slot nothing at all is sent. The image
// read from the file stays in the analysis record (also when it is rejected). Uploaded only when
// every SET (the SYS_STM/SYS_CTM bracket included) was answered and, with verify, the slot read back
// the same bytes (inside the bracket); Failed otherwise, with why.
UploadResult uploadFileToSlot(DeviceSession &session, SlotCode code, const UploadHooks &hooks,
                              QString *why = nullptr);

// --- An image of the caller's (the creator's) ----------------------------------------------------
// Writes image into the slot with the status poll held off: stopped for the transfer and started
// again after whileHeld (the caller's report and wait after the transfer) has run. True, and
// whileHeld told so, only when every SET was answered and (with verify) the slot reads back the
// same bytes; why says what went wrong first.
bool uploadImageToSlot(DeviceSession &session, SlotCode code, const EdidImage &image,
                       const std::function<void(bool confirmed)> &whileHeld = {}, QString *why = nullptr,
                       bool verify = true, const SlotWriteNote &note = {QStringLiteral("creator upload"), {}, {}});

enum class ImageSaveResult { Saved, Cancelled, Failed };
struct ImageSaveHooks
{
    // Returns the chosen path, empty when cancelled. Runs after SYS_STM.
    std::function<std::string()> chooseFile;
    // The file is written; runs before SYS_CTM.
    std::function<void()> saved;
};
// Asks for a path and writes the 256 bytes through the file writer, with "Edid Open OK." or
// "Edid Open Fail." as the whole log. SYS_STM before the dialog and SYS_CTM after the file go to the
// serial device only when bracket is set.
ImageSaveResult saveImageToFile(DeviceSession &session, const EdidImage &image, const ImageSaveHooks &hooks,
                                bool bracket, std::string *fileError = nullptr);

// --- Copy: slot to slot ---------------------------------------------------------------------------
// Reads the source and, only when the read is complete, writes its image into the destination and
// (with verify) reads that back; a destination that does not hold the image is WriteFailed (so is
// one whose history could not be kept: nothing is sent to it then).
// No bracket commands, no validation.
enum class CopyResult { Copied, ReadFailed, WriteFailed };
CopyResult copySlot(DeviceSession &session, SlotCode source, SlotCode destination, QString *why = nullptr,
                    bool verify = true);

// --- Input EDID mode ------------------------------------------------------------------------------
// Selects input 1 and asks the device to present the mode (SET RXEDMD); true when both were answered.
bool selectEdidMode(DeviceSession &session, std::uint8_t modeIndex, QString *why = nullptr);
// Asks the device for its mode (GET RXEDMD); nothing when no valid report arrived.
std::optional<std::uint8_t> queryEdidMode(DeviceSession &session);
