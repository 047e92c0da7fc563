#include "workbench/EdidCreatorPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

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
#include "workbench/Glyph.h"
#include "workbench/SlotListCombo.h"

namespace {

constexpr int kRefusalPauseMs = 2000;
constexpr int kCreateErrorPauseMs = 1000;
constexpr int kUploadDonePauseMs = 800;
constexpr int kUploadButtonPauseMs = 150;
constexpr int kWheelStep = 15;

// Edits whose typed text is forced to upper case.
bool forcedUpperCase(const QString &name)
{
    return name == QLatin1String("Edit_Creator_Manufac_Name") ||
           name == QLatin1String("Edit_Creator_CEC_Address");
}

QString latin1(const std::string &text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string latin1(const QString &text)
{
    return text.toLatin1().toStdString();
}

void paintText(QWidget *control, const QColor &color)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    control->setPalette(palette);
}

QFont boldFont(const QWidget *widget)
{
    QFont font = widget->font();
    font.setBold(true);
    return font;
}

// A row of the "Audio2" and "Color Space" pages that shows only its header line until its
// "For Detail" box opens it. The content keeps its natural height and the row clips it.
class CollapsingRow : public QFrame
{
  public:
    CollapsingRow(QWidget *parent, const CreatorDetailRow &row) : QFrame(parent), m_row(row)
    {
        setObjectName(QStringLiteral("Panel_") + QString::fromLatin1(row.detailName));
        setFrameShape(QFrame::StyledPanel);
        m_content = new QWidget(this);
        setOpen(false);
    }

    QWidget *content() const { return m_content; }

    QSize minimumSizeHint() const override
    {
        return QSize(m_content->minimumSizeHint().width(), m_row.closedHeight);
    }
    QSize sizeHint() const override { return QSize(m_content->sizeHint().width(), height()); }

    void setOpen(bool open) { setFixedHeight(open ? m_row.openHeight : m_row.closedHeight); }

  protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QFrame::resizeEvent(event);
        placeContent();
    }
    void showEvent(QShowEvent *event) override
    {
        QFrame::showEvent(event);
        placeContent();
    }

  private:
    void placeContent()
    {
        const int h = std::max(m_content->sizeHint().height(), m_row.openHeight);
        m_content->setGeometry(0, 0, width(), h);
    }

    CreatorDetailRow m_row;
    QWidget *m_content = nullptr;
};

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

// Where each speaker box stands in the room diagram beside Label6 (rows High, Front, Center, Rear,
// Low; columns left to right), by box number; the mirror box of a pair takes mirrorColumn.
struct SpeakerPlace
{
    int row;
    int column;
    int mirrorColumn;
};
constexpr SpeakerPlace kSpeakerPlaces[11] = {
    {2, 0, 4},  // FLW / FRW: beside the listener
    {3, 1, 3},  // RLC / RRC
    {1, 1, 3},  // FLC / FRC
    {3, 2, -1}, // RC
    {3, 0, 4},  // RL / RR
    {1, 2, -1}, // FC
    {4, 2, -1}, // LFE
    {1, 0, 4},  // FL / FR
    {0, 2, -1}, // FCH
    {2, 2, -1}, // TC: above the listener
    {0, 0, 4},  // FLH / FRH
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
        auto *scroll = new QScrollArea(page);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        auto *content = new QWidget;
        content->setObjectName(QString::fromLatin1(name) + QStringLiteral("_Content"));
        scroll->setWidget(content);
        fill->addWidget(scroll);
        return content;
    };
    buildDescriptorPage(addScrolledPage("TabSheet5", QStringLiteral("Descriptor")));
    buildPcTimingPage(addScrolledPage("TabSheet6", QStringLiteral("PC Timing")));
    buildVideoPage(addScrolledPage("TabSheet7", QStringLiteral("SD/HD/UHD")));
    buildAudio1Page(addScrolledPage("TabSheet8", QStringLiteral("Audio1")));
    m_audio2Page = addPage("TabSheet11", QStringLiteral("Audio2"));
    buildAudio2Page(m_audio2Page);
    buildColorSpacePage(addScrolledPage("TabSheet12", QStringLiteral("Color Space")));
    buildOthersPage(addScrolledPage("TabSheet13", QStringLiteral("Others")));
    for (QWidget *content : m_pages->findChildren<QWidget *>(QRegularExpression(QStringLiteral("_Content$"))))
        if (content->layout())
            content->layout()->setContentsMargins(4, 4, 4, 4);
    m_pages->setCurrentIndex(0);

    bindControls();

    connect(&m_session, &DeviceSession::slotListsChanged, this, &EdidCreatorPage::fillUploadList);
    connect(&m_session, &DeviceSession::connectionChanged, this, &EdidCreatorPage::connectionChanged);
    connect(&m_session, &DeviceSession::selectionChanged, this, &EdidCreatorPage::updateUploadButton);
    fillUploadList();
}

