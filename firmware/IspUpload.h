#pragma once

// The firmware update of a device that runs its ISP loader: opening an image, the checks and the
// confirmation before an update, and the upload itself through the session's command sender.
// No widgets: the "Firmware" group follows the signals, kelmctl prints them.

#include <QObject>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "link/CommandResult.h"
#include "link/Protocol.h"

class DeviceSession;
class QElapsedTimer;

class IspUpload : public QObject
{
    Q_OBJECT
  public:
    explicit IspUpload(DeviceSession &session, QObject *parent = nullptr);

    // FW_CHK repeated this long without a "$CHK" answer ends the update as failed.
    static constexpr int checkTimeoutMs = 5000;
    static const QString failedText; // "Update Fw Failed."
    // Logged after FW_END when the loader confirmed nothing after the last block check (the first
    // loader never answers; the second checks whole blocks only).
    static constexpr const char *unconfirmedEndText = "Fw End Sent: the device did not confirm the end.";

    // SpeedButton_OpenFw: the open-file dialog, then the image it names (the previous choice when
    // the dialog is cancelled).
    void openFirmwareImage();
    // The same without the dialog (kelmctl, tests): the path becomes the current image.
    void openImageFile(const QString &path);
    QString imagePath() const { return m_imagePath; }

    // SpeedButton_UpdateFw: the checks, the confirmation box at confirmAt (the "Commander" window's
    // left + 115, top + 130), then the upload. True when the upload ran to its end.
    bool startFirmwareUpdate(const QPoint *confirmAt = nullptr);
    // The upload to a loader of this variant, to its end, failure or time-out.
    bool uploadFirmware(firmware::IspVariant variant);

    bool running() const { return m_running; }

  signals:
    // Label1: a percentage or a result; red for errors.
    void statusChanged(const QString &text, bool red);
    // Label1 keeps its text and changes colour.
    void statusRedChanged(bool red);
    // Label_FW_Version.
    void versionTextChanged(const QString &text);
    // Edit_Fw_Path.
    void imagePathChanged(const QString &path);
    // The upload's percentage, 0 to 100 (also shown in Label1).
    void progressChanged(int percent);
    void runningChanged(bool running);
    // A request was refused because an upload holds the link.
    void refused(const QString &why);

  private:
    // A SET of one loader command, as the link hold sends it.
    using SendRequest = std::function<CommandResult(Command, std::span<const std::uint8_t>)>;

    void setStatus(const QString &text, bool red);
    bool failUpload(const QString &logLine);
    // The loop of requests over the image, under the link hold; false once it failed (shown).
    bool runUpload(firmware::IspVariant variant, const std::vector<std::uint8_t> &image);
    // One step the sequencer gave; false when it ended the update as failed.
    bool takeStep(const firmware::UploadStep &step, const firmware::UploadSequencer &seq, const SendRequest &send,
                  QElapsedTimer &checkClock);

    DeviceSession &m_session;
    QString m_imagePath;
    bool m_running = false;
};
