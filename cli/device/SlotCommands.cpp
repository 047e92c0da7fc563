// kelmctl read SLOT -o FILE | write SLOT FILE | copy SRC DST | mode [MODE]: the EDID Controller
// page's routines, headless.
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>

#include "shell/DebugLog.h"
#include "cli/device/DeviceCommands.h"
#include "link/DeviceSession.h"
#include "link/EdidModes.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"

namespace {

QString slotText(SlotCode code)
{
    return QString::fromStdString(slotDisplayName(code));
}

// The EDID slots need a device running its normal firmware.
bool connectNormalDevice(DeviceSession &session, const DeviceOptions &options)
{
    if (!connectDevice(session, options))
        return false;
    if (session.ispMode()) {
        sayError(QStringLiteral("The device is in firmware-update mode."));
        return false;
    }
    return true;
}

// A slot named on the command line: usage error when the name is not a slot name at all.
bool parseSlot(const QString &text, SlotCode &code)
{
    const auto parsed = parseSlotName(text.toStdString());
    if (!parsed) {
        sayError(QStringLiteral("'%1' is not a slot; use input1, output1, user1, internal1 ...").arg(text));
        return false;
    }
    code = *parsed;
    return true;
}

// The device must have the slot.
bool deviceHasSlot(DeviceSession &session, SlotCode code)
{
    const SYS_STATUS &s = session.currentStatus();
    const int counts[4] = {s.inputCount, s.outputCount, s.userCount, s.internalCount};
    if (slotNumberOf(code) <= counts[static_cast<int>(slotKindOf(code))])
        return true;
    sayError(QStringLiteral("The device has no slot %1.").arg(slotText(code)));
    return false;
}

EdidModeCounts modeCounts(DeviceSession &session)
{
    const SYS_STATUS &s = session.currentStatus();
    return EdidModeCounts{s.internalCount, s.outputCount, s.userCount};
}

int runRead(const DeviceOptions &options, const QStringList &args)
{
    const QString usage = QStringLiteral("usage: kelmctl [--port PATH]... read SLOT -o FILE");
    QString slotArg;
    QString path;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("-o") && i + 1 < args.size())
            path = args[++i];
        else if (slotArg.isEmpty() && !args[i].startsWith(QLatin1Char('-')))
            slotArg = args[i];
        else
            return sayError(usage), 2;
    }
    SlotCode code = 0;
    if (slotArg.isEmpty() || path.isEmpty())
        return sayError(usage), 2;
    if (!parseSlot(slotArg, code))
        return 2;

    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options) || !deviceHasSlot(session, code))
        return 1;
    SaveHooks hooks;
    const std::string file = QFile::encodeName(path).toStdString();
    hooks.chooseFile = [&file](const QString &) { return file; };
    std::string fileError;
    switch (saveSlotToFile(session, code, hooks, &fileError)) {
    case SaveResult::Saved:
        // With -o - the image itself is on stdout; the confirmation must not join it.
        if (file == "-")
            std::fprintf(stderr, "%s\n", qPrintable(QStringLiteral("%1 written to standard output (256 bytes).")
                                                        .arg(slotText(code))));
        else
            say(QStringLiteral("%1 saved to %2 (256 bytes).").arg(slotText(code), path));
        return 0;
    case SaveResult::ReadFailed:
        sayError(QStringLiteral("Reading %1 failed: a part of its EDID did not arrive intact; %2 was not "
                                "written.")
                     .arg(slotText(code), path));
        return 1;
    case SaveResult::FileFailed:
        if (!fileError.empty()) {
            // "cannot write FILE: reason": the old file, if any, is as it was.
            fileError[0] = 'C';
            sayError(QString::fromLocal8Bit(fileError) + QLatin1Char('.'));
            return 1;
        }
        break;
    case SaveResult::Cancelled:
        break;
    }
    sayError(QStringLiteral("Cannot write %1.").arg(path));
    return 1;
}

// --no-verify, wherever it stands among the arguments.
bool takeNoVerify(QStringList &args)
{
    return args.removeAll(QStringLiteral("--no-verify")) == 0;
}

