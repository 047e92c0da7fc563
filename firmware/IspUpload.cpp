#include "firmware/IspUpload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include "shell/DebugLog.h"
#include "shell/Dialogs.h"
#include "shell/Pause.h"
#include "link/DeviceSession.h"

using firmware::IspVariant;
using firmware::UploadStep;

const QString IspUpload::failedText = QStringLiteral("Update Fw Failed.");

IspUpload::IspUpload(DeviceSession &session, QObject *parent) : QObject(parent), m_session(session) {}

void IspUpload::setStatus(const QString &text, bool red)
{
    emit statusChanged(text, red);
}

static const SYS_STATUS *selectedRecord(const DeviceSession &session)
{
    const int i = session.registry().selected();
    if (i < 0 || i >= DeviceRegistry::capacity)
        return nullptr;
    return &session.registry().status(i);
}

void IspUpload::openFirmwareImage()
{
    if (m_running) {
        emit refused(tr("A firmware update is running."));
        return;
    }
    // The dialog shares its filter with the EDID pages; a cancel keeps the previous choice.
    const QString chosen = dialogs().openFile(QStringLiteral("Open"), QStringLiteral("EDID (*.bin)|*.bin"));
    openImageFile(chosen.isEmpty() ? m_imagePath : chosen);
}

void IspUpload::openImageFile(const QString &path)
{
    if (m_running) {
        emit refused(tr("A firmware update is running."));
        return;
    }
    if (path != m_imagePath) {
        m_imagePath = path;
        emit imagePathChanged(path);
    }
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        m_session.debugLog().replace(QStringLiteral("Fw Open Fail.\r\n"));
        setStatus(failedText, true);
        return;
    }
    m_session.debugLog().replace(QStringLiteral("Fw Open OK.\r\n"));
    if (m_session.channel().ispKind() == 0)
        return;

    const QByteArray head = file.read(firmware::kVersionRecordOffset + firmware::kVersionRecordSize);
    const auto record = firmware::parseVersionRecord(std::span(
        reinterpret_cast<const std::uint8_t *>(head.constData()), static_cast<std::size_t>(head.size())));
    // The chosen device's record says whether an image with a version record is loaded.
    const int device = m_session.registry().selected();
    if (record) {
        setStatus(QStringLiteral("0%"), false);
        emit versionTextChanged(QString::fromLatin1(firmware::targetLine(*record)));
        m_session.registry().setFirmwareLoaded(device, true);
    } else {
        emit versionTextChanged(QStringLiteral("Target :"));
        m_session.registry().setFirmwareLoaded(device, false);
    }
}

bool IspUpload::startFirmwareUpdate(const QPoint *confirmAt)
{
    if (m_running) {
        emit refused(tr("A firmware update is running."));
        return false;
    }
    if (!m_session.transport().ispMode()) {
        setStatus(QStringLiteral("Not ISP Mode."), true);
        return false;
    }
    const SYS_STATUS *status = selectedRecord(m_session);
    if (!status || status->firmwareLoaded == 0) {
        setStatus(QStringLiteral("Illegal FW."), true);
        return false;
    }
    const IspVariant variant = m_session.channel().ispKind() == 2 ? IspVariant::Isp091 : IspVariant::Isp029;
    // Asking first and refusing afterwards would be pointless: the same test runs again in the upload.
    const std::string tooLarge = firmware::sizeRefusal(
        variant, static_cast<std::size_t>(std::max<qint64>(0, QFileInfo(m_imagePath).size())));
    if (!tooLarge.empty()) {
        setStatus(QString::fromStdString(tooLarge), true);
        return false;
    }
    if (!dialogs().confirm(QStringLiteral("Warning"), QStringLiteral("Warning!\r\nUpdate system firmware."),
                           confirmAt))
        return false;
    return uploadFirmware(variant);
}

bool IspUpload::failUpload(const QString &logLine)
{
    m_session.debugLog().append(logLine);
    setStatus(failedText, true);
    return false;
}

