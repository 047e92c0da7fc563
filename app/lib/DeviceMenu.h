#pragma once

#include <QObject>
#include <QString>

class DeviceSession;
class QAction;
class QMenuBar;
class QProgressDialog;
class QWidget;

// The main window's "Device" menu: "Back up all slots…" and "Restore from backup…", enabled while a
// serial device runs its normal firmware. Both show a progress dialog (slot, percentage, Cancel,
// which stops between slots) and end with a summary box.
class DeviceMenu : public QObject
{
    Q_OBJECT
  public:
    DeviceMenu(DeviceSession &session, QMenuBar &menuBar, QWidget &window);

    QAction *backupAction() const { return m_backup; }
    QAction *restoreAction() const { return m_restore; }

    // The folder comes from the dialogs' folder chooser when none is given; a box shows the summary.
    void backUpAllSlots(const QString &folder = QString());
    void restoreFromBackup(const QString &folder = QString());

  private:
    void updateEnabled(bool connected, bool ispMode);
    bool running() const { return m_running; }

    DeviceSession &m_session;
    QWidget &m_window;
    QAction *m_backup = nullptr;
    QAction *m_restore = nullptr;
    bool m_running = false;
};