EdidFeatureRecord &EdidCreatorPage::creatorRecord()
{
    return m_session.creatorRecord;
}

// ----- building the controls ---------------------------------------------------------------------

QCheckBox *EdidCreatorPage::makeBox(QWidget *parent, const char *name, const char *caption)
{
    auto *box = new QCheckBox(QString::fromLatin1(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLineEdit *EdidCreatorPage::makeEdit(QWidget *parent, const char *name, int width)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    if (const CreatorField *field = findCreatorField(name); field && field->startText)
        edit->setText(QString::fromLatin1(field->startText));
    if (width > 0)
        edit->setFixedWidth(width);
    if (forcedUpperCase(edit->objectName())) {
        // What the operator types or pastes becomes upper case; texts set by the program stay.
        connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
            const QString upper = text.toUpper();
            if (upper != text) {
                const int cursor = edit->cursorPosition();
                edit->setText(upper);
                edit->setCursorPosition(cursor);
            }
        });
    }
    return edit;
}

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
    top->addWidget(m_warningLabel);

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

void EdidCreatorPage::buildDescriptorPage(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Monitor Descriptor"), page);
    auto *form = new QFormLayout(group);
    for (const CreatorEdit &edit : descriptorEdits()) {
        if (QLatin1String(edit.edit.name) == QLatin1String("Edit_Creator_CEC_Address"))
            continue; // on "Others"
        QLineEdit *field = makeEdit(group, edit.edit.name, 180);
        form->addRow(QString::fromLatin1(edit.caption), field);
    }
    outer->addWidget(group);
    outer->addStretch(1);
}

void EdidCreatorPage::buildPcTimingPage(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);

    auto *established = new QGroupBox(QStringLiteral("Established Timing"), page);
    auto *grid = new QGridLayout(established);
    const auto &boxes = establishedTimingBoxes();
    const int rows = static_cast<int>((boxes.size() + 1) / 2);
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i)
        grid->addWidget(makeBox(established, boxes[size_t(i)].box.name, boxes[size_t(i)].caption), i % rows,
                        i / rows);
    grid->setRowStretch(rows, 1);

    auto *standard = new QGroupBox(QStringLiteral("Standard Timing"), page);
    auto *standardGrid = new QGridLayout(standard);
    const auto &codes = standardTimingBoxes();
    const int standardRows = static_cast<int>((codes.size() + 1) / 2);
    for (int i = 0; i < static_cast<int>(codes.size()); ++i)
        standardGrid->addWidget(makeBox(standard, codes[size_t(i)].box.name, codes[size_t(i)].caption),
                                i % standardRows, i / standardRows);

    outer->addWidget(established);
    outer->addWidget(standard);
    outer->addStretch(1);
}

void EdidCreatorPage::buildVideoPage(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Video Formats"), page);
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);

    // One row per resolution, in the order the table lists them; the 4:2:0 boxes get a row of their own.
    QStringList groups;
    QHash<QString, int> usedColumns;
    auto place = [&](const VideoIdCodeBox &entry) {
        const QString groupName = QString::fromLatin1(entry.group);
        if (!groups.contains(groupName)) {
            groups.append(groupName);
            auto *caption = new QLabel(groupName, group);
            caption->setFont(boldFont(caption));
            grid->addWidget(caption, static_cast<int>(groups.size()) - 1, 0);
        }
        const int row = static_cast<int>(groups.indexOf(groupName));
        const int column = ++usedColumns[groupName];
        grid->addWidget(makeBox(group, entry.box.name, entry.caption), row, column);
    };
    for (const VideoIdCodeBox &entry : videoIdCodeBoxes())
        place(entry);
    for (const VideoIdCodeBox &entry : yuv420Boxes())
        place(entry);
    grid->setColumnStretch(7, 1);
    outer->addWidget(group);
    outer->addStretch(1);
}

