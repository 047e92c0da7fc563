#include "workbench/EdidCreatorPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFormLayout>
#include <QKeyEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <functional>

#include "shell/DebugLog.h"
#include "shell/Dialogs.h"
#include "shell/Pause.h"
#include "shell/file/FileWriter.h"
#include "edid/CreatorBuilder.h"
#include "edid/CreatorFieldChecks.h"
#include "edid/CreatorLoadVerdict.h"
#include "edid/CreatorLoader.h"
#include "edid/CreatorRules.h"
#include "edid/CreatorTables.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidEncoder.h"
#include "edid/EdidFeatureRecord.h"
#include "edid/NewEdidTemplate.h"
#include "link/DeviceSession.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "workbench/ConformanceLog.h"
#include "workbench/Glyph.h"
#include "workbench/creator/CreatorControls.h"
#include "workbench/creator/CreatorSubPages.h"
#include "workbench/SlotListCombo.h"
#include "shell/Latin1.h"

using namespace creatorui;

namespace {

constexpr int kRefusalPauseMs = 2000;
constexpr int kCreateErrorPauseMs = 1000;
constexpr int kUploadDonePauseMs = 800;
constexpr int kUploadButtonPauseMs = 150;
constexpr int kWheelStep = 15;

std::string latin1(const QString &text)
{
    return text.toLatin1().toStdString();
}

// Narrower tab padding, so the seven sub-page tabs fit side by side in the 450-pixel window.
class CompactTabStyle : public QProxyStyle
{
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_TabBarTabHSpace)
            return 5;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// A sub-page's scroll area asks for all of its content, so the window that hosts the pages can grow
// until nothing needs scrolling (a plain scroll area caps its wish at a few dozen lines).
class SubPageScrollArea : public QScrollArea
{
  public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override
    {
        if (!widget())
            return QScrollArea::sizeHint();
        const int frame = 2 * frameWidth();
        return widget()->sizeHint() + QSize(frame, frame);
    }
};

} // namespace

QColor creatorTextColor(const QWidget *control)
{
    if (qobject_cast<const QLineEdit *>(control))
        return control->palette().color(QPalette::Text);
    return control->palette().color(QPalette::WindowText);
}

EdidCreatorPage::EdidCreatorPage(DeviceSession &session, QWidget *parent)
    : QWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("TabSheet4"));
    buildFrame();

    auto addPage = [this](const char *name, const QString &caption) {
        auto *page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        m_pages->addTab(page, caption);
        return page;
    };
    // In a small page control a sub-page scrolls rather than squeezing its controls together.
    auto addScrolledPage = [&addPage](const char *name, const QString &caption) {
        QWidget *page = addPage(name, caption);
        auto *fill = new QVBoxLayout(page);
        fill->setContentsMargins(0, 0, 0, 0);
        auto *scroll = new SubPageScrollArea(page);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to the controls it holds
        scroll->setWidgetResizable(true);
        auto *content = new QWidget;
        content->setObjectName(QString::fromLatin1(name) + QStringLiteral("_Content"));
        scroll->setWidget(content);
        fill->addWidget(scroll);
        return content;
    };
    // A scrolled sub-page: its builder fills the content, which then gets its margins.
    auto scrolled = [&](const char *name, const QString &caption,
                        const std::function<void(CreatorControlSet &, QWidget *)> &build) {
        QWidget *content = addScrolledPage(name, caption);
        build(m_controls, content);
        if (content->layout())
            content->layout()->setContentsMargins(4, 4, 4, 4);
    };
    scrolled("TabSheet5", QStringLiteral("Descriptor"), buildDescriptorPage);
    scrolled("TabSheet6", QStringLiteral("PC Timing"), buildPcTimingPage);
    scrolled("TabSheet7", QStringLiteral("SD/HD/UHD"), buildVideoPage);
    scrolled("TabSheet8", QStringLiteral("Audio1"), [this](CreatorControlSet &controls, QWidget *content) {
        buildAudio1Page(controls, content,
                        [this](QCheckBox *clicked, QCheckBox *partner) { speakerClicked(clicked, partner); });
    });
    m_audio2Page = addPage("TabSheet11", QStringLiteral("Audio2"));
    m_audio2Scroll = buildAudio2Page(m_controls, m_audio2Page);
    m_audio2Scroll->viewport()->installEventFilter(this);
    m_audio2Page->installEventFilter(this);
    scrolled("TabSheet12", QStringLiteral("Color Space"), buildColorSpacePage);
    scrolled("TabSheet13", QStringLiteral("Others"), buildOthersPage);
    m_pages->setCurrentIndex(0);

    bindControls();
    m_undo.reset(readState());

    connect(&m_session, &DeviceSession::slotListsChanged, this, &EdidCreatorPage::fillUploadList);
    connect(&m_session.serialSearch(), &SerialSearch::connectionChanged, this,
            &EdidCreatorPage::connectionChanged);
    connect(&m_session, &DeviceSession::selectionChanged, this, &EdidCreatorPage::updateUploadButton);
    connect(&m_session.channel(), &CommandChannel::operationRunningChanged, this,
            &EdidCreatorPage::updateUploadButton);
    fillUploadList();
}

