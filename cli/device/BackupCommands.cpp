// kelmctl backup DIR | restore DIR [--only inputs|users] [--dry-run] [--json]: the whole device to a
// folder and back (link/DeviceBackup), with thin argument handling.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

#include "cli/device/DeviceCommands.h"
#include "link/DeviceBackup.h"
#include "link/DeviceSession.h"
#include "link/SlotHistory.h"
#include "shell/DebugLog.h"

namespace {

// A folder named by its bytes. A name that does not survive the trip through Qt's text is opened
// here and handed over as /dev/fd/N, which the kernel resolves to the folder itself.
QString folderArgument(const std::string &name, bool create)
{
    const QString text = QFile::decodeName(QByteArray::fromStdString(name));
    if (QFile::encodeName(text).toStdString() == name)
        return text;
    if (create)
        ::mkdir(name.c_str(), 0777);
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        sayError(QStringLiteral("Cannot open the folder %1: %2.")
                     .arg(textArgument(name), QString::fromLocal8Bit(std::strerror(errno))));
        return {};
    }
    return QStringLiteral("/dev/fd/%1").arg(fd);
}

int runBackupCommand(const GlobalOptions &options, const std::string &folderName)
{
    const QString folder = folderArgument(folderName, true);
    if (folder.isEmpty())
        return 1;
    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options))
        return 1;
    const BackupResult r = backupDevice(session, folder);
    for (const BackupSlot &s : r.manifest.entries) {
        if (s.read)
            say(QStringLiteral("%1  ok      %2  %3 %4%5")
                    .arg(s.slot, -9)
                    .arg(s.file, -20)
                    .arg(terminalText(s.manufacturer), terminalText(s.monitorName),
                         s.valid ? QString() : QStringLiteral("  (invalid image)")));
        else
            say(QStringLiteral("%1  FAILED  %2").arg(s.slot, -9).arg(terminalText(s.error)));
    }
    if (!r.error.isEmpty()) {
        sayError(r.error);
        return 1;
    }
    const int failed = r.manifest.failed();
    say(QStringLiteral("%1 slots saved to %2, %3 failed; EDID mode %4.")
            .arg(r.manifest.entries.size() - failed)
            .arg(textArgument(folderName))
            .arg(failed)
            .arg(r.manifest.edidMode ? r.manifest.edidModeName : QStringLiteral("not reported")));
    if (failed > 0)
        sayError(QStringLiteral("%1 slot(s) could not be saved; they are listed as failed in %2.")
                     .arg(failed)
                     .arg(QLatin1String(kBackupManifestName)));
    if (!r.manifest.edidModeError.isEmpty())
        sayError(QStringLiteral("The EDID mode is not in the backup: %1.").arg(r.manifest.edidModeError));
    if (!r.bracketFailure.isEmpty())
        sayError(QStringLiteral("The device did not confirm the transfer: %1.").arg(r.bracketFailure));
    return r.ok() ? 0 : 1;
}

struct RestoreArgs
{
    std::string folder;
    std::string only; // "", "inputs" or "users"
    bool dryRun = false;
    bool json = false;
    bool noHistory = false;
};

