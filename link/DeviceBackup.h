#pragma once

// Whole-device backup and restore: every slot the device reports into a folder of .bin files named
// as the Save dialog proposes, with a manifest.json; and back again into the writable slots (inputs
// and users), each write verified by reading the slot back. Built on the slot read and write
// routines of SlotTransfer; kelmctl backup/restore and the main window's Device menu both call it.

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QString>

#include <functional>
#include <optional>

#include "edid/EdidImage.h"
#include "link/DeviceState.h"

class DeviceSession;

inline constexpr const char *kBackupManifestName = "manifest.json";

struct BackupSlot
{
    SlotCode code = 0;
    QString slot;         // "input1"
    QString file;         // "Input1 EDID.bin"; empty when the slot could not be read
    QString sha256;       // of the 256 bytes written, lowercase hex
    bool read = false;    // false: the slot could not be read (listed as failed)
    bool valid = false;   // the image passes validation
    QString manufacturer; // the Analyzer's answers; "-" for an invalid image
    QString monitorName;
    QString error; // why the slot failed
};

struct BackupManifest
{
    QString product;
    QString description;
    QString vid;
    QString pid;
    QString firmware;
    int inputs = 0, outputs = 0, users = 0, internals = 0;
    std::optional<int> edidMode; // the input's EDID mode index, when the device reported one
    QString edidModeName;        // "user3", as kelmctl mode takes it
    QString edidModeError;       // why a device that lets the mode be chosen has none here
    QDateTime created;           // UTC
    QList<BackupSlot> entries;
    int failed() const;
};

QByteArray manifestToJson(const BackupManifest &manifest);
// Checks the manifest as a whole: false, with every problem found in *problems, when the text is no
// manifest this program wrote (over 1 MiB, not JSON, no list of slots, more entries than the device
// it describes has slots, a slot named twice or outside those counts, a file name of its own).
bool manifestFromJson(const QByteArray &json, BackupManifest &manifest, QStringList *problems);

// "Input 1-8, Output 1, User 2-3": slots as the lists name them, runs of one kind joined.
QString describeSlots(const QList<SlotCode> &codes);

// Called before each slot with its 0-based index and the total; returning false cancels the rest
// (the slot in hand is not started, nothing is half written).
using SlotProgress = std::function<bool(int index, int total, const QString &slotName)>;

struct BackupResult
{
    BackupManifest manifest;
    bool cancelled = false;
    bool manifestWritten = false;
    QString error;          // the folder or the manifest could not be written
    QString bracketFailure; // SYS_STM or SYS_CTM went unanswered (the files are still complete)
    bool ok() const
    {
        return !cancelled && manifestWritten && manifest.failed() == 0 && manifest.edidModeError.isEmpty() &&
               bracketFailure.isEmpty();
    }
};

// Reads every slot of the connected device into folder (created when missing). Each image is
// written whole or not at all; a slot that cannot be read (no retry) is listed as failed.
// manifest.json is written last, also after failures and after a cancel (listing what was done).
BackupResult backupDevice(DeviceSession &session, const QString &folder, const SlotProgress &progress = {});

enum class RestoreFilter { All, Inputs, Users };

struct RestoreStep
{
    enum class Action { Write, Unchanged, Refuse, Skip };
    enum class Outcome { Planned, Written, Unchanged, Refused, Skipped, Failed, Cancelled };
    SlotCode code = 0;
    QString slot; // "user3"
    QString file;
    Action action = Action::Skip;
    Outcome outcome = Outcome::Planned;
    QString detail; // why refused, skipped or failed
    EdidImage image{};
    std::optional<EdidImage> onDevice; // what the plan read from the slot (the history's "before")
};

struct RestorePlan
{
    BackupManifest manifest;
    QList<RestoreStep> steps;
    bool setMode = false;                 // the manifest names a mode and the filter takes the input
    std::optional<std::uint8_t> modeIndex; // the mode on this device, when it has it
    QString modeOutcome;                  // what happened to the mode ("set", "unchanged", "failed ...")
    QString bracketFailure;               // SYS_STM or SYS_CTM of the run went unanswered
    QStringList problems;                 // what is wrong with the folder, one line each
    QString error;                        // the folder is unusable (the problems included): nothing is written
};

const char *restoreActionName(RestoreStep::Action action);
const char *restoreOutcomeName(RestoreStep::Outcome outcome);

// Checks the manifest and every file it names that the filter takes (regular files inside folder
// only, never through a link, each of the size and SHA-256 the manifest gives) before touching the
// device: any problem sets error and the plan writes nothing. Then reads the device's writable slots
// and decides per slot: write (content differs), unchanged, refuse (invalid image, or the backup
// could not read the slot), skip (not in the filter, or the device has no such slot). Writes nothing.
// The same checks of the folder alone, before any device is reached (every entry the filter takes,
// whatever the device's slots): error set when a restore from it would write nothing.
RestorePlan checkBackupFolder(const QString &folder, RestoreFilter filter);

RestorePlan planRestore(DeviceSession &session, const QString &folder, RestoreFilter filter,
                        const SlotProgress &progress = {});

// Carries out the plan: each write counts only when every SET was answered and the slot reads back
// as written; then the EDID mode, confirmed by the device's report. False when any step failed, a
// bracket command went unanswered, or the run was cancelled.
bool runRestore(DeviceSession &session, RestorePlan &plan, const SlotProgress &progress = {});