int runWrite(const DeviceOptions &options, const QStringList &argv)
{
    QStringList args = argv;
    const bool verify = takeNoVerify(args);
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-')) || args[1].startsWith(QLatin1Char('-')))
        return sayError(QStringLiteral("usage: kelmctl [--port PATH]... write SLOT FILE [--no-verify]")), 2;
    SlotCode code = 0;
    if (!parseSlot(args[0], code))
        return 2;
    if (!slotAcceptsUpload(code))
        return sayError(QStringLiteral("Only input and user slots take an EDID; %1 does not.")
                            .arg(slotText(code))),
               2;
    const QString path = args[1];
    if (!QFileInfo(path).isFile())
        return sayError(QStringLiteral("Cannot read %1.").arg(path)), 1;

    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options) || !deviceHasSlot(session, code))
        return 1;
    UploadHooks hooks;
    hooks.chooseFile = [&path] { return path; };
    QStringList problems;
    hooks.invalid = [&problems](const QStringList &messages) { problems = messages; };
    QString why;
    switch (uploadFileToSlot(session, code, hooks, &why)) {
    case UploadResult::Uploaded: {
        if (verify) {
            // What the device answered is not yet what it keeps: read the slot back.
            const EdidImage sent = session.analysisRecord.image;
            if (!verifySlotEdid(session, code, sent, &why)) {
                sayError(QStringLiteral("%1 (%2: %3)").arg(QLatin1String(kUploadFailedText), slotText(code), why));
                return 1;
            }
        }
        say(QStringLiteral("%1 uploaded to %2%3.")
                .arg(path, slotText(code), verify ? QStringLiteral(" and read back") : QString()));
        return 0;
    }
    case UploadResult::Failed:
        sayError(QStringLiteral("%1 (%2: %3)").arg(QLatin1String(kUploadFailedText), slotText(code), why));
        return 1;
    case UploadResult::Invalid:
        for (const QString &message : problems)
            sayError(message);
        return 1;
    case UploadResult::Cancelled:
        sayError(QStringLiteral("Cannot read %1.").arg(path));
        return 1;
    case UploadResult::NotWritable:
        break;
    }
    return 2;
}

int runCopy(const DeviceOptions &options, const QStringList &argv)
{
    QStringList args = argv;
    const bool verify = takeNoVerify(args);
    if (args.size() != 2)
        return sayError(QStringLiteral("usage: kelmctl [--port PATH]... copy SRC DST [--no-verify]")), 2;
    SlotCode source = 0;
    SlotCode destination = 0;
    if (!parseSlot(args[0], source) || !parseSlot(args[1], destination))
        return 2;
    if (!slotAcceptsUpload(destination))
        return sayError(QStringLiteral("Only input and user slots take an EDID; %1 does not.")
                            .arg(slotText(destination))),
               2;
    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options) || !deviceHasSlot(session, source) ||
        !deviceHasSlot(session, destination))
        return 1;
    QString why;
    switch (copySlot(session, source, destination, &why)) {
    case CopyResult::ReadFailed:
        sayError(QStringLiteral("%1 (reading %2: %3; %4 was left as it was)")
                     .arg(QLatin1String(kReadFailedText), slotText(source), why, slotText(destination)));
        return 1;
    case CopyResult::WriteFailed:
        sayError(QStringLiteral("%1 (%2: %3)").arg(QLatin1String(kCopyFailedText), slotText(destination), why));
        return 1;
    case CopyResult::Copied:
        break;
    }
    if (verify) {
        const EdidImage copied = session.transferImage();
        if (!verifySlotEdid(session, destination, copied, &why)) {
            sayError(QStringLiteral("%1 (%2: %3)").arg(QLatin1String(kCopyFailedText), slotText(destination), why));
            return 1;
        }
    }
    say(QStringLiteral("%1 copied to %2%3.")
            .arg(slotText(source), slotText(destination), verify ? QStringLiteral(" and read back") : QString()));
    return 0;
}

int runMode(const DeviceOptions &options, const QStringList &args)
{
    if (args.size() > 1 || (args.size() == 1 && args[0].startsWith(QLatin1Char('-'))))
        return sayError(QStringLiteral("usage: kelmctl [--port PATH]... mode [MODE]")), 2;
    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options))
        return 1;
    const EdidModeCounts counts = modeCounts(session);
    std::optional<std::uint8_t> wanted;
    if (args.size() == 1) {
        wanted = parseEdidModeName(args[0].toStdString(), counts);
        if (!wanted) {
            sayError(
                QStringLiteral("The device has no EDID mode '%1'; it has internal1..%2, external1..%3 and "
                               "user1..%4.")
                    .arg(args[0])
                    .arg(counts.internals)
                    .arg(counts.externals)
                    .arg(counts.users));
            return 1;
        }
        QString why;
        if (!selectEdidMode(session, *wanted, &why)) {
            sayError(QStringLiteral("%1 (%2)").arg(QLatin1String(kSetFailedText), why));
            return 1;
        }
    }
    const auto reported = queryEdidMode(session);
    if (!reported) {
        sayError(QStringLiteral("The device did not report its EDID mode."));
        return 1;
    }
    const QString name = QString::fromStdString(edidModeDisplayName(*reported, counts));
    say(name.isEmpty() ? QStringLiteral("Mode %1 (not a mode of this device)").arg(*reported) : name);
    if (wanted && *wanted != *reported) {
        sayError(QStringLiteral("The device kept its mode instead of %1.")
                     .arg(QString::fromStdString(edidModeDisplayName(*wanted, counts))));
        return 1;
    }
    return 0;
}

const DeviceCommandRegistration regRead("read", &runRead);
const DeviceCommandRegistration regWrite("write", &runWrite);
const DeviceCommandRegistration regCopy("copy", &runCopy);
const DeviceCommandRegistration regMode("mode", &runMode);

} // namespace