void EdidCreatorPage::buildAudio1Page(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);

    auto *speakers = new QGroupBox(QStringLiteral("Speaker Allocation"), page);
    auto *speakerRow = new QHBoxLayout(speakers);
    auto *legend = new QLabel(speakers);
    legend->setObjectName(QStringLiteral("Label6"));
    legend->setTextFormat(Qt::PlainText);
    legend->setText(QStringLiteral("High\nFront\nCenter\nRear\nLow"));

    // The legend's lines are the rows of the diagram: a row is one line high, and at least as high
    // as a check box's indicator.
    QFont legendFont = legend->font();
    legendFont.setBold(true);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight) + 2;
    while (QFontMetrics(legendFont).lineSpacing() < indicator)
        legendFont.setPointSizeF(legendFont.pointSizeF() + 0.5);
    legend->setFont(legendFont);
    const int rowHeight = QFontMetrics(legendFont).lineSpacing();

    auto *diagram = new QGridLayout;
    diagram->setVerticalSpacing(0);
    diagram->setHorizontalSpacing(4);
    const auto &boxes = speakerBoxes();
    for (std::size_t i = 0; i < boxes.size() && i < std::size(kSpeakerPlaces); ++i) {
        const SpeakerBox &entry = boxes[i];
        const SpeakerPlace &place = kSpeakerPlaces[i];
        QCheckBox *box = makeBox(speakers, entry.box.name, entry.caption);
        box->setFixedHeight(rowHeight);
        diagram->addWidget(box, place.row, place.column);
        if (entry.mirrorName) {
            QCheckBox *mirror = makeBox(speakers, entry.mirrorName, entry.mirrorCaption);
            mirror->setFixedHeight(rowHeight);
            diagram->addWidget(mirror, place.row, place.mirrorColumn);
            connect(box, &QCheckBox::clicked, this, [this, box, mirror] { speakerClicked(box, mirror); });
            connect(mirror, &QCheckBox::clicked, this, [this, box, mirror] { speakerClicked(mirror, box); });
        }
    }
    for (int r = 0; r < 5; ++r)
        diagram->setRowMinimumHeight(r, rowHeight);
    speakerRow->addWidget(legend, 0, Qt::AlignTop);
    speakerRow->addSpacing(6);
    speakerRow->addLayout(diagram);
    speakerRow->addStretch(1);

    const AudioFormatRow *basic = audioFormatByNumber(1);
    const AudioFormatRow *multi = audioFormatByNumber(2);
    auto *lpcm = new QGroupBox(QStringLiteral("L-PCM"), page);
    auto *grid = new QGridLayout(lpcm);
    grid->addWidget(makeBox(lpcm, basic->box.name, basic->caption), 0, 0);
    QCheckBox *hidden = makeBox(lpcm, multi->box.name, multi->caption);
    hidden->setVisible(false); // follows the channel count, never read
    grid->addWidget(new QLabel(QStringLiteral("MaxCh"), lpcm), 0, 1, Qt::AlignRight);
    grid->addWidget(makeEdit(lpcm, basic->maxChannels.name, 40), 0, 2, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Sample Rate"), lpcm), 1, 0, 1, 3);
    auto *rates = new QGridLayout;
    rates->setContentsMargins(16, 0, 0, 0);
    for (std::size_t i = 0; i < basic->rates.size(); ++i)
        rates->addWidget(makeBox(lpcm, basic->rates[i].name, sampleRateBits()[i].caption), int(i / 4),
                         int(i % 4));
    grid->addLayout(rates, 2, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Sample Size"), lpcm), 3, 0, 1, 3);
    auto *sizes = new QHBoxLayout;
    sizes->setContentsMargins(16, 0, 0, 0);
    for (const CreatorBitBox &box : lpcmSampleSizeBoxes())
        sizes->addWidget(makeBox(lpcm, box.box.name, box.caption));
    sizes->addStretch(1);
    grid->addLayout(sizes, 4, 0, 1, 4);
    grid->setColumnStretch(3, 1);

    outer->addWidget(speakers);
    outer->addWidget(lpcm);
    outer->addStretch(1);
}

void EdidCreatorPage::buildAudio2Page(QWidget *page)
{
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    m_audio2Scroll = new QScrollArea(page);
    m_audio2Scroll->setObjectName(QStringLiteral("ScrollBox1"));
    m_audio2Scroll->setWidgetResizable(true);
    m_audio2Scroll->setFocusPolicy(Qt::StrongFocus);
    auto *inner = new QWidget;
    auto *column = new QVBoxLayout(inner);
    column->setSpacing(2);

    for (const CreatorDetailRow &rowEntry : creatorDetailRows()) {
        if (!rowEntry.yesName)
            continue; // the HDR row is on "Color Space"
        const AudioFormatRow *format = nullptr;
        for (const AudioFormatRow &candidate : audioFormatRows())
            if (candidate.detail.name &&
                QLatin1String(candidate.detail.name) == QLatin1String(rowEntry.detailName))
                format = &candidate;
        if (!format)
            continue;

        auto *row = new CollapsingRow(inner, rowEntry);
        QWidget *content = row->content();
        auto *lines = new QVBoxLayout(content);
        lines->setContentsMargins(4, 1, 4, 4);
        lines->setSpacing(4);

        auto *header = new QHBoxLayout;
        auto *caption = new QLabel(QString::fromLatin1(rowEntry.rowCaption), content);
        caption->setFont(boldFont(caption));
        caption->setMinimumWidth(170);
        QCheckBox *yes = makeBox(content, format->box.name, format->caption);
        QCheckBox *detail = makeBox(content, format->detail.name, "For Detail");
        header->addWidget(caption);
        header->addWidget(yes);
        header->addSpacing(20);
        header->addWidget(detail);
        header->addStretch(1);
        lines->addLayout(header);

        auto *values = new QHBoxLayout;
        values->addSpacing(20);
        values->addWidget(new QLabel(QStringLiteral("MaxCh"), content));
        values->addWidget(makeEdit(content, format->maxChannels.name, 40));
        if (format->bitRate.name) {
            values->addSpacing(20);
            values->addWidget(new QLabel(QStringLiteral("BitRate (kbps)"), content));
            values->addWidget(makeEdit(content, format->bitRate.name, 60));
        }
        values->addStretch(1);
        lines->addLayout(values);

        auto *rates = new QGridLayout;
        rates->setContentsMargins(20, 0, 0, 0);
        rates->setVerticalSpacing(2);
        for (std::size_t i = 0; i < format->rates.size(); ++i)
            rates->addWidget(makeBox(content, format->rates[i].name, sampleRateBits()[i].caption), int(i / 4),
                             int(i % 4));
        rates->setColumnStretch(4, 1);
        lines->addLayout(rates);
        lines->addStretch(1);

        connect(detail, &QCheckBox::toggled, row, &CollapsingRow::setOpen);
        // Clearing "Yes" closes the row too; marking it opens nothing.
        connect(yes, &QCheckBox::toggled, detail, [detail](bool on) {
            if (!on)
                detail->setChecked(false);
        });
        column->addWidget(row);
    }
    column->addStretch(1);
    m_audio2Scroll->setWidget(inner);
    pageLayout->addWidget(m_audio2Scroll);

    m_audio2Scroll->viewport()->installEventFilter(this);
    page->installEventFilter(this);
}

void EdidCreatorPage::buildColorSpacePage(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);

    auto boxRow = [this](QGroupBox *group, const std::vector<CreatorBitBox> &boxes, int perRow) {
        auto *grid = new QGridLayout(group);
        grid->setContentsMargins(6, 6, 6, 6);
        for (std::size_t i = 0; i < boxes.size(); ++i)
            grid->addWidget(makeBox(group, boxes[i].box.name, boxes[i].caption), int(i) / perRow,
                            int(i) % perRow);
        grid->setColumnStretch(perRow, 1);
    };
    auto *top = new QHBoxLayout;
    auto *space = new QGroupBox(QStringLiteral("Color Space"), page);
    boxRow(space, colorSpaceBoxes(), 3);
    auto *depth = new QGroupBox(QStringLiteral("Color Depth"), page);
    boxRow(depth, colorDepthBoxes(), 3);
    top->addWidget(space);
    top->addWidget(depth);
    outer->addLayout(top);
    auto *colorimetry = new QGroupBox(QStringLiteral("Colorimetry"), page);
    boxRow(colorimetry, colorimetryBoxes(), 4);
    outer->addWidget(colorimetry);

    for (const CreatorDetailRow &rowEntry : creatorDetailRows()) {
        if (rowEntry.yesName)
            continue;
        auto *row = new CollapsingRow(page, rowEntry);
        QWidget *content = row->content();
        auto *grid = new QGridLayout(content);
        grid->setContentsMargins(4, 1, 4, 4);
        grid->setVerticalSpacing(2);

        auto *caption = new QLabel(QString::fromLatin1(rowEntry.rowCaption), content);
        caption->setFont(boldFont(caption));
        caption->setMinimumWidth(170);
        QCheckBox *detail = makeBox(content, rowEntry.detailName, "For Detail");
        auto *header = new QHBoxLayout;
        header->addWidget(caption);
        header->addWidget(detail);
        header->addStretch(1);
        grid->addLayout(header, 0, 0, 1, 2);

        // Compact lines, so that everything fits the open row.
        const int lineHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight) + 4;
        int line = 1;
        auto boxLines = [&](const QString &label, const std::vector<CreatorBitBox> &boxes, int perLine) {
            grid->addWidget(new QLabel(label, content), line, 0);
            QHBoxLayout *h = nullptr;
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                if (i % std::size_t(perLine) == 0) {
                    h = new QHBoxLayout;
                    grid->addLayout(h, line++, 1);
                }
                QCheckBox *box = makeBox(content, boxes[i].box.name, boxes[i].caption);
                box->setFixedHeight(lineHeight);
                h->addWidget(box);
                if ((i + 1) % std::size_t(perLine) == 0 || i + 1 == boxes.size())
                    h->addStretch(1);
            }
        };
        boxLines(QStringLiteral("Deep Color"), hdrDepthBoxes(), 3);
        boxLines(QStringLiteral("EOTF"), hdrEotfBoxes(), 2);
        boxLines(QStringLiteral("Metadata"), hdrDescriptorBoxes(), 3);

        // Two rows of caption and value pairs.
        auto *levels = new QGridLayout;
        levels->setVerticalSpacing(2);
        levels->setHorizontalSpacing(8);
        const auto &edits = hdrLuminanceEdits();
        for (std::size_t i = 0; i < edits.size(); ++i) {
            const int r = int(i % 2), c = int(i / 2) * 3;
            levels->addWidget(new QLabel(QString::fromLatin1(edits[i].caption), content), r, c);
            QLineEdit *value = makeEdit(content, edits[i].edit.name, 50);
            value->setFixedHeight(lineHeight + 2);
            levels->addWidget(value, r, c + 1);
            levels->setColumnMinimumWidth(c + 2, 12);
        }
        levels->setColumnStretch(6, 1);
        grid->addLayout(levels, line, 0, 1, 2);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(line + 1, 1);

        connect(detail, &QCheckBox::toggled, row, &CollapsingRow::setOpen);
        outer->addWidget(row);
    }
    outer->addStretch(1);
}

