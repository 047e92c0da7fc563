#pragma once

// The "Firmware" group of the System page (GroupBox4). Its children sit at fixed places, so the
// connection can cut the group to 48 pixels (only Label_FW_Version shows, for a device in normal
// mode) or open it to 155 (the whole group, for a device in ISP mode).

#include <QGroupBox>

class IspUpload;
class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;

class FirmwareGroup : public QGroupBox
{
    Q_OBJECT
  public:
    static constexpr int collapsedHeight = 48;
    static constexpr int fullHeight = 155;

    explicit FirmwareGroup(QWidget *parent = nullptr);

    // Follows the upload's signals and sends the buttons' clicks to it.
    void bind(IspUpload &upload);

    QLabel *versionLabel() const { return m_version; }
    QLabel *statusLabel() const { return m_status; }
    QLineEdit *pathEdit() const { return m_path; }
    QToolButton *openButton() const { return m_open; }
    QToolButton *updateButton() const { return m_update; }

  protected:
    void resizeEvent(QResizeEvent *event) override;

  private:
    void place();
    void showStatus(const QString &text, bool red);

    QLabel *m_version;
    QLineEdit *m_path;
    QToolButton *m_open;
    QToolButton *m_update;
    QLabel *m_status;
    QProgressBar *m_progress;
};