EdidFeatureRecord &EdidCreatorPage::creatorRecord()
{
    return m_session.creatorRecord();
}

// ----- the frame around the sub-pages ----------------------------------------------------------

void EdidCreatorPage::buildFrame()
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);

    m_selectGroup = new QGroupBox(QStringLiteral("Select"), this);
    m_selectGroup->setObjectName(QStringLiteral("GroupBox9"));
    auto *selectRow = new QHBoxLayout(m_selectGroup);

    auto speedButton = [](QWidget *parent, const char *name, const char *caption, const char *glyph,
                          const char *tip) {
        auto *button = new QToolButton(parent);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(QString::fromLatin1(caption));
        button->setToolTip(QString::fromLatin1(tip));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        setGlyph(button, QString::fromLatin1(glyph));
        return button;
    };
    m_newButton = speedButton(m_selectGroup, "SpeedButton_OpenEdid_New", "NEW", "BrandNewColor",
                              "Start from the built-in template");
    m_openButton = speedButton(m_selectGroup, "SpeedButton_OpenEdid_Creator", "OPEN", "OpenColor",
                               "Start from an EDID file");
    m_saveButton = speedButton(m_selectGroup, "SpeedButton_SaveEdid_Creator", "Save", "SaveColor",
                               "Build the EDID and save it to a file");
    selectRow->addWidget(m_newButton);
    selectRow->addWidget(m_openButton);
    selectRow->addWidget(m_saveButton);

    auto *uploadFrame = new QFrame(m_selectGroup);
    uploadFrame->setObjectName(QStringLiteral("Panel_Creator_Upload"));
    uploadFrame->setFrameShape(QFrame::StyledPanel);
    auto *uploadGrid = new QGridLayout(uploadFrame);
    uploadGrid->setContentsMargins(6, 6, 6, 6);
    m_uploadButton = speedButton(uploadFrame, "SpeedButton_CopyEdid_Creator", "Upload", "CopyUpGray",
                                 "Build the EDID and upload it into the chosen slot");
    m_uploadList = new QComboBox(uploadFrame);
    m_uploadList->setObjectName(QStringLiteral("ComboBox_EdidSel_Upload"));
    m_uploadList->setMinimumWidth(140);
    m_statusLabel = new QLabel(uploadFrame);
    m_statusLabel->setObjectName(QStringLiteral("Label3"));
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setFont(boldFont(m_statusLabel));
    m_statusLabel->setMinimumWidth(165); // "Illegal Edid CheckSum0." in bold
    uploadGrid->addWidget(m_uploadButton, 0, 0, 2, 1);
    uploadGrid->addWidget(m_uploadList, 0, 1);
    uploadGrid->addWidget(m_statusLabel, 1, 1);
    selectRow->addWidget(uploadFrame);

    auto *frameRow = new QHBoxLayout;
    frameRow->addWidget(m_selectGroup);
    frameRow->addStretch(1);
    top->addLayout(frameRow);

    m_warningLabel = new QLabel(this);
    m_warningLabel->setObjectName(QStringLiteral("Label_EdidCreator_Warning"));
    m_warningLabel->setTextFormat(Qt::PlainText);
    m_warningLabel->setFont(boldFont(m_warningLabel));
    m_warningLabel->setMinimumHeight(m_warningLabel->fontMetrics().height() + 4);
    paintText(m_warningLabel, creatorcolors::red);
    // Undo and redo sit at the right end of the warning line, the one place the page has room.
    auto *warningRow = new QHBoxLayout;
    warningRow->addWidget(m_warningLabel, 1);
    auto stepButton = [this, warningRow](const char *name, const QString &caption, const QString &tip) {
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(caption);
        button->setToolTip(tip);
        button->setAutoRaise(true);
        button->setEnabled(false);
        warningRow->addWidget(button);
        return button;
    };
    m_undoButton = stepButton("Button_Creator_Undo", QStringLiteral("Undo"), QStringLiteral("Undo the last change (Ctrl+Z)"));
    m_redoButton =
        stepButton("Button_Creator_Redo", QStringLiteral("Redo"), QStringLiteral("Redo the change undone (Ctrl+Shift+Z)"));
    top->addLayout(warningRow);
    connect(m_undoButton, &QToolButton::clicked, this, &EdidCreatorPage::undo);
    connect(m_redoButton, &QToolButton::clicked, this, &EdidCreatorPage::redo);
    auto *undoKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this, this, &EdidCreatorPage::undo);
    undoKey->setContext(Qt::WidgetWithChildrenShortcut);
    auto *redoKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this, this, &EdidCreatorPage::redo);
    redoKey->setContext(Qt::WidgetWithChildrenShortcut);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl2"));
    auto *tabStyle = new CompactTabStyle;
    tabStyle->setParent(m_pages);
    m_pages->tabBar()->setStyle(tabStyle);
    m_pages->setUsesScrollButtons(false); // every sub-page's tab stays in sight
    top->addWidget(m_pages, 1);

    connect(m_newButton, &QToolButton::clicked, this, &EdidCreatorPage::SpeedButton_OpenEdid_NewClick);
    connect(m_openButton, &QToolButton::clicked, this, &EdidCreatorPage::SpeedButton_OpenEdid_CreatorClick);
    connect(m_saveButton, &QToolButton::clicked, this, &EdidCreatorPage::SpeedButton_SaveEdid_CreatorClick);
    connect(m_uploadButton, &QToolButton::clicked, this, &EdidCreatorPage::SpeedButton_CopyEdid_CreatorClick);
    installSeparatorSkip(m_uploadList, [this](int index) { ComboBox_EdidSel_UploadChange(index); });
}

