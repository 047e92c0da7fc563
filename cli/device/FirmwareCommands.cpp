// kelmctl firmware FILE --yes | describe TEXT | reset --yes: the System page's routines, headless.
#include <QPoint>
#include <QString>

#include <cstdio>

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

bool takeYes(QStringList &args)
{
    return args.removeAll(QStringLiteral("--yes")) > 0;
}

int runFirmware(const DeviceOptions &options, const QStringList &argv)
{
    QStringList args = argv;
    const bool yes = takeYes(args);
    if (args.size() != 1 || args[0].startsWith(QLatin1String("--"))) {
        sayError(QStringLiteral("usage: kelmctl [--port PATH]... firmware FILE --yes"));
        return 2;
    }
    if (!yes) {
        sayError(QStringLiteral("Updating the firmware cannot be undone; add --yes to go ahead."));
        return 2;
    }
    ConfirmedDialogs confirmed;
    DialogsScope scope(&confirmed);
    DebugLog log;
    DeviceSession session(log);
    if (!connectDevice(session, options))
        return 1;
    if (!session.ispMode()) {
        sayError(QStringLiteral("Not ISP Mode: the device runs its normal firmware, not its ISP loader."));
        session.BitBtn_DisconnectClick();
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
    QObject::connect(&upload, &IspUpload::versionTextChanged, [](const QString &text) { say(text); });
    QObject::connect(&upload, &IspUpload::progressChanged, [&](int percent) {
        if (percent != shown)
            say(QString::number(percent) + QLatin1Char('%'));
        shown = percent;
    });
    QObject::connect(&log, &DebugLog::appended, [](const QString &text) {
        if (text.startsWith(QLatin1String("Warnning:")))
            say(text.trimmed());
    });

    upload.openImageFile(args[0]);
    if (red) {
        sayError(QStringLiteral("Cannot open the firmware image %1.").arg(args[0]));
        session.BitBtn_DisconnectClick();
        return 1;
    }
    const bool ok = upload.startFirmwareUpdate();
    if (!ok) {
        if (status == QLatin1String("Illegal FW."))
            sayError(QStringLiteral("Illegal FW.: the image has no \"FW VER:\" record at offset 512."));
        else
            sayError(status.isEmpty() ? IspUpload::failedText : status);
    }
    session.BitBtn_DisconnectClick();
    return ok ? 0 : 1;
}

int runDescribe(const DeviceOptions &options, const QStringList &args)
{
    if (args.size() != 1) {
        sayError(QStringLiteral("usage: kelmctl [--port PATH]... describe TEXT"));
        return 2;
    }
    DebugLog log;
    DeviceSession session(log);
    if (!connectDevice(session, options))
        return 1;
    if (session.ispMode()) {
        sayError(QStringLiteral("The device runs its ISP loader; it has no description to set."));
        session.BitBtn_DisconnectClick();
        return 1;
    }
    const SystemSettings::Feedback feedback = SystemSettings::lengthFeedback(args[0]);
    if (feedback.red)
        say(feedback.text + QStringLiteral(" Only the first 31 characters are sent."));
    SystemSettings settings(session);
    const SystemSettings::Result result = settings.applyProductString(args[0]);
    session.BitBtn_DisconnectClick();
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

int runReset(const DeviceOptions &options, const QStringList &argv)
{
    QStringList args = argv;
    const bool yes = takeYes(args);
    if (!args.isEmpty()) {
        sayError(QStringLiteral("usage: kelmctl [--port PATH]... reset --yes"));
        return 2;
    }
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
    if (session.ispMode()) {
        sayError(QStringLiteral("The device runs its ISP loader; it cannot be reset."));
        session.BitBtn_DisconnectClick();
        return 1;
    }
    SystemSettings settings(session);
    const SystemSettings::Result result = settings.resetToDefaults();
    const QString description = settings.productString();
    session.BitBtn_DisconnectClick();
    if (result == SystemSettings::Result::Failed) {
        sayError(QStringLiteral("%1 (%2)").arg(QLatin1String(kResetFailedText), settings.lastFailure()));
        return 1;
    }
    if (result != SystemSettings::Result::Sent) {
        sayError(QStringLiteral("The reset was not sent."));
        return 1;
    }
    say(QStringLiteral("Reset to defaults. Description: ") + description);
    return 0;
}

const DeviceCommandRegistration regFirmware("firmware", &runFirmware);
const DeviceCommandRegistration regDescribe("describe", &runDescribe);
const DeviceCommandRegistration regReset("reset", &runReset);

} // namespace