bool IspUpload::uploadFirmware(IspVariant variant)
{
    if (m_running) {
        emit refused(tr("A firmware update is running."));
        return false;
    }
    // Only this loop reads the port from here on; the receive tick stays off until the next search.
    m_session.transport().stopReceiveTick();
    emit statusRedChanged(false);

    const auto image = firmware::readImageFile(QFile::encodeName(m_imagePath).toStdString());
    if (!image) {
        // The log is hidden by default, so the label says it too.
        return failUpload(QStringLiteral("Fw Open Fail.\r\n"));
    }
    const std::string tooLarge = firmware::sizeRefusal(variant, image->size());
    if (!tooLarge.empty()) {
        setStatus(QString::fromStdString(tooLarge), true);
        return false;
    }

    m_running = true;
    emit runningChanged(true);
    const bool ok = runUpload(variant, *image);
    m_running = false;
    emit runningChanged(false);
    return ok;
}

bool IspUpload::runUpload(IspVariant variant, const std::vector<std::uint8_t> &image)
{
    CommandChannel::LinkHold hold(m_session.channel());
    // The sender would restart the status poll after every SET; the upload keeps it off.
    const CommandChannel::PollHold quiet(m_session.channel());

    const SendRequest send = [&hold](Command cmd, std::span<const std::uint8_t> payload) {
        return hold.sendCommand(Direction::SET, cmd, payload);
    };
    firmware::UploadSequencer seq(variant, image);
    QElapsedTimer checkClock;
    while (!seq.done()) {
        if (!m_session.transport().usable())
            return failUpload(QStringLiteral("Port Lost.\r\n"));
        // The window was closed meanwhile: stop between two requests rather than run on unseen.
        if (applicationEnding())
            return failUpload(QStringLiteral("Update Stopped: Closing.\r\n"));
        m_session.transport().serviceReceiveDirect();
        const UploadStep step = seq.next(m_session.transport().rxText());
        if (!takeStep(step, seq, send, checkClock))
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

bool IspUpload::takeStep(const UploadStep &step, const firmware::UploadSequencer &seq, const SendRequest &send,
                         QElapsedTimer &checkClock)
{
    switch (step.kind) {
    case UploadStep::Kind::Address:
        send(Command::FW_ADDR, step.payload);
        return true;
    case UploadStep::Kind::Data:
        send(Command::FW_DATA, step.payload);
        if (step.pauseAfterMs > 0)
            pauseWithEvents(step.pauseAfterMs);
        if (step.percent >= 0) {
            setStatus(QString::number(step.percent) + QLatin1Char('%'), false);
            emit progressChanged(step.percent);
        }
        return true;
    case UploadStep::Kind::Check:
    case UploadStep::Kind::Wait:
        if (!checkClock.isValid())
            checkClock.start();
        else if (checkClock.elapsed() >= checkTimeoutMs)
            return failUpload(QStringLiteral("No Block Check Answer.\r\n"));
        if (step.kind == UploadStep::Kind::Check)
            send(Command::FW_CHK, {});
        else
            pauseWithEvents(5); // the rest of the answer is on its way
        return true;
    case UploadStep::Kind::Verdict:
        checkClock.invalidate();
        if (!step.warning.empty())
            m_session.debugLog().append(QString::fromLatin1(step.warning) + QStringLiteral("\r\n"));
        if (step.giveUp)
            return failUpload(QStringLiteral("Block Check Failed %1 Times.\r\n").arg(firmware::kMaxBlockMismatches));
        return true;
    case UploadStep::Kind::End:
        setStatus(QStringLiteral("100%"), false);
        emit progressChanged(100);
        if (step.pauseBeforeMs > 0)
            pauseWithEvents(step.pauseBeforeMs);
        // The last chunk went out, but the update counts only once FW_END has reached a port
        // that is still there.
        if (send(Command::FW_END, {}).outcome == CommandResult::Outcome::NotSent ||
            !m_session.transport().usable())
            return failUpload(QStringLiteral("Port Lost.\r\n"));
        if (!seq.endConfirmed())
            m_session.debugLog().append(QString::fromLatin1(unconfirmedEndText) + QStringLiteral("\r\n"));
        return true;
    }
    return true;
}