void EdidCreatorPage::buildOthersPage(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);

    auto *hdmi = new QGroupBox(QStringLiteral("HDMI"), page);
    auto *form = new QFormLayout(hdmi);
    form->addRow(makeBox(hdmi, "CheckBox_3D_Present", "3D Present"));
    for (const CreatorEdit &edit : descriptorEdits())
        if (QLatin1String(edit.edit.name) == QLatin1String("Edit_Creator_CEC_Address"))
            form->addRow(QString::fromLatin1(edit.caption), makeEdit(hdmi, edit.edit.name, 80));

    auto *format = new QGroupBox(QStringLiteral("EDID Format"), page);
    auto *formatRow = new QHBoxLayout(format);
    auto *hdmiButton = new QRadioButton(QStringLiteral("HDMI"), format);
    hdmiButton->setObjectName(QStringLiteral("RadioButton_Edid_Fmt_Hdmi"));
    hdmiButton->setChecked(true);
    auto *dviButton = new QRadioButton(QStringLiteral("DVI"), format);
    dviButton->setObjectName(QStringLiteral("RadioButton_Edid_Fmt_Dvi"));
    formatRow->addWidget(hdmiButton);
    formatRow->addWidget(dviButton);
    formatRow->addStretch(1);

    outer->addWidget(hdmi);
    outer->addWidget(format);
    outer->addStretch(1);
}

