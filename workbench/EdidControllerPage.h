#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <cstdint>

#include "workbench/ModeSelectGroup.h"

class DebugLog;
class DeviceSession;
class EdidAnalyzerWindow;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QToolButton;
struct SlotCounts;

// The "EDID Controller" page (TabSheet1): the input's EDID mode, copying one slot into another,
// and saving, uploading and analysing one slot. Speed buttons start with their unavailable look;
// the connection swaps them when a device connects. The handlers run the routines of
// link/SlotTransfer.h (the same ones kelmctl runs) and add the page's dialogs, labels and waits.
class EdidControllerPage : public QWidget
{
    Q_OBJECT
  public:
    explicit EdidControllerPage(DebugLog &log, QWidget *parent = nullptr);

    // Rows of mode buttons per column.
    static constexpr int kModeRows = ModeSelectGroup::kRows;
    // Height of the "Mode Select" group with one row of buttons; each further row adds kModeRowStep.
    static constexpr int kModeGroupHeight = ModeSelectGroup::kOneRowHeight;
    static constexpr int kModeRowStep = ModeSelectGroup::kRowStep;
    // The filter of both file dialogs.
    static constexpr const char *kEdidFileFilter = "EDID (*.bin)|*.bin";

    DebugLog &debugLog() const { return m_log; }

    // The "Copy" panel (Panel52) and the "Mode Select" group (GroupBox12), which choosing a device
    // shows and sizes.
    QWidget *copyPanel() const;
    ModeSelectGroup *modeSelectGroup() const;
    // The device operations' speed buttons, whose looks follow the connection.
    QToolButton *openButton() const { return m_openButton; }
    QToolButton *saveButton() const { return m_saveButton; }
    QToolButton *copyButton() const { return m_copyButton; }
    QToolButton *analysisButton() const { return m_analysisButton; }

    // Connects the page to the device link: the slot lists, the mode buttons' enabling and reports,
    // and the handlers' device operations. The analyzer window is where Analysis shows its answers.
    void attachSession(DeviceSession &session, EdidAnalyzerWindow *analyzer = nullptr);

    // Handlers (public so the window and the tests can run them as a click would).
    void ComboBox_EdidSel_AllChange(int index);
    void SpeedButton_SaveEdidClick();
    void SpeedButton_OpenEdidClick();
    void SpeedButton_AnalysisEdidClick();
    void SpeedButton_CopyEdid_Src2DestClick();
    // A mode button was pressed: kind is an EdidModeKind, number from 1.
    void modeButtonPressed(int kind, int number);
    // The device reported the mode input 1 presents.
    void applyEdidModeReport(std::uint8_t mode);

  private:
    void buildModeGroup();
    void buildCopyPanel();
    void buildFileGroup();
    // A device is connected and no network device is chosen.
    bool deviceConnected() const;
    void updateDeviceActions();
    SlotCounts counts() const;
    void showStatus(const QString &text, const QColor &color);
    void showError(const QString &text, int ms);
    EdidAnalyzerWindow *analyzer() const;

    DebugLog &m_log;
    DeviceSession *m_session = nullptr;
    EdidAnalyzerWindow *m_analyzer = nullptr;
    ModeSelectGroup *m_modeGroup = nullptr;
    QFrame *m_copyPanel = nullptr;
    QComboBox *m_srcList = nullptr;
    QComboBox *m_destList = nullptr;
    QToolButton *m_copyButton = nullptr;
    QGroupBox *m_fileGroup = nullptr;
    QComboBox *m_allList = nullptr;
    QLabel *m_status = nullptr;
    QToolButton *m_saveButton = nullptr;
    QToolButton *m_openButton = nullptr;
    QToolButton *m_analysisButton = nullptr;
    QPointer<QWidget> m_focusBeforeDisable;
};