int runRestoreCommand(const GlobalOptions &options, const RestoreArgs &args)
{
    const RestoreFilter filter = args.only == "inputs" ? RestoreFilter::Inputs
                                 : args.only == "users"  ? RestoreFilter::Users
                                                         : RestoreFilter::All;
    const bool dryRun = args.dryRun, json = args.json;
    const QString folder = folderArgument(args.folder, false);
    if (folder.isEmpty())
        return 1;
    // A folder that does not check out is refused before the device is even searched.
    if (const RestorePlan checked = checkBackupFolder(folder, filter); !checked.error.isEmpty()) {
        sayError(checked.error);
        return 1;
    }
    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options))
        return 1;
    SlotHistory history;
    if (!args.noHistory)
        session.setSlotHistory(&history);
    RestorePlan plan = planRestore(session, folder, filter);
    if (!plan.error.isEmpty()) {
        sayError(plan.error);
        return 1;
    }
    bool ok = true;
    if (dryRun) {
        for (const RestoreStep &s : plan.steps)
            ok = ok && s.outcome != RestoreStep::Outcome::Refused;
        if (plan.setMode) {
            plan.modeOutcome = plan.modeIndex ? QStringLiteral("planned")
                                              : QStringLiteral("FAILED: the device has no EDID mode %1")
                                                    .arg(plan.manifest.edidModeName);
            ok = ok && plan.modeIndex.has_value();
        }
    } else {
        ok = runRestore(session, plan);
    }

    if (json) {
        QJsonArray steps;
        for (const RestoreStep &s : plan.steps)
            steps.append(QJsonObject{{"slot", s.slot},
                                     {"file", s.file},
                                     {"action", restoreActionName(s.action)},
                                     {"result", restoreOutcomeName(s.outcome)},
                                     {"detail", s.detail}});
        QJsonObject o{{"dryRun", dryRun}, {"ok", ok}, {"steps", steps}};
        if (!plan.bracketFailure.isEmpty())
            o.insert(QStringLiteral("error"), plan.bracketFailure);
        if (plan.setMode)
            o.insert(QStringLiteral("mode"),
                     QJsonObject{{"name", plan.manifest.edidModeName}, {"result", plan.modeOutcome}});
        say(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    } else {
        say(QStringLiteral("%1  %2  %3").arg(QStringLiteral("slot"), -10).arg(QStringLiteral("action"), -12).arg(
            dryRun ? QStringLiteral("plan") : QStringLiteral("result")));
        for (const RestoreStep &s : plan.steps) {
            QString result = QString::fromLatin1(restoreOutcomeName(s.outcome));
            if (!s.detail.isEmpty())
                result += QStringLiteral(": ") + s.detail;
            say(QStringLiteral("%1  %2  %3").arg(s.slot, -10).arg(QLatin1String(restoreActionName(s.action)), -12).arg(result));
        }
        if (plan.setMode)
            say(QStringLiteral("%1  %2  %3").arg(QStringLiteral("mode"), -10).arg(plan.manifest.edidModeName, -12).arg(
                plan.modeOutcome));
    }
    if (!plan.bracketFailure.isEmpty())
        sayError(QStringLiteral("The device did not confirm the transfer: %1.").arg(plan.bracketFailure));
    if (!ok)
        sayError(dryRun ? QStringLiteral("Some slots would not be restored (see the table).")
                        : QStringLiteral("The restore did not complete (see the table)."));
    return ok ? 0 : 1;
}

CommandAction defineBackup(CommandSpec &command, const GlobalOptions &global)
{
    auto folder = std::make_shared<std::string>();
    command.option("DIR", *folder, "the folder for the images and manifest.json (created when missing)")
        .required()
        .complete(Completion::Directories);
    return [folder, &global] { return runBackupCommand(global, *folder); };
}

CommandAction defineRestore(CommandSpec &command, const GlobalOptions &global)
{
    auto a = std::make_shared<RestoreArgs>();
    command.option("DIR", a->folder, "a folder written by kelmctl backup")
        .required()
        .complete(Completion::Directories);
    command.option("--only", a->only, "restore only these slots")
        .check([](std::string &text) {
            return text == "inputs" || text == "users" ? std::string()
                                                       : std::string("--only is inputs or users");
        })
        .typeName("inputs|users");
    command.flag("-n,--dry-run", a->dryRun, "print the plan, write nothing");
    command.flag("-j,--json", a->json, "the table as one JSON object");
    command.flag("-H,--no-history", a->noHistory, "keep no copy of what the slots held (kelmctl history)");
    return [a, &global] { return runRestoreCommand(global, *a); };
}

const CommandRegistration regBackup(CommandGroup::Device, "backup",
                                    "read every slot into DIR, with manifest.json",
                                    &defineBackup);
const CommandRegistration regRestore(CommandGroup::Device, "restore",
                                     "write back the slots that differ (each read back), and the mode",
                                     &defineRestore);

} // namespace
