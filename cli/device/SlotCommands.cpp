// kelmctl read SLOT -o FILE | write SLOT FILE | copy SRC DST | mode [MODE]: the EDID Controller
// page's routines, headless.
#include <QFile>
#include <QString>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

#include "shell/DebugLog.h"
#include "cli/device/DeviceCommands.h"
#include "link/DeviceSession.h"
#include "link/EdidModes.h"
#include "link/SlotHistory.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"

namespace {

QString slotText(SlotCode code)
{
    return QString::fromStdString(slotDisplayName(code));
}

// A slot named on the command line: usage error when the name is not a slot name at all.
bool parseSlot(const std::string &text, SlotCode &code)
{
    const auto parsed = parseSlotName(text);
    if (!parsed) {
        sayError(QStringLiteral("'%1' is not a slot; use input1, output1, user1, internal1 ...")
                     .arg(textArgument(text)));
        return false;
    }
    code = *parsed;
    return true;
}

// The device must have the slot.
bool deviceHasSlot(DeviceSession &session, SlotCode code)
{
    if (slotExists(code, slotCountsOf(session.registry().serialRecord())))
        return true;
    sayError(QStringLiteral("The device has no slot %1.").arg(slotText(code)));
    return false;
}

struct ReadArgs
{
    std::string slot;
    std::string file; // the bytes given: any name the system takes
};

int runRead(const GlobalOptions &options, const ReadArgs &args)
{
    SlotCode code = 0;
    if (!parseSlot(args.slot, code))
        return 2;
    const QString path = textArgument(args.file);

    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options) || !deviceHasSlot(session, code))
        return 1;
    SaveHooks hooks;
    const std::string &file = args.file;
    hooks.chooseFile = [&file](const QString &) { return file; };
    bool bracketConfirmed = false;
    hooks.bracketDone = [&bracketConfirmed](bool confirmed) { bracketConfirmed = confirmed; };
    std::string fileError;
    switch (saveSlotToFile(session, code, hooks, &fileError)) {
    case SaveResult::Saved:
        // The image is whole (each quarter came with a good CRC), so the file stays; but a device
        // that did not answer SYS_STM or SYS_CTM may not have ended its transfer mode.
        if (!bracketConfirmed) {
            sayError(QStringLiteral("The device did not confirm the transfer; %1 holds %2 as read (its four "
                                    "quarters arrived intact).")
                         .arg(file == "-" ? QStringLiteral("standard output") : path, slotText(code)));
            return 1;
        }
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

struct WriteArgs
{
    std::string slot;
    std::string file;
    bool noVerify = false;
    bool noHistory = false;
};

int runWrite(const GlobalOptions &options, const WriteArgs &args)
{
    const bool verify = !args.noVerify;
    SlotCode code = 0;
    if (!parseSlot(args.slot, code))
        return 2;
    if (!slotAcceptsUpload(code))
        return sayError(QStringLiteral("Only input and user slots take an EDID; %1 does not.")
                            .arg(slotText(code))),
               2;
    const QString shown = textArgument(args.file);
    struct stat st;
    if (::stat(args.file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return sayError(QStringLiteral("Cannot read %1.").arg(shown)), 1;
    const QString path = fileArgument(args.file);
    if (path.isEmpty())
        return 1;

    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options) || !deviceHasSlot(session, code))
        return 1;
    SlotHistory history;
    if (!args.noHistory)
        session.setSlotHistory(&history);
    UploadHooks hooks;
    hooks.operation = QStringLiteral("write");
    hooks.chooseFile = [&path] { return path; };
    QStringList problems;
    hooks.invalid = [&problems](const QStringList &messages) { problems = messages; };
    // The upload reads the slot back itself (as the GUI's does).
    hooks.verify = verify;
    QString why;
    switch (uploadFileToSlot(session, code, hooks, &why)) {
    case UploadResult::Uploaded: {
        say(QStringLiteral("%1 uploaded to %2%3.")
                .arg(shown, slotText(code), verify ? QStringLiteral(" and read back") : QString()));
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
        sayError(QStringLiteral("Cannot read %1.").arg(shown));
        return 1;
    case UploadResult::NotWritable:
        break;
    }
    return 2;
}

struct CopyArgs
{
    std::string source;
    std::string destination;
    bool noVerify = false;
    bool noHistory = false;
};

int runCopy(const GlobalOptions &options, const CopyArgs &args)
{
    const bool verify = !args.noVerify;
    SlotCode source = 0;
    SlotCode destination = 0;
    if (!parseSlot(args.source, source) || !parseSlot(args.destination, destination))
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
    SlotHistory history;
    if (!args.noHistory)
        session.setSlotHistory(&history);
    QString why;
    switch (copySlot(session, source, destination, &why, verify)) {
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
    say(QStringLiteral("%1 copied to %2%3.")
            .arg(slotText(source), slotText(destination), verify ? QStringLiteral(" and read back") : QString()));
    return 0;
}

int runMode(const GlobalOptions &options, const std::vector<std::string> &args)
{
    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options))
        return 1;
    const EdidModeCounts counts = modeCountsOf(session.registry().serialRecord());
    std::optional<std::uint8_t> wanted;
    if (args.size() == 1) {
        wanted = parseEdidModeName(args[0], counts);
        if (!wanted) {
            sayError(
                QStringLiteral("The device has no EDID mode '%1'; it has internal1..%2, external1..%3 and "
                               "user1..%4.")
                    .arg(textArgument(args[0]))
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

CommandAction defineRead(CommandSpec &command, const GlobalOptions &global)
{
    auto a = std::make_shared<ReadArgs>();
    command.option("SLOT", a->slot, "input1, output2, user3, internal4 ...")
        .required()
        .complete(Completion::AnySlot);
    command.option("-o,--output", a->file, "the file to write (- for standard output)")
        .required()
        .typeName("FILE")
        .complete(Completion::Files);
    return [a, &global] { return runRead(global, *a); };
}

CommandAction defineWrite(CommandSpec &command, const GlobalOptions &global)
{
    auto a = std::make_shared<WriteArgs>();
    command.option("SLOT", a->slot, "an input or user slot: input1, user3 ...")
        .required()
        .complete(Completion::UploadSlot);
    command.option("FILE", a->file, "the EDID .bin file").required().complete(Completion::Files);
    command.flag("-n,--no-verify", a->noVerify, "skip reading the slot back after writing");
    command.flag("-H,--no-history", a->noHistory, "keep no copy of what the slot held (kelmctl history)");
    return [a, &global] { return runWrite(global, *a); };
}

CommandAction defineCopy(CommandSpec &command, const GlobalOptions &global)
{
    auto a = std::make_shared<CopyArgs>();
    command.option("SRC", a->source, "the slot to read").required().complete(Completion::AnySlot);
    command.option("DST", a->destination, "an input or user slot to write")
        .required()
        .complete(Completion::UploadSlot);
    command.flag("-n,--no-verify", a->noVerify, "skip reading the destination back after copying");
    command.flag("-H,--no-history", a->noHistory,
                 "keep no copy of what the destination held (kelmctl history)");
    return [a, &global] { return runCopy(global, *a); };
}

CommandAction defineMode(CommandSpec &command, const GlobalOptions &global)
{
    auto mode = std::make_shared<std::vector<std::string>>();
    command.option("MODE", *mode, "internal1, external1, user3 ...; without it the mode is printed")
        .expected(0, 1)
        .complete(Completion::Mode);
    return [mode, &global] { return runMode(global, *mode); };
}

const CommandRegistration regRead(CommandGroup::Device, "read", "read SLOT into a file", &defineRead);
const CommandRegistration regWrite(CommandGroup::Device, "write", "validate FILE and upload it into SLOT",
                                   &defineWrite);
const CommandRegistration regCopy(CommandGroup::Device, "copy", "copy one slot into another", &defineCopy);
const CommandRegistration regMode(CommandGroup::Device, "mode", "set the EDID the input presents, or print it",
                                  &defineMode);

} // namespace