// Every member of the state has its control; the handlers that belong to a control hang here.
void EdidCreatorPage::bindControls()
{
    for (const CreatorField &field : creatorFields()) {
        const QString name = QString::fromLatin1(field.name);
        if (field.flag) {
            QAbstractButton *button = m_controls.button(name);
            Q_ASSERT_X(button, "EdidCreatorPage", field.name);
            if (button) {
                connect(button, &QAbstractButton::toggled, this, &EdidCreatorPage::controlsChanged);
            }
        } else {
            QLineEdit *edit = m_controls.edit(name);
            Q_ASSERT_X(edit, "EdidCreatorPage", field.name);
            if (!edit)
                continue;
            connect(edit, &QLineEdit::textChanged, this, [this, name] {
                fieldChanged(name);
                controlsChanged();
            });
            // The page's undo, not the edit's own, answers Ctrl+Z.
            edit->installEventFilter(this);
        }
    }

    for (const char *hdrName : hdrBoxNames()) {
        const std::string box = hdrName;
        connect(m_controls.button(QString::fromLatin1(hdrName)), &QAbstractButton::clicked, this,
                [this, box] {
                    if (!m_loading)
                        applyReaction(hdrBoxClicked(readState(), box));
                });
    }
    for (const char *fourKName : fourKBoxNames()) {
        const std::string box = fourKName;
        connect(m_controls.button(QString::fromLatin1(fourKName)), &QAbstractButton::clicked, this,
                [this, box] {
                    if (!m_loading)
                        applyReaction(fourKBoxClicked(readState(), box));
                });
    }
}

// ----- state and controls ------------------------------------------------------------------------

