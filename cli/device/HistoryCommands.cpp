// kelmctl history [SLOT] [--json] | undo SLOT [--yes]: what the slot writes replaced
// (link/SlotHistory), and writing the newest of it back.
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

#include "cli/device/DeviceCommands.h"
#include "link/DeviceSession.h"
#include "link/SlotHistory.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "shell/DebugLog.h"

namespace {

std::optional<SlotCode> slotArgument(const std::string &text)
{
    const auto code = parseSlotName(text);
    if (!code)
        sayError(QStringLiteral("'%1' is not a slot; use input1, user1 ...").arg(textArgument(text)));
    return code;
}

QString shortSha(const QString &sha)
{
    return sha.left(12);
}

QString resultText(const HistoryEntry &e)
{
    if (e.result == QLatin1String("written"))
        return e.verified ? QStringLiteral("verified") : QStringLiteral("written");
    return e.result;
}

struct HistoryArgs
{
    std::vector<std::string> slot;
    bool json = false;
};

int runHistory(const HistoryArgs &args)
{
    std::optional<SlotCode> code;
    if (!args.slot.empty() && !(code = slotArgument(args.slot.front())))
        return 2;
    const SlotHistory history;
    QList<HistoryEntry> all;
    for (const QString &device : history.deviceFolders())
        all += history.entries(device, code);
    std::stable_sort(all.begin(), all.end(), [](const HistoryEntry &a, const HistoryEntry &b) { return a.time > b.time; });
    if (all.isEmpty() && !args.json) {
        say(QStringLiteral("No writes recorded in %1.").arg(history.root()));
        return 0;
    }
    for (const HistoryEntry &e : all) {
        if (args.json) {
            const QString folder = history.root() + QLatin1Char('/') + e.deviceFolder + QLatin1Char('/') + e.slot;
            say(QString::fromUtf8(
                QJsonDocument(QJsonObject{{"time", e.time.toString(Qt::ISODateWithMs)},
                                          {"device", e.device},
                                          {"port", e.port},
                                          {"slot", e.slot},
                                          {"operation", e.operation},
                                          {"before", e.before},
                                          {"after", e.after},
                                          {"source", e.source},
                                          {"verified", e.verified},
                                          {"result", e.result},
                                          {"beforeFile", folder + QLatin1Char('/') + e.before + QStringLiteral(".bin")}})
                    .toJson(QJsonDocument::Compact)));
        } else {
            say(QStringLiteral("%1  %2  %3  %4  %5 -> %6  %7  %8")
                    .arg(e.time.toString(Qt::ISODate))
                    .arg(e.slot, -9)
                    .arg(e.operation, -14)
                    .arg(resultText(e), -8)
                    .arg(shortSha(e.before), shortSha(e.after), terminalText(e.device), terminalText(e.source)));
        }
    }
    return 0;
}

// Asked on the terminal; a script says --yes.
bool confirmed(const QString &question)
{
    std::fprintf(stderr, "%s [y/N] ", question.toLocal8Bit().constData());
    std::fflush(stderr);
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

struct UndoArgs
{
    std::string slot;
    bool yes = false;
};

int runUndo(const GlobalOptions &options, const UndoArgs &args)
{
    const auto code = slotArgument(args.slot);
    if (!code)
        return 2;
    if (!slotAcceptsUpload(*code))
        return sayError(QStringLiteral("Only input and user slots are written; %1 has no history.")
                            .arg(QString::fromStdString(slotDisplayName(*code)))),
               2;
    if (!args.yes && !::isatty(STDIN_FILENO))
        return sayError(QStringLiteral("Undo writes to the device; add --yes to go ahead.")), 2;
    DebugLog log;
    DeviceSession session(log);
    if (!connectNormalDevice(session, options))
        return 1;
    SlotHistory history;
    session.setSlotHistory(&history);
    const HistoryDevice device =
        historyDeviceOf(session.registry().serialRecord(), session.transport().openPortName());
    const QList<HistoryEntry> entries = history.entries(device.folderName(), *code);
    const QString slot = QString::fromStdString(slotDisplayName(*code));
    if (entries.isEmpty())
        return sayError(QStringLiteral("No write of %1 of %2 is recorded.").arg(slot, terminalText(device.label()))), 1;
    const HistoryEntry &last = entries.front();
    const auto image = history.image(last.deviceFolder, last.slot, last.before);
    if (!image)
        return sayError(QStringLiteral("The image %1 held before the %2 of %3 is missing or altered in the history.")
                            .arg(slot, last.operation, last.time.toString(Qt::ISODate))),
               1;
    const QString what = QStringLiteral("%1 of %2 (%3)").arg(last.operation, last.time.toString(Qt::ISODate), slot);
    if (!args.yes && !confirmed(QStringLiteral("Undo the %1?").arg(what)))
        return sayError(QStringLiteral("Nothing was written.")), 1;
    QString why;
    if (!uploadImageToSlot(session, *code, *image, {}, &why, true,
                           SlotWriteNote{QStringLiteral("undo"), last.time.toString(Qt::ISODateWithMs), {}}))
        return sayError(QStringLiteral("%1 (%2: %3)").arg(QLatin1String(kUploadFailedText), slot, why)), 1;
    say(QStringLiteral("Undid the %1: the slot holds %2 again and read back.").arg(what, shortSha(last.before)));
    return 0;
}

CommandAction defineHistory(CommandSpec &command, const GlobalOptions &)
{
    auto a = std::make_shared<HistoryArgs>();
    command.option("SLOT", a->slot, "only this slot: input1, user3 ...")
        .expected(0, 1)
        .complete(Completion::UploadSlot);
    command.flag("-j,--json", a->json, "one JSON object per write");
    return [a] { return runHistory(*a); };
}

CommandAction defineUndo(CommandSpec &command, const GlobalOptions &global)
{
    auto a = std::make_shared<UndoArgs>();
    command.option("SLOT", a->slot, "an input or user slot: input1, user3 ...")
        .required()
        .complete(Completion::UploadSlot);
    command.flag("-y,--yes", a->yes, "go ahead without asking");
    return [a, &global] { return runUndo(global, *a); };
}

const CommandRegistration regHistory(CommandGroup::Device, "history",
                                     "list the slot writes, newest first, with what each replaced", &defineHistory);
const CommandRegistration regUndo(CommandGroup::Device, "undo",
                                  "write back what SLOT held before its newest write (read back)", &defineUndo);

} // namespace
