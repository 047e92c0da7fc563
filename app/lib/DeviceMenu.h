#pragma once

#include <QObject>
#include <QString>

class DeviceSession;
class HistoryWindow;
class QAction;
class QMenuBar;
class QProgressDialog;
class QWidget;

// The main window's "Device" menu: "Back up all slots…", "Restore from backup…" and "History…",
// enabled while a serial device runs its normal firmware. Both show a progress dialog (slot, percentage, Cancel,
// which stops between slots) and end with a summary box.
class DeviceMenu : public QObject
{
    Q_OBJECT
  public:
    DeviceMenu(DeviceSession &session, QMenuBar &menuBar, QWidget &window);

    QAction *backupAction() const { return m_backup; }
    QAction *restoreAction() const { return m_restore; }
    QAction *historyAction() const { return m_history; }

    // The folder comes from the dialogs' folder chooser when none is given; a box shows the summary.
    void backUpAllSlots(const QString &folder = QString());
    void restoreFromBackup(const QString &folder = QString());
    // "History…": the window, made on first use and read again each time it is shown.
    HistoryWindow *showHistory();

  private:
    void updateEnabled(bool connected, bool ispMode);
    bool running() const { return m_running; }

    DeviceSession &m_session;
    QWidget &m_window;
    QAction *m_backup = nullptr;
    QAction *m_restore = nullptr;
    QAction *m_history = nullptr;
    HistoryWindow *m_historyWindow = nullptr;
    bool m_running = false;
};