CreatorState EdidCreatorPage::readState() const
{
    CreatorState state;
    for (const CreatorField &field : creatorFields()) {
        const QString name = QString::fromLatin1(field.name);
        if (field.flag) {
            if (const QAbstractButton *button = m_controls.button(name))
                state.*(field.flag) = button->isChecked();
        } else if (const QLineEdit *edit = m_controls.edit(name)) {
            state.*(field.text) = latin1(edit->text());
        }
    }
    return state;
}

void EdidCreatorPage::writeState(const CreatorState &state)
{
    m_loading = true;
    for (const CreatorField &field : creatorFields()) {
        const QString name = QString::fromLatin1(field.name);
        if (field.flag) {
            if (QAbstractButton *button = m_controls.button(name))
                button->setChecked(state.*(field.flag));
        } else if (QLineEdit *edit = m_controls.edit(name)) {
            edit->setText(latin1(state.*(field.text))); // runs the field's check when it changes
        }
    }
    // A pair is always marked together, also after a load.
    for (const SpeakerBox &entry : speakerBoxes())
        if (entry.mirrorName)
            if (QAbstractButton *mirror = m_controls.button(QString::fromLatin1(entry.mirrorName)))
                mirror->setChecked(state.*(entry.box.member));
    m_loading = false;
}

// ----- checks and rules --------------------------------------------------------------------------

void EdidCreatorPage::controlsChanged()
{
    if (m_loading || m_stepping)
        return;
    m_undo.record(readState());
    m_undoButton->setEnabled(m_undo.canUndo());
    m_redoButton->setEnabled(m_undo.canRedo());
}

void EdidCreatorPage::undo()
{
    showStep(m_undo.undo());
}

void EdidCreatorPage::redo()
{
    showStep(m_undo.redo());
}

void EdidCreatorPage::showStep(const CreatorState *state)
{
    if (state) {
        m_stepping = true;
        writeState(*state);
        m_stepping = false;
        // The warning line and colours describe the values shown, as after a load.
        showLoadVerdict(creatorLoadVerdict(*state));
    }
    m_undoButton->setEnabled(m_undo.canUndo());
    m_redoButton->setEnabled(m_undo.canRedo());
}

void EdidCreatorPage::fieldChanged(const QString &name)
{
    // A step's values are checked as a whole afterwards (no message box per field).
    if (m_stepping)
        return;
    QLineEdit *edit = m_controls.edit(name);
    if (!edit)
        return;
    const CreatorFieldCheck *check = fieldCheckForChange(latin1(name));
    if (!check)
        return;
    QLineEdit *checked = m_controls.edit(QString::fromLatin1(check->field.name));
    if (!checked)
        return;
    const FieldCheckResult result = runFieldCheck(check->kind, latin1(checked->text()));
    EdidFeatureRecord &record = creatorRecord();
    switch (result.outcome) {
    case FieldCheckOutcome::Skip:
        return;
    case FieldCheckOutcome::ConversionError:
        dialogs().error(QApplication::applicationDisplayName(), latin1(result.message));
        return;
    case FieldCheckOutcome::Fail:
        setWarning(latin1(result.message), creatorcolors::red);
        paintText(checked, creatorcolors::red);
        break;
    case FieldCheckOutcome::Pass:
        setWarning(QString(), creatorcolors::red);
        paintText(checked, creatorcolors::black);
        break;
    }
    record.status = applyFieldCheck(result, record.status);
}

void EdidCreatorPage::applyReaction(const CreatorRuleReaction &reaction)
{
    if (!reaction.acts)
        return;
    setWarning(latin1(reaction.warning), creatorcolors::red);
    EdidFeatureRecord &record = creatorRecord();
    record.status = applyRuleReaction(reaction, record.status);
    for (const auto &[name, red] : reaction.captionRed)
        if (QAbstractButton *box = m_controls.button(latin1(name)))
            paintText(box, red ? creatorcolors::red : creatorcolors::black);
}

void EdidCreatorPage::speakerClicked(QCheckBox *clicked, QCheckBox *partner)
{
    if (!m_loading)
        partner->setChecked(clicked->isChecked());
}

// ----- labels ------------------------------------------------------------------------------------

void EdidCreatorPage::setStatusText(const QString &text, const QColor &color)
{
    paintText(m_statusLabel, color);
    m_statusLabel->setText(text);
}

void EdidCreatorPage::setWarning(const QString &text, const QColor &color)
{
    paintText(m_warningLabel, color);
    m_warningLabel->setText(text);
}