// Every member of the state has its control; the handlers that belong to a control hang here.
void EdidCreatorPage::bindControls()
{
    for (const CreatorField &field : creatorFields()) {
        const QString name = QString::fromLatin1(field.name);
        if (field.flag) {
            auto *button = findChild<QAbstractButton *>(name);
            Q_ASSERT_X(button, "EdidCreatorPage", field.name);
            if (button)
                m_flagWidgets.insert(name, button);
        } else {
            auto *edit = findChild<QLineEdit *>(name);
            Q_ASSERT_X(edit, "EdidCreatorPage", field.name);
            if (!edit)
                continue;
            m_textWidgets.insert(name, edit);
            connect(edit, &QLineEdit::textChanged, this, [this, name] { fieldChanged(name); });
        }
    }

    for (const char *hdrName : hdrBoxNames()) {
        const std::string box = hdrName;
        connect(m_flagWidgets.value(QString::fromLatin1(hdrName)), &QAbstractButton::clicked, this,
                [this, box] {
                    if (!m_loading)
                        applyReaction(hdrBoxClicked(readState(), box));
                });
    }
    for (const char *fourKName : fourKBoxNames()) {
        const std::string box = fourKName;
        connect(m_flagWidgets.value(QString::fromLatin1(fourKName)), &QAbstractButton::clicked, this,
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
            if (const QAbstractButton *button = m_flagWidgets.value(name))
                state.*(field.flag) = button->isChecked();
        } else if (const QLineEdit *edit = m_textWidgets.value(name)) {
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
            if (QAbstractButton *button = m_flagWidgets.value(name))
                button->setChecked(state.*(field.flag));
        } else if (QLineEdit *edit = m_textWidgets.value(name)) {
            edit->setText(latin1(state.*(field.text))); // runs the field's check when it changes
        }
    }
    // A pair is always marked together, also after a load.
    for (const SpeakerBox &entry : speakerBoxes())
        if (entry.mirrorName)
            if (auto *mirror = findChild<QCheckBox *>(QString::fromLatin1(entry.mirrorName)))
                mirror->setChecked(state.*(entry.box.member));
    m_loading = false;
}

