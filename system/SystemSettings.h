#pragma once

// The "Configuration" group's logic: the device's description string and the reset to defaults,
// on the selected serial device through the session's command sender. No widgets: the group follows
// the signals, kelmctl calls the same routines.

#include <QObject>
#include <QPoint>
#include <QString>

class DeviceSession;

class SystemSettings : public QObject
{
    Q_OBJECT
  public:
    explicit SystemSettings(DeviceSession &session, QObject *parent = nullptr);

    // The device keeps at most this many characters of its description.
    static constexpr int maxProductStringLength = 31;

    // Label9's length feedback for a text being typed: empty and black up to 31 characters,
    // "31 Letters Limited!" in red from 32 on. Nothing is cut.
    struct Feedback
    {
        QString text;
        bool red = false;
    };
    static Feedback lengthFeedback(const QString &text);
    // The SYS_STR payload: the first 31 characters, one byte each, or one space for an empty text.
    static QByteArray productStringPayload(const QString &text);

    // Failed: the device did not answer (Label9 shows "Set Failed." or "Reset Failed." in red).
    enum class Result { Sent, Unchanged, Cancelled, NotConnected, Busy, Failed };

    // SpeedButton_SysConfig: sends the text when it differs from the stored productString.
    Result applyProductString(const QString &text);
    // SpeedButton_SysDefault: asks (box at confirmAt, the "Commander" window's left + 115, top + 130),
    // resets the device and reads its description again.
    Result resetToDefaults(const QPoint *confirmAt = nullptr);

    // The selected device's stored description (empty when there is no such record).
    QString productString() const;
    bool busy() const { return m_busy; }
    // What went wrong first in the last Failed operation ("no answer to SET SYS_STR", ...).
    QString lastFailure() const { return m_lastFailure; }

  signals:
    // Label9: "Ok.", "No Changed.", empty, or the length feedback.
    void statusChanged(const QString &text, bool red);
    // Edit_Product_String shows this after a reset.
    void productStringShown(const QString &text);
    void busyChanged(bool busy);

  private:
    bool ready();
    void setBusy(bool busy);
    void showInDeviceList(int device);

    DeviceSession &m_session;
    bool m_busy = false;
    QString m_lastFailure;
    int m_statusGeneration = 0; // the failure text a delayed clear belongs to
};