// ----- NEW, OPEN, Save, Upload -------------------------------------------------------------------

void EdidCreatorPage::loadRecordImage()
{
    EdidFeatureRecord &record = creatorRecord();
    CreatorState state = readState();
    const EdidImage image = record.image;
    loadCreatorFromEdid(state, record, image);
    writeState(state);
    showLoadVerdict(creatorLoadVerdict(state));
    // A loaded image starts a history of its own.
    m_undo.reset(readState());
    m_undoButton->setEnabled(false);
    m_redoButton->setEnabled(false);
}

// The warning line, the colours and the input error bit describe the values as loaded, not what
// the checks of single changes left behind.
void EdidCreatorPage::showLoadVerdict(const CreatorLoadVerdict &verdict)
{
    auto listed = [](const std::vector<std::string> &names, const char *name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const CreatorFieldCheck &check : creatorFieldChecks())
        if (QLineEdit *edit = m_controls.edit(QString::fromLatin1(check.field.name)))
            paintText(edit, listed(verdict.redFields, check.field.name) ? creatorcolors::red : creatorcolors::black);
    for (const char *box : hdrBoxNames())
        if (QAbstractButton *button = m_controls.button(QString::fromLatin1(box)))
            paintText(button, listed(verdict.redHdrBoxes, box) ? creatorcolors::red : creatorcolors::black);
    setWarning(latin1(verdict.warning), creatorcolors::red);
    EdidFeatureRecord &record = creatorRecord();
    record.status = static_cast<EdidStatusWord>((record.status & ~EdidStatus::FieldOutOfLimits) |
                                                (verdict.inputError ? EdidStatus::FieldOutOfLimits : 0));
}

// SYS_STM before a file dialog and SYS_CTM after it tell the serial device; with a network device
// chosen the serial device is not the operator's and hears nothing of it.
// The bracket is a device operation: while another one runs it is left out (the refusal is logged)
// and the file dialog still opens.
void EdidCreatorPage::fileDialogBracket(Command command)
{
    if (command == Command::SYS_STM) {
        if (!m_session.registry().networkSelected())
            m_dialogBracket = m_session.channel().beginOperation(QStringLiteral("Creator open"));
        if (m_dialogBracket)
            m_session.channel().sendCommand(Direction::SET, command, 0);
        return;
    }
    if (m_dialogBracket)
        m_session.channel().sendCommand(Direction::SET, command, 0);
    m_dialogBracket.end();
}

void EdidCreatorPage::SpeedButton_OpenEdid_NewClick()
{
    EdidFeatureRecord &record = creatorRecord();
    record.status |= EdidStatus::FromNew | EdidStatus::HoldsImage;
    record.image = NewEdidTemplate;
    loadRecordImage();
}

void EdidCreatorPage::SpeedButton_OpenEdid_CreatorClick()
{
    fileDialogBracket(Command::SYS_STM);
    const QString path =
        dialogs().openFile(QStringLiteral("Open EDID"), QString::fromLatin1(kEdidFileFilter));
    if (!path.isEmpty()) {
        EdidImage image{};
        if (!readEdidBinFile(QFile::encodeName(path).toStdString(), image)) {
            m_session.debugLog().replace(QString::fromLatin1(kEdidOpenFail));
        } else {
            m_session.debugLog().replace(QString::fromLatin1(kEdidOpenOk));
            EdidFeatureRecord &record = creatorRecord();
            record.status =
                static_cast<EdidStatusWord>((record.status & ~EdidStatus::FromNew) | EdidStatus::HoldsImage);
            record.image = image;
            loadRecordImage();
        }
    }
    fileDialogBracket(Command::SYS_CTM);
}

void EdidCreatorPage::modifyFromImage(const EdidImage &image)
{
    EdidFeatureRecord &record = creatorRecord();
    record.status =
        static_cast<EdidStatusWord>((record.status & ~EdidStatus::FromNew) | EdidStatus::HoldsImage);
    record.image = image;
    loadRecordImage();
    m_pages->setCurrentIndex(0);
}

