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
#include "link/DeviceState.h"

class DeviceSession;

// Status texts of the EDID pages.
inline constexpr const char *kUploadCanceledText = "Upload Edid Canceled.";
inline constexpr const char *kOkText = "Ok.";
// A read of a slot that lost a quarter or got one with a bad CRC.
inline constexpr const char *kReadFailedText = "Read Edid Failed.";

// Selects the slot and fetches its four quarters into the analysis record's image. True only when
// all four quarters arrived with a valid CRC during this read; otherwise the image is put back as
// it was before the read, so nothing downstream sees a mix of old and new quarters.
bool readSlotEdid(DeviceSession &session, SlotCode code);

// Selects the slot and sends the four quarters of image (no validation, no bracket commands).
void writeSlotEdid(DeviceSession &session, SlotCode code, const EdidImage &image);

// --- Save: slot to file -------------------------------------------------------------------------
enum class SaveResult { Saved, Cancelled, FileFailed, ReadFailed };
struct SaveHooks
{
    // Returns the chosen file name as the system's bytes (QFile::encodeName for a dialog's
    // choice), empty when cancelled. Runs after SYS_STM.
    std::function<std::string(const QString &proposedName)> chooseFile;
    // The file is open for writing; the transfer starts next.
    std::function<void()> fileOpened;
    // After the read (and the file's commit when it succeeded), before SYS_CTM.
    std::function<void(SaveResult)> transferDone;
};
// The status poll is stopped for the whole operation and restarted at its end. The file is written
// with the file writer and committed only after a complete read, so a cancelled, failed or unread
// save leaves an existing file as it was. On FileFailed, *fileError says why.
SaveResult saveSlotToFile(DeviceSession &session, SlotCode code, const SaveHooks &hooks,
                          std::string *fileError = nullptr);

// --- Open: file to slot (upload) ----------------------------------------------------------------
enum class UploadResult { Uploaded, NotWritable, Cancelled, Invalid };
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
    // The upload has been sent and the poll restarted.
    std::function<void()> uploadDone;
    // The image failed validation: the messages in the order header, checksum 0, checksum 1, banks.
    std::function<void(const QStringList &messages)> invalid;
};
// Only input and user slots take an upload: for any other slot nothing at all is sent. The image
// read from the file stays in the analysis record (also when it is rejected).
UploadResult uploadFileToSlot(DeviceSession &session, SlotCode code, const UploadHooks &hooks);

// --- Copy: slot to slot ---------------------------------------------------------------------------
// Reads the source and, only when the read is complete, writes its image into the destination.
// No bracket commands, no validation.
bool copySlot(DeviceSession &session, SlotCode source, SlotCode destination);

// --- Input EDID mode ------------------------------------------------------------------------------
// Selects input 1 and asks the device to present the mode (SET RXEDMD).
void selectEdidMode(DeviceSession &session, std::uint8_t modeIndex);
// Asks the device for its mode (GET RXEDMD); nothing when no valid report arrived.
std::optional<std::uint8_t> queryEdidMode(DeviceSession &session);
