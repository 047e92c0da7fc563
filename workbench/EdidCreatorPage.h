#pragma once

#include <QColor>
#include <QHash>
#include <QWidget>

#include "edid/CreatorState.h"
#include "edid/CreatorUndo.h"
#include "edid/EdidImage.h"
#include "workbench/creator/CreatorControls.h"
#include "link/Protocol.h"

#include "link/CommandChannel.h"

class DeviceSession;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QTabWidget;
class QToolButton;
struct CreatorLoadVerdict;
struct CreatorRuleReaction;
struct EdidFeatureRecord;

// The "EDID Creator" page (TabSheet4): composes an EDID from the controls of seven sub-pages and
// saves it to a file or uploads it into an input or user slot. The sub-pages (creator/) make their
// controls from the tables of edid/CreatorTables.h, named after the CreatorState members, so
// reading the page into a state and writing a state into the page walk the same list. This page
// keeps the frame, the checks and rules, and the four buttons, whose file and device work is done
// by link/SlotTransfer.h. The creator record (the image and its status bits) lives in the session.
class EdidCreatorPage : public QWidget
{
    Q_OBJECT
  public:
    explicit EdidCreatorPage(DeviceSession &session, QWidget *parent = nullptr);

    static constexpr const char *kEdidFileFilter = "EDID (*.bin)|*.bin";
    static constexpr const char *kProposedFileName = "Created EDID.bin";
    // Logged after a DVI build that kept the loaded extension (it has no HDMI block).
    static constexpr const char *kExtensionKeptText =
        "Extension block kept as loaded (no HDMI block, format DVI).\r\n";
    static constexpr const char *kSelectFirstText = "Please select \"NEW\" or \"OPEN\"";
    static constexpr const char *kCreateErrorText = "Create Error!";
    static constexpr const char *kLeftOutPrefix = "Left out: ";

    // SpeedButton_CopyEdid_Creator, whose look follows the connection.
    QToolButton *uploadButton() const { return m_uploadButton; }

    // The controls as a state, and a state shown in the controls. Writing runs the field checks of
    // every text that changes but not the HDR rule; the mirror box of a speaker pair follows its box.
    CreatorState readState() const;
    void writeState(const CreatorState &state);

    // The analysed image carried over from the EDID Analyzer (Modify): it reads as an image opened
    // from a file, and the "Descriptor" sub-page comes to the front.
    void modifyFromImage(const EdidImage &image);

    // Handlers, public so the window and the tests can run them as a click would.
    void SpeedButton_OpenEdid_NewClick();
    void SpeedButton_OpenEdid_CreatorClick();
    void SpeedButton_SaveEdid_CreatorClick();
    void SpeedButton_CopyEdid_CreatorClick();
    void ComboBox_EdidSel_UploadChange(int index);
    void ScrollBox1MouseWheelDown();
    void ScrollBox1MouseWheelUp();
    void TabSheet11Show();
    // Ctrl+Z / Ctrl+Shift+Z and the two buttons beside the warning line: a step back or forward
    // through the control changes since the last NEW, OPEN or Modify; the checks follow.
    void undo();
    void redo();
    bool canUndo() const { return m_undo.canUndo(); }
    bool canRedo() const { return m_undo.canRedo(); }

    EdidFeatureRecord &creatorRecord();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void buildFrame();
    void bindControls();

    void loadRecordImage();
    void showLoadVerdict(const CreatorLoadVerdict &verdict);
    void updateUploadButton();
    void fileDialogBracket(Command command);
    bool buildIntoRecord();
    void showLeftOut();
    void logKeptExtension(const EdidImage &built);
    bool refuseInvalidImage();
    void refuseWithoutImage();
    void fieldChanged(const QString &name);
    void applyReaction(const CreatorRuleReaction &reaction);
    void speakerClicked(QCheckBox *clicked, QCheckBox *partner);
    void fillUploadList();
    void connectionChanged(bool connected, bool ispMode);
    void setStatusText(const QString &text, const QColor &color);
    void setWarning(const QString &text, const QColor &color);
    void controlsChanged();
    void showStep(const CreatorState *state);

    DeviceSession &m_session;
    CreatorControlSet m_controls; // every control by the name of its state member
    bool m_loading = false;
    bool m_stepping = false; // an undo or redo writes the controls
    CreatorUndo m_undo;
    QToolButton *m_undoButton = nullptr;
    QToolButton *m_redoButton = nullptr;
    bool m_uploading = false;
    QString m_leftOut; // what the last build could not fit, as Label3 names it
    // The device operation of Open's SYS_STM/SYS_CTM bracket around its file dialog.
    CommandChannel::Operation m_dialogBracket;

    QGroupBox *m_selectGroup = nullptr;
    QToolButton *m_newButton = nullptr;
    QToolButton *m_openButton = nullptr;
    QToolButton *m_saveButton = nullptr;
    QToolButton *m_uploadButton = nullptr;
    QComboBox *m_uploadList = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_warningLabel = nullptr;
    QTabWidget *m_pages = nullptr;
    QScrollArea *m_audio2Scroll = nullptr;
    QWidget *m_audio2Page = nullptr;
};

// Text and caption colours of the page.
namespace creatorcolors {
inline const QColor red(255, 0, 0);
inline const QColor black(0, 0, 0);
inline const QColor navy(0, 0, 128);
} // namespace creatorcolors

// The text colour a control shows (edit text or check box caption).
QColor creatorTextColor(const QWidget *control);