void EdidCreatorPage::refuseWithoutImage()
{
    setWarning(QString::fromLatin1(kSelectFirstText), creatorcolors::navy);
    setStatusText(QString::fromLatin1(kCreateErrorText), creatorcolors::red);
    pauseWithEvents(kRefusalPauseMs);
    setWarning(QString(), creatorcolors::red);
    setStatusText(QString(), m_statusLabel->palette().color(QPalette::WindowText));
}

// An image that failed validation holds placeholders ("Error."), which must never be built into a
// file or a slot: its messages stay in the status label instead.
bool EdidCreatorPage::refuseInvalidImage()
{
    const EdidStatusWord errors = creatorRecord().status & EdidStatus::ErrorMask;
    if (!errors)
        return false;
    for (const std::string &message : edidValidationMessages(errors))
        setStatusText(latin1(message), creatorcolors::red);
    return true;
}

// A text the build reads that is no number stops the build, with the application's error report.
bool EdidCreatorPage::buildIntoRecord()
{
    std::string error;
    std::vector<std::string> leftOut;
    m_leftOut.clear();
    if (buildCreatorEdid(readState(), creatorRecord(), &error, &leftOut)) {
        QStringList names;
        for (const std::string &name : leftOut)
            names << latin1(name);
        if (!names.isEmpty())
            m_leftOut = QString::fromLatin1(kLeftOutPrefix) + names.join(QStringLiteral("; "));
        return true;
    }
    dialogs().error(QApplication::applicationDisplayName(), latin1(error));
    return false;
}

// What the extension could not hold stays in red where Save and Upload report, and in the log.
void EdidCreatorPage::showLeftOut()
{
    if (m_leftOut.isEmpty())
        return;
    setStatusText(m_leftOut, creatorcolors::red);
    m_session.debugLog().append(m_leftOut + QStringLiteral("\r\n"));
}

// The file or slot gets the loaded extension, not an empty block 1; say so where the user looks.
void EdidCreatorPage::logKeptExtension(const EdidImage &built)
{
    EdidFeatureRecord kept = creatorRecord();
    kept.image = built;
    if (dviKeepsExtension(kept))
        m_session.debugLog().append(QString::fromLatin1(kExtensionKeptText));
}

void EdidCreatorPage::SpeedButton_SaveEdid_CreatorClick()
{
    if (!(creatorRecord().status & EdidStatus::HoldsImage)) {
        refuseWithoutImage();
        return;
    }
    if (refuseInvalidImage())
        return;
    if (!buildIntoRecord())
        return;
    // What was built is what is written, whatever NEW or OPEN do while the dialog and pauses run.
    const EdidImage image = creatorRecord().image;
    ImageSaveHooks hooks;
    hooks.chooseFile = [] {
        return QFile::encodeName(dialogs().saveFile(QStringLiteral("Save EDID"),
                                                    QString::fromLatin1(kEdidFileFilter),
                                                    QString::fromLatin1(kProposedFileName)))
            .toStdString();
    };
    hooks.saved = [this, &image] {
        logKeptExtension(image);
        logConformanceSummary(m_session.debugLog(), image);
    };
    // With a network device chosen the serial device hears nothing of the file dialog.
    CommandChannel::Operation bracket;
    if (!m_session.registry().networkSelected())
        bracket = m_session.channel().beginOperation(QStringLiteral("Creator save"));
    std::string fileError;
    const bool failed = saveImageToFile(m_session, image, hooks, static_cast<bool>(bracket), &fileError) ==
                        ImageSaveResult::Failed;
    bracket.end();
    // The log is hidden: the operator learns of the failure, and why, here.
    if (failed) {
        setStatusText(saveFailedText(fileError), creatorcolors::red);
        pauseWithEvents(kCreateErrorPauseMs);
        setStatusText(QString(), creatorcolors::red);
    } else {
        showLeftOut();
    }
}

void EdidCreatorPage::updateUploadButton()
{
    // NEW, OPEN and Save touch files only; Upload would reach the serial device, which is not the
    // one chosen while a network device is.
    m_uploadButton->setEnabled(!m_uploading && !m_session.registry().networkSelected() &&
                               !m_session.channel().operationRunning());
}