// ----- checks and rules --------------------------------------------------------------------------

void EdidCreatorPage::fieldChanged(const QString &name)
{
    QLineEdit *edit = m_textWidgets.value(name);
    if (!edit)
        return;
    const CreatorFieldCheck *check = fieldCheckForChange(latin1(name));
    if (!check)
        return;
    QLineEdit *checked = m_textWidgets.value(QString::fromLatin1(check->field.name));
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
        if (QAbstractButton *box = m_flagWidgets.value(latin1(name)))
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
}

// The warning line, the colours and the input error bit describe the values as loaded, not what
// the checks of single changes left behind.
void EdidCreatorPage::showLoadVerdict(const CreatorLoadVerdict &verdict)
{
    auto listed = [](const std::vector<std::string> &names, const char *name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const CreatorFieldCheck &check : creatorFieldChecks())
        if (QLineEdit *edit = m_textWidgets.value(QString::fromLatin1(check.field.name)))
            paintText(edit, listed(verdict.redFields, check.field.name) ? creatorcolors::red : creatorcolors::black);
    for (const char *box : hdrBoxNames())
        if (QAbstractButton *button = m_flagWidgets.value(QString::fromLatin1(box)))
            paintText(button, listed(verdict.redHdrBoxes, box) ? creatorcolors::red : creatorcolors::black);
    setWarning(latin1(verdict.warning), creatorcolors::red);
    EdidFeatureRecord &record = creatorRecord();
    record.status = static_cast<EdidStatusWord>((record.status & ~EdidStatus::FieldOutOfLimits) |
                                                (verdict.inputError ? EdidStatus::FieldOutOfLimits : 0));
}

