// kelmctl firmware FILE --yes | describe TEXT | reset --yes: the System page's routines, headless.
#include <QPoint>
#include <QString>

#include <cstdio>
#include <memory>

#include "shell/DebugLog.h"
#include "shell/Dialogs.h"
#include "cli/device/DeviceCommands.h"
#include "firmware/IspUpload.h"
#include "link/DeviceSession.h"
#include "system/SystemSettings.h"

namespace {

// --yes stands for the operator's OK in the warning box; nothing else is ever asked.
class ConfirmedDialogs final : public Dialogs
{
  public:
    QString openFile(const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    bool confirm(const QString &, const QString &, const QPoint *) override { return true; }
    void information(const QString &, const QString &, const QPoint *) override {}
    void warning(const QString &, const QString &text) override { sayError(text); }
    void error(const QString &, const QString &text) override { sayError(text); }
};

struct DialogsScope
{
    explicit DialogsScope(Dialogs *d) { setDialogs(d); }
    ~DialogsScope() { setDialogs(nullptr); }
};

int runFirmware(const GlobalOptions &options, const std::string &file, bool yes)
{
    if (!yes) {
        sayError(QStringLiteral("Updating the firmware cannot be undone; add --yes to go ahead."));
        return 2;
    }
    const QString path = fileArgument(file);
    const QString shownName = textArgument(file);
    ConfirmedDialogs confirmed;
    DialogsScope scope(&confirmed);
    DebugLog log;
    DeviceSession session(log);
    if (!connectDevice(session, options))
        return 1;
    if (!session.transport().ispMode()) {
        sayError(QStringLiteral("Not ISP Mode: the device runs its normal firmware, not its ISP loader."));
        session.disconnect();
        return 1;
    }

    IspUpload upload(session);
    QString status;
    bool red = false;
    int shown = -1;
    QObject::connect(&upload, &IspUpload::statusChanged, [&](const QString &text, bool isRed) {
        status = text;
        red = isRed;
    });
    QObject::connect(&upload, &IspUpload::versionTextChanged, [](const QString &text) { say(terminalText(text)); });
    QObject::connect(&upload, &IspUpload::progressChanged, [&](int percent) {
        if (percent != shown)
            say(QString::number(percent) + QLatin1Char('%'));
        shown = percent;
    });
    QObject::connect(&log, &DebugLog::appended, [](const QString &text) {
        if (text.startsWith(QLatin1String("Warnning:")) || text.startsWith(QLatin1String(IspUpload::unconfirmedEndText)))
            say(text.trimmed());
    });

    if (!path.isEmpty())
        upload.openImageFile(path);
    if (red || path.isEmpty()) {
        sayError(QStringLiteral("Cannot open the firmware image %1.").arg(shownName));
        session.disconnect();
        return 1;
    }
    const bool ok = upload.startFirmwareUpdate();
    if (!ok) {
        if (status == QLatin1String("Illegal FW."))
            sayError(QStringLiteral("Illegal FW.: the image has no \"FW VER:\" record at offset 512."));
        else
            sayError(status.isEmpty() ? IspUpload::failedText : status);
    }
    session.disconnect();
    return ok ? 0 : 1;
}

int runDescribe(const GlobalOptions &options, const QString &text)
{
    DebugLog log;
    DeviceSession session(log);
    if (!connectDevice(session, options))
        return 1;
    if (session.transport().ispMode()) {
        sayError(QStringLiteral("The device runs its ISP loader; it has no description to set."));
        session.disconnect();
        return 1;
    }
    const SystemSettings::Feedback feedback = SystemSettings::lengthFeedback(text);
    if (feedback.red)
        say(feedback.text + QStringLiteral(" Only the first 31 characters are sent."));
    SystemSettings settings(session);
    const SystemSettings::Result result = settings.applyProductString(text);
    session.disconnect();
    switch (result) {
    case SystemSettings::Result::Sent:
        say(QStringLiteral("Ok."));
        return 0;
    case SystemSettings::Result::Unchanged:
        say(QStringLiteral("No Changed."));
        return 0;
    case SystemSettings::Result::Failed:
        sayError(QStringLiteral("%1 (%2)").arg(QLatin1String(kSetFailedText), settings.lastFailure()));
        return 1;
    default:
        sayError(QStringLiteral("The description was not sent."));
        return 1;
    }
}

int runReset(const GlobalOptions &options, bool yes)
{
    if (!yes) {
        sayError(QStringLiteral("A reset to defaults cannot be undone; add --yes to go ahead."));
        return 2;
    }
    ConfirmedDialogs confirmed;
    DialogsScope scope(&confirmed);
    DebugLog log;
    DeviceSession session(log);
    if (!connectDevice(session, options))
        return 1;
    if (session.transport().ispMode()) {
        sayError(QStringLiteral("The device runs its ISP loader; it cannot be reset."));
        session.disconnect();
        return 1;
    }
    SystemSettings settings(session);
    const SystemSettings::Result result = settings.resetToDefaults();
    const QString description = settings.productString();
    session.disconnect();
    if (result == SystemSettings::Result::Failed) {
        sayError(QStringLiteral("%1 (%2)").arg(QLatin1String(kResetFailedText), settings.lastFailure()));
        return 1;
    }
    if (result != SystemSettings::Result::Sent) {
        sayError(QStringLiteral("The reset was not sent."));
        return 1;
    }
    say(QStringLiteral("Reset to defaults. Description: ") + terminalText(description));
    return 0;
}

struct FirmwareArgs
{
    std::string file;
    bool yes = false;
};

CommandAction defineFirmware(CommandSpec &command, const GlobalOptions &global)
{
    auto a = std::make_shared<FirmwareArgs>();
    command.option("FILE", a->file, "the firmware image").required().complete(Completion::Files);
    command.flag("-y,--yes", a->yes, "go ahead: the update cannot be undone");
    return [a, &global] { return runFirmware(global, a->file, a->yes); };
}

CommandAction defineDescribe(CommandSpec &command, const GlobalOptions &global)
{
    auto text = std::make_shared<std::string>();
    command.option("TEXT", *text, "the new description (up to 31 characters are sent)").required();
    return [text, &global] { return runDescribe(global, textArgument(*text)); };
}

CommandAction defineReset(CommandSpec &command, const GlobalOptions &global)
{
    auto yes = std::make_shared<bool>(false);
    command.flag("-y,--yes", *yes, "go ahead: the reset cannot be undone");
    return [yes, &global] { return runReset(global, *yes); };
}

const CommandRegistration regFirmware(CommandGroup::Device, "firmware",
                                      "update the firmware (device in ISP mode)", &defineFirmware);
const CommandRegistration regDescribe(CommandGroup::Device, "describe", "set the description string",
                                      &defineDescribe);
const CommandRegistration regReset(CommandGroup::Device, "reset", "reset the device to its defaults",
                                   &defineReset);

} // namespace