void EdidCreatorPage::SpeedButton_CopyEdid_CreatorClick()
{
    if (!m_session.connected() || m_session.registry().networkSelected())
        return;
    EdidFeatureRecord &record = creatorRecord();
    if (record.status & EdidStatus::FieldOutOfLimits) {
        setStatusText(QString::fromLatin1(kCreateErrorText), creatorcolors::red);
        pauseWithEvents(kCreateErrorPauseMs);
        setStatusText(QString(), creatorcolors::red);
        return;
    }
    if (!(record.status & EdidStatus::HoldsImage)) {
        refuseWithoutImage();
        return;
    }
    if (refuseInvalidImage())
        return;

    if (!buildIntoRecord())
        return;
    const CommandChannel::Operation operation =
        m_session.channel().beginOperation(QStringLiteral("Creator upload"));
    if (!operation)
        return;
    m_uploading = true;
    updateUploadButton();
    const auto code = slotCodeFromUploadList(m_uploadList->currentIndex(),
                                             slotCountsOf(m_session.registry().serialRecord()));
    if (validateEdidImage(record)) {
        if (!code) { // an empty list (no description arrived) has no target: nothing to report as done
            pauseWithEvents(kUploadButtonPauseMs);
            m_uploading = false;
            updateUploadButton();
            return;
        }
        // A copy: the pauses between the quarters handle clicks, and NEW or OPEN may replace the image.
        const EdidImage image = record.image;
        logConformanceSummary(m_session.debugLog(), image);
        uploadImageToSlot(m_session, *code, image, [this, &image](bool confirmed) {
            // "Ok." only when the device answered every part and the slot reads back the image.
            if (confirmed)
                setStatusText(QString::fromLatin1(kOkText), creatorcolors::black);
            else
                setStatusText(QString::fromLatin1(kUploadFailedText), creatorcolors::red);
            logKeptExtension(image);
            pauseWithEvents(kUploadDonePauseMs);
            setStatusText(QString(), creatorcolors::black);
            showLeftOut();
        });
    } else {
        for (const std::string &message : edidValidationMessages(record.status & EdidStatus::ErrorMask))
            setStatusText(latin1(message), creatorcolors::red);
    }
    pauseWithEvents(kUploadButtonPauseMs);
    m_uploading = false;
    updateUploadButton();
}

// ----- upload list and connection ----------------------------------------------------------------

void EdidCreatorPage::fillUploadList()
{
    mirrorSlotList(m_uploadList, m_session.slotListUpload());
}

void EdidCreatorPage::ComboBox_EdidSel_UploadChange(int index)
{
    m_session.setSlotListSelection(3, index);
}

void EdidCreatorPage::connectionChanged(bool connected, bool ispMode)
{
    if (connected && ispMode)
        return; // the firmware-update connection leaves the looks as they are
    setGlyph(m_uploadButton, connected ? QStringLiteral("CopyUpColor") : QStringLiteral("CopyUpGray"));
}

// ----- Audio2 scroll box -------------------------------------------------------------------------

void EdidCreatorPage::ScrollBox1MouseWheelDown()
{
    QScrollBar *bar = m_audio2Scroll->verticalScrollBar();
    bar->setValue(bar->value() + kWheelStep);
}

void EdidCreatorPage::ScrollBox1MouseWheelUp()
{
    QScrollBar *bar = m_audio2Scroll->verticalScrollBar();
    bar->setValue(bar->value() - kWheelStep);
}

void EdidCreatorPage::TabSheet11Show()
{
    m_audio2Scroll->setFocus(); // so that the wheel scrolls it
}

bool EdidCreatorPage::eventFilter(QObject *watched, QEvent *event)
{
    if (m_audio2Scroll && watched == m_audio2Scroll->viewport() && event->type() == QEvent::Wheel) {
        const int dy = static_cast<QWheelEvent *>(event)->angleDelta().y();
        if (dy < 0)
            ScrollBox1MouseWheelDown();
        else if (dy > 0)
            ScrollBox1MouseWheelUp();
        return true;
    }
    if (watched == m_audio2Page && event->type() == QEvent::Show)
        TabSheet11Show();
    // An edit would take Ctrl+Z and Ctrl+Shift+Z for its own undo; left unaccepted, they reach
    // the page's shortcuts.
    if (event->type() == QEvent::ShortcutOverride && qobject_cast<QLineEdit *>(watched)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Z && (key->modifiers() & Qt::ControlModifier))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