// SYS_STM before a file dialog and SYS_CTM after it tell the serial device; with a network device
// chosen the serial device is not the operator's and hears nothing of it.
void EdidCreatorPage::fileDialogBracket(Command command)
{
    if (!m_session.networkDeviceSelected())
        m_session.sendCommand(Direction::SET, command, 0);
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
    if (buildCreatorEdid(readState(), creatorRecord(), &error))
        return true;
    dialogs().error(QApplication::applicationDisplayName(), latin1(error));
    return false;
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
    fileDialogBracket(Command::SYS_STM);
    const QString path = dialogs().saveFile(QStringLiteral("Save EDID"), QString::fromLatin1(kEdidFileFilter),
                                            QString::fromLatin1(kProposedFileName));
    bool failed = false;
    if (!path.isEmpty()) {
        FileWriter file(QFile::encodeName(path).toStdString());
        if (!file.open()) {
            m_session.debugLog().replace(QString::fromLatin1(kEdidOpenFail));
            failed = true;
        } else {
            m_session.debugLog().replace(QString::fromLatin1(kEdidOpenOk));
            // A write that did not reach the disk leaves the old file and is no success.
            if (!file.write(image.data(), image.size()) || !file.commit()) {
                m_session.debugLog().replace(QString::fromLatin1(kEdidOpenFail));
                failed = true;
            } else {
                logKeptExtension(image);
            }
        }
    }
    fileDialogBracket(Command::SYS_CTM);
    // The log is hidden: the operator learns of the failure here.
    if (failed) {
        setStatusText(QString::fromLatin1(kEdidOpenFail).trimmed(), creatorcolors::red);
        pauseWithEvents(kCreateErrorPauseMs);
        setStatusText(QString(), creatorcolors::red);
    }
}

void EdidCreatorPage::updateUploadButton()
{
    // NEW, OPEN and Save touch files only; Upload would reach the serial device, which is not the
    // one chosen while a network device is.
    m_uploadButton->setEnabled(!m_uploading && !m_session.networkDeviceSelected());
}

void EdidCreatorPage::SpeedButton_CopyEdid_CreatorClick()
{
    if (!m_session.connected() || m_session.networkDeviceSelected())
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
    m_uploading = true;
    updateUploadButton();
    const auto code =
        slotCodeFromUploadList(m_uploadList->currentIndex(), slotCountsOf(m_session.currentStatus()));
    if (validateEdidImage(record)) {
        if (!code) { // an empty list (no description arrived) has no target: nothing to report as done
            pauseWithEvents(kUploadButtonPauseMs);
            m_uploading = false;
            updateUploadButton();
            return;
        }
        m_session.Timer_Poll_Status().stop();
        // A copy: the pauses between the quarters handle clicks, and NEW or OPEN may replace the image.
        const EdidImage image = record.image;
        // "Ok." only when the device answered every part.
        if (writeSlotEdid(m_session, *code, image))
            setStatusText(QString::fromLatin1(kOkText), creatorcolors::black);
        else
            setStatusText(QString::fromLatin1(kUploadFailedText), creatorcolors::red);
        logKeptExtension(image);
        pauseWithEvents(kUploadDonePauseMs);
        setStatusText(QString(), creatorcolors::black);
        m_session.Timer_Poll_Status().start();
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
    mirrorSlotList(m_uploadList, m_session.slotListUpload);
}

void EdidCreatorPage::ComboBox_EdidSel_UploadChange(int index)
{
    m_session.slotListUpload.selected = index;
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
    return QWidget::eventFilter(watched, event);
}
