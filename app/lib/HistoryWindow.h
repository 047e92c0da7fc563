#pragma once

#include <QList>
#include <QWidget>

#include "link/SlotHistory.h"

class DeviceSession;
class EdidCompareWindow;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

// The Device menu's "History…" window: the slot writes of the connected device, newest first, with
// the Analyzer's name and resolution of what each replaced and what it wrote. Compare opens the
// Compare window with both images; "Write back" writes the chosen write's "before" image into its
// slot again (after a confirmation, as one device operation, read back, itself recorded).
class HistoryWindow : public QWidget
{
    Q_OBJECT
  public:
    HistoryWindow(DeviceSession &session, QWidget *parent = nullptr);

    // Reads the history of the connected device again.
    void reload();
    // Row of the table (newest first); -1 for none.
    void compare(int row);
    // True when the slot holds the image again (read back).
    bool writeBack(int row);

    const QList<HistoryEntry> &entries() const { return m_entries; }
    QTableWidget *table() const { return m_table; }
    EdidCompareWindow *compareWindow() const { return m_compare; }
    QString statusText() const;

  private:
    void updateButtons();
    void showResult(const QString &text, bool ok);

    DeviceSession &m_session;
    QList<HistoryEntry> m_entries;
    QLabel *m_device = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_compareButton = nullptr;
    QPushButton *m_writeBackButton = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    EdidCompareWindow *m_compare = nullptr;
    bool m_writing = false;
};
