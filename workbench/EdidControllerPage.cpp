#include "workbench/EdidControllerPage.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/DebugLog.h"
#include "shell/Dialogs.h"
#include "shell/Pause.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidSummary.h"
#include "link/DeviceSession.h"
#include "link/EdidModes.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "workbench/Glyph.h"
#include "workbench/ModeSelectGroup.h"
#include "workbench/SlotListCombo.h"

namespace {

QToolButton *makeSpeedButton(QWidget *parent, const QString &name, const QString &text, const QString &glyph)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    setGlyph(button, glyph);
    return button;
}

QComboBox *makeSlotList(QWidget *parent, const QString &name)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(name);
    list->setMinimumWidth(120);
    return list;
}

// Status label waits of the page.
constexpr int kOkShownMs = 1000;
constexpr int kErrorShownMs = 1500;
constexpr int kCopySettleMs = 150;

} // namespace

EdidControllerPage::EdidControllerPage(DebugLog &log, QWidget *parent) : QWidget(parent), m_log(log)
{
    setObjectName(QStringLiteral("TabSheet1"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(8);
    buildModeGroup();
    buildCopyPanel();
    buildFileGroup();
    column->addWidget(m_modeGroup);
    column->addWidget(m_copyPanel);
    column->addWidget(m_fileGroup);
    column->addStretch(1);

    installSeparatorSkip(m_allList, [this](int index) { ComboBox_EdidSel_AllChange(index); });
    installSeparatorSkip(m_srcList);
    installSeparatorSkip(m_destList);
    connect(m_saveButton, &QToolButton::clicked, this, &EdidControllerPage::SpeedButton_SaveEdidClick);
    connect(m_openButton, &QToolButton::clicked, this, &EdidControllerPage::SpeedButton_OpenEdidClick);
    connect(m_analysisButton, &QToolButton::clicked, this,
            &EdidControllerPage::SpeedButton_AnalysisEdidClick);
    connect(m_copyButton, &QToolButton::clicked, this,
            &EdidControllerPage::SpeedButton_CopyEdid_Src2DestClick);
    connect(m_modeGroup, &ModeSelectGroup::modePressed, this, &EdidControllerPage::modeButtonPressed);
}

void EdidControllerPage::buildModeGroup()
{
    m_modeGroup = new ModeSelectGroup(this);
}

void EdidControllerPage::buildCopyPanel()
{
    m_copyPanel = new QFrame(this);
    m_copyPanel->setObjectName(QStringLiteral("Panel52"));
    m_copyPanel->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(m_copyPanel);

    auto *dest = new QGroupBox(QStringLiteral("Destination"), m_copyPanel);
    dest->setObjectName(QStringLiteral("GroupBox2"));
    auto *destBox = new QVBoxLayout(dest);
    m_destList = makeSlotList(dest, QStringLiteral("ComboBox_EdidSel_Dest"));
    destBox->addWidget(m_destList);

    auto *middle = new QVBoxLayout;
    auto *caption = new QLabel(QStringLiteral("Copy"), m_copyPanel);
    caption->setObjectName(QStringLiteral("Label_Copy"));
    caption->setAlignment(Qt::AlignCenter);
    m_copyButton = makeSpeedButton(m_copyPanel, QStringLiteral("SpeedButton_CopyEdid_Src2Dest"), QString(),
                                   QStringLiteral("CopyLeftGray"));
    m_copyButton->setToolTip(QStringLiteral("Copy the source slot's EDID into the destination slot"));
    middle->addWidget(caption);
    middle->addWidget(m_copyButton, 0, Qt::AlignHCenter);

    auto *src = new QGroupBox(QStringLiteral("EDID Source"), m_copyPanel);
    src->setObjectName(QStringLiteral("GroupBox8"));
    auto *srcBox = new QVBoxLayout(src);
    m_srcList = makeSlotList(src, QStringLiteral("ComboBox_EdidSel_Src"));
    srcBox->addWidget(m_srcList);

    row->addWidget(dest, 1);
    row->addLayout(middle);
    row->addWidget(src, 1);
}

void EdidControllerPage::buildFileGroup()
{
    m_fileGroup = new QGroupBox(this);
    m_fileGroup->setObjectName(QStringLiteral("GroupBox3"));
    // Two spaces on each side of both slashes.
    m_fileGroup->setTitle(QStringLiteral("Save  /  Upload  /  Analysis"));
    auto *grid = new QGridLayout(m_fileGroup);

    m_allList = makeSlotList(m_fileGroup, QStringLiteral("ComboBox_EdidSel_All"));
    m_status = new QLabel(m_fileGroup);
    m_status->setObjectName(QStringLiteral("Label2"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setTextFormat(Qt::PlainText);
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);

    m_saveButton = makeSpeedButton(m_fileGroup, QStringLiteral("SpeedButton_SaveEdid"),
                                   QStringLiteral("Save"), QStringLiteral("SaveGray"));
    m_openButton = makeSpeedButton(m_fileGroup, QStringLiteral("SpeedButton_OpenEdid"),
                                   QStringLiteral("Open"), QStringLiteral("OpenGray"));
    m_analysisButton = makeSpeedButton(m_fileGroup, QStringLiteral("SpeedButton_AnalysisEdid"),
                                       QStringLiteral("Analysis"), QStringLiteral("AnalysisGray"));
    m_saveButton->setToolTip(QStringLiteral("Save the slot's EDID into a file"));
    m_openButton->setToolTip(QStringLiteral("Upload an EDID file into the slot"));
    m_analysisButton->setToolTip(QStringLiteral("Read the slot and analyse its EDID"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_openButton);
    buttons->addWidget(m_analysisButton);
    buttons->addStretch(1);

    grid->addWidget(m_allList, 0, 0);
    grid->addWidget(m_status, 0, 1);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

void EdidControllerPage::attachSession(DeviceSession &session, EdidAnalyzerWindow *analyzerWindow)
{
    m_session = &session;
    m_analyzer = analyzerWindow;
    if (m_analyzer)
        m_analyzer->attachSession(session);
    connect(&session, &DeviceSession::slotListsChanged, this, [this] {
        mirrorSlotList(m_allList, m_session->slotListAll());
        mirrorSlotList(m_srcList, m_session->slotListSrc());
        mirrorSlotList(m_destList, m_session->slotListDest());
    });
    connect(&session.serialSearch(), &SerialSearch::modesAvailable, this,
            [this](bool enabled, int internals, int externals, int users) {
                m_modeGroup->setModesEnabled(EdidModeCounts{internals, externals, users}, enabled);
            });
    connect(&session, &DeviceSession::edidModeReported, this,
            [this](quint8 mode) { applyEdidModeReport(mode); });
    connect(&session, &DeviceSession::selectionChanged, this, &EdidControllerPage::updateDeviceActions);
    connect(&session.channel(), &CommandChannel::operationRunningChanged, this,
            &EdidControllerPage::updateDeviceActions);
    updateDeviceActions();
}

void EdidControllerPage::updateDeviceActions()
{
    // With a network device chosen the page stays in sight, but its actions would reach the serial
    // device, which the operator did not choose.
    // While any device operation runs (here or in another window) they wait for it.
    const bool available =
        !(m_session && (m_session->registry().networkSelected() || m_session->channel().operationRunning()));
    // Disabling the focused control would drop the keyboard's place; it comes back afterwards.
    QWidget *focused = QApplication::focusWidget();
    if (!available && focused && isAncestorOf(focused))
        m_focusBeforeDisable = focused;
    m_saveButton->setEnabled(available);
    m_openButton->setEnabled(available);
    m_analysisButton->setEnabled(available);
    m_copyButton->setEnabled(available);
    m_modeGroup->setEnabled(available);
    if (available && m_focusBeforeDisable) {
        m_focusBeforeDisable->setFocus(Qt::OtherFocusReason);
        m_focusBeforeDisable = nullptr;
    }
}

bool EdidControllerPage::deviceConnected() const
{
    return m_session && m_session->connected() && !m_session->registry().networkSelected();
}

SlotCounts EdidControllerPage::counts() const
{
    return m_session ? slotCountsOf(m_session->registry().serialRecord()) : SlotCounts{};
}

void EdidControllerPage::showStatus(const QString &text, const QColor &color)
{
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText, color);
    m_status->setPalette(palette);
    m_status->setText(text);
}

void EdidControllerPage::showError(const QString &text, int ms)
{
    showStatus(text, Qt::red);
    pauseWithEvents(ms);
    m_status->setText(QString());
}

EdidAnalyzerWindow *EdidControllerPage::analyzer() const
{
    if (m_analyzer)
        return m_analyzer;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<EdidAnalyzerWindow *>(w))
            return window;
    return nullptr;
}

void EdidControllerPage::ComboBox_EdidSel_AllChange(int index)
{
    setGlyph(m_openButton, openAvailableForAllListIndex(index, counts()) ? QStringLiteral("OpenColor")
                                                                         : QStringLiteral("OpenGray"));
}

void EdidControllerPage::SpeedButton_SaveEdidClick()
{
    if (!deviceConnected())
        return;
    const auto code = slotCodeFromAllList(m_allList->currentIndex(), counts());
    if (!code)
        return;
    const CommandChannel::Operation operation = m_session->channel().beginOperation(QStringLiteral("Save"));
    if (!operation)
        return;
    SaveHooks hooks;
    bool reported = false;
    std::string fileError;
    hooks.chooseFile = [](const QString &proposed) {
        return QFile::encodeName(dialogs().saveFile(QStringLiteral("Save EDID"),
                                                    QString::fromLatin1(kEdidFileFilter), proposed))
            .toStdString();
    };
    hooks.transferDone = [this, &reported, &fileError](SaveResult result) {
        reported = true;
        if (result == SaveResult::Saved) {
            // "Ok." once the slot was read whole and the file holds it.
            showStatus(QString::fromLatin1(kOkText), Qt::black);
            pauseWithEvents(kOkShownMs);
            m_status->setText(QString());
        } else if (result == SaveResult::ReadFailed) {
            showError(QString::fromLatin1(kReadFailedText), kErrorShownMs);
        } else {
            showError(saveFailedText(fileError), kErrorShownMs);
        }
    };
    // A file that cannot be created is no less a failure than one that cannot be written.
    if (saveSlotToFile(*m_session, *code, hooks, &fileError) == SaveResult::FileFailed && !reported)
        showError(saveFailedText(fileError), kErrorShownMs);
}

void EdidControllerPage::SpeedButton_OpenEdidClick()
{
    if (!deviceConnected())
        return;
    const auto code = slotCodeFromAllList(m_allList->currentIndex(), counts());
    if (!code || !slotAcceptsUpload(*code))
        return;
    const CommandChannel::Operation operation = m_session->channel().beginOperation(QStringLiteral("Upload"));
    if (!operation)
        return;
    UploadHooks hooks;
    hooks.chooseFile = [] {
        return dialogs().openFile(QStringLiteral("Open EDID"), QString::fromLatin1(kEdidFileFilter));
    };
    hooks.cancelled = [this] { showError(QString::fromLatin1(kUploadCanceledText), kErrorShownMs); };
    hooks.fileRead = [this] { m_status->setText(QString()); };
    // "Ok." only once the device has answered every part of the upload and the slot read back the
    // same bytes.
    bool failureShown = false;
    hooks.uploadDone = [this, &failureShown](bool confirmed) {
        if (!confirmed) {
            failureShown = true;
            showError(QString::fromLatin1(kUploadFailedText), kErrorShownMs);
            return;
        }
        showStatus(QString::fromLatin1(kOkText), Qt::black);
        pauseWithEvents(kOkShownMs);
        m_status->setText(QString());
    };
    hooks.invalid = [this](const QStringList &messages) {
        showStatus(QString(), Qt::red);
        // Each message replaces the one before; the last stays visible.
        for (const QString &message : messages)
            m_status->setText(message);
        pauseWithEvents(kErrorShownMs);
        m_status->setText(QString());
    };
    // The closing SYS_CTM can still go unanswered after the slot was written.
    if (uploadFileToSlot(*m_session, *code, hooks) == UploadResult::Failed && !failureShown)
        showError(QString::fromLatin1(kUploadFailedText), kErrorShownMs);
}

QWidget *EdidControllerPage::copyPanel() const
{
    return m_copyPanel;
}

ModeSelectGroup *EdidControllerPage::modeSelectGroup() const
{
    return m_modeGroup;
}

void EdidControllerPage::SpeedButton_AnalysisEdidClick()
{
    if (!deviceConnected())
        return;
    const auto code = slotCodeFromAllList(m_allList->currentIndex(), counts());
    if (!code)
        return;
    const CommandChannel::Operation operation =
        m_session->channel().beginOperation(QStringLiteral("Analysis"));
    if (!operation)
        return;
    const CommandChannel::PollHold quiet(m_session->channel());
    EdidAnalyzerWindow *window = analyzer();
    if (!readSlotEdid(*m_session, *code)) {
        // The answers of an earlier image must not stand for this slot.
        if (window)
            window->hide();
        showError(QString::fromLatin1(kReadFailedText), kErrorShownMs);
        return;
    }
    const EdidImage image = m_session->transferImage();
    const EdidSummary summary = summariseEdid(m_session->analysisRecord(), image);
    if (window) {
        window->showAnalysis(m_session->analysisRecord(), summary);
        window->placeAndShow();
    }
}

void EdidControllerPage::SpeedButton_CopyEdid_Src2DestClick()
{
    if (!deviceConnected())
        return;
    // The operation disables the Copy button (with every other device action) until it ends.
    const CommandChannel::Operation operation = m_session->channel().beginOperation(QStringLiteral("Copy"));
    if (!operation)
        return;
    const SlotCounts c = counts();
    const auto source = slotCodeFromAllList(m_srcList->currentIndex(), c);
    const auto destination = slotCodeFromUploadList(m_destList->currentIndex(), c);
    if (source && destination) {
        switch (copySlot(*m_session, *source, *destination)) {
        case CopyResult::ReadFailed:
            showError(QString::fromLatin1(kReadFailedText), kErrorShownMs);
            break;
        case CopyResult::WriteFailed:
            showError(QString::fromLatin1(kCopyFailedText), kErrorShownMs);
            break;
        case CopyResult::Copied:
            // The destination was read back and holds the source's image.
            showStatus(QString::fromLatin1(kOkText), Qt::black);
            pauseWithEvents(kOkShownMs);
            m_status->setText(QString());
            break;
        }
    }
    pauseWithEvents(kCopySettleMs);
}

void EdidControllerPage::modeButtonPressed(int kind, int number)
{
    if (!m_session || m_session->registry().networkSelected())
        return;
    const SYS_STATUS &status = m_session->registry().serialRecord();
    const auto index =
        edidModeIndex(static_cast<EdidModeKind>(kind), number,
                      modeCountsOf(status));
    if (!index)
        return;
    const CommandChannel::Operation operation =
        m_session->channel().beginOperation(QStringLiteral("Mode select"));
    if (operation && !selectEdidMode(*m_session, *index))
        showError(QString::fromLatin1(kSetFailedText), kErrorShownMs);
}

void EdidControllerPage::applyEdidModeReport(std::uint8_t mode)
{
    if (!m_session)
        return;
    const SYS_STATUS &status = m_session->registry().serialRecord();
    const NodeDescriptor &input1 = status.inputNodes[0];
    std::uint8_t shown = input1.currentEdidMode;
    m_modeGroup->applyReport(mode, shown, input1.modeSelectable != 0,
                             modeCountsOf(status));
    m_session->registry().setCurrentEdidMode(shown);
}
