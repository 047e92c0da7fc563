#pragma once

#include <QWidget>

class DebugLog;
class DeviceSession;
class FirmwareGroup;
class IspUpload;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;
class SystemSettings;

// The "System" page (TabSheet2): the "Firmware" group (open an image, update a device in ISP mode)
// and the "Configuration" group (description string, reset to defaults).
class SystemPage : public QWidget
{
    Q_OBJECT
  public:
    explicit SystemPage(DebugLog &log, QWidget *parent = nullptr);

    DebugLog &debugLog() const { return m_log; }

    // Creates the page's logic on the session and wires the controls to it (once, at start-up).
    void attach(DeviceSession &session);
    IspUpload *upload() const { return m_upload; }
    SystemSettings *settings() const { return m_settings; }

    FirmwareGroup *firmwareGroup() const { return m_firmware; }
    QGroupBox *configurationGroup() const { return m_config; }
    QLineEdit *productStringEdit() const { return m_productString; }

  private:
    void showLabel9(const QString &text, bool red);
    void updateDeviceActions();

    DebugLog &m_log;
    FirmwareGroup *m_firmware;
    QGroupBox *m_config;
    QLineEdit *m_productString;
    QLabel *m_label9;
    QToolButton *m_sysConfig;
    QToolButton *m_sysDefault;
    IspUpload *m_upload = nullptr;
    SystemSettings *m_settings = nullptr;
    DeviceSession *m_session = nullptr;
};
