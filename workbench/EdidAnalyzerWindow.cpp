#include "workbench/EdidAnalyzerWindow.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "edid/EdidSummary.h"
#include "link/DeviceSession.h"
#include "workbench/AnalyzerView.h"
#include "workbench/EdidCompareWindow.h"
#include "workbench/EdidCreatorPage.h"
#include "workbench/Glyph.h"

EdidAnalyzerWindow::EdidAnalyzerWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("EDID Analyzer"));
    setFixedSize(kClientWidth, kClientHeight);
    move(kStartLeft, kStartTop);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel_Analyzer"));
    outer->addWidget(panel);

    auto *panelBox = new QVBoxLayout(panel);
    panelBox->setContentsMargins(4, 4, 4, 4);
    m_group = new QGroupBox(QStringLiteral("EDID Information"), panel);
    m_group->setObjectName(QStringLiteral("GroupBox5"));
    panelBox->addWidget(m_group);

    auto *rows = new QVBoxLayout(m_group);
    rows->setSpacing(0);
    rows->setContentsMargins(6, 8, 6, 6);
    QFont captionFont = font();
    captionFont.setBold(true);
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.9);
    const int rowWidth = kClientWidth - 8 - 12 - 4;
    // The answers use a font in which the longest first line of the audio list fits its row.
    QFont valueFont = font();
    const QString longestLine = QStringLiteral("2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,");
    while (QFontMetrics(valueFont).horizontalAdvance(longestLine) > rowWidth - kLabelLeft - 6 &&
           valueFont.pointSizeF() > 6)
        valueFont.setPointSizeF(valueFont.pointSizeF() - 0.5);
    // The rows, top to bottom: caption and the label it writes.
    for (const AnalyzerRow &row : kAnalyzerRows) {
        auto *rowPanel = new QFrame(m_group);
        rowPanel->setFrameShape(QFrame::StyledPanel);
        rowPanel->setFixedHeight(kRowHeight);
        auto *caption = new QLabel(QString::fromLatin1(row.caption), rowPanel);
        caption->setFont(captionFont);
        caption->setTextFormat(Qt::PlainText);
        caption->setGeometry(0, 0, kLabelLeft, kRowHeight);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto *value = new QLabel(rowPanel);
        value->setObjectName(QString::fromLatin1(row.labelName));
        value->setTextFormat(Qt::PlainText);
        value->setFont(valueFont);
        value->setGeometry(kLabelLeft, 0, rowWidth - kLabelLeft, kRowHeight);
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        if (row.answer == SummaryAnswer::AudioFormats) { // the row that can take two lines
            rowPanel->setObjectName(QStringLiteral("Panel10"));
            m_audioRow = rowPanel;
            m_audioLabel = value;
        }
        rows->addWidget(rowPanel);
    }
    m_modifyButton = new QToolButton(m_group);
    m_modifyButton->setObjectName(QStringLiteral("SpeedButton_OpenEdid_Analysis"));
    m_modifyButton->setText(QStringLiteral("Modify"));
    m_modifyButton->setToolTip(QStringLiteral("Edit this EDID on the EDID Creator page"));
    m_modifyButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_modifyButton->setAutoRaise(true);
    setGlyph(m_modifyButton, QStringLiteral("ModifyGray"));
    rows->addStretch(1);
    // Compare sits at the right of the Modify row, which stays centred.
    auto *buttons = new QGridLayout;
    buttons->setColumnStretch(0, 1);
    buttons->setColumnStretch(2, 1);
    buttons->addWidget(m_modifyButton, 0, 1, Qt::AlignHCenter);
    m_compareButton = new QPushButton(QStringLiteral("Compare…"), m_group);
    m_compareButton->setObjectName(QStringLiteral("Button_Analyzer_Compare"));
    m_compareButton->setToolTip(QStringLiteral("Compare this EDID with a file"));
    buttons->addWidget(m_compareButton, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    rows->addLayout(buttons);
    connect(m_compareButton, &QPushButton::clicked, this, &EdidAnalyzerWindow::openCompare);
    connect(m_modifyButton, &QToolButton::clicked, this,
            &EdidAnalyzerWindow::SpeedButton_OpenEdid_AnalysisClick);
}

void EdidAnalyzerWindow::setAudioRowHeight(int height)
{
    m_audioRow->setFixedHeight(height);
    m_audioLabel->setGeometry(m_audioLabel->x(), 0, m_audioLabel->width(), height);
}

void EdidAnalyzerWindow::showSummary(const EdidSummary &summary)
{
    const AnalyzerView view = analyzerView(summary);
    for (const AnalyzerView::Label &shown : view.labels)
        if (auto *label = findChild<QLabel *>(QString::fromLatin1(shown.labelName)))
            // EDID texts hold a byte per character (Latin-1).
            label->setText(QString::fromLatin1(shown.text));
    setAudioRowHeight(view.audioRowHeight);
    setGlyph(m_modifyButton, QString::fromLatin1(view.modifyGlyph));
}

void EdidAnalyzerWindow::showAnalysis(const EdidFeatureRecord &analysed, const EdidSummary &summary)
{
    m_shown = analysed;
    showSummary(summary);
}

void EdidAnalyzerWindow::placeBeside(const QWidget &reference)
{
    if (qAbs(reference.y() - y()) > kMaxTopDistance || qAbs(reference.x() - x()) > kMaxLeftDistance)
        move(reference.x() + kLeftOffset, reference.y());
}

void EdidAnalyzerWindow::placeAndShow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != this && w->objectName() == QLatin1String("TForm3")) {
            placeBeside(*w);
            break;
        }
    }
    show();
    raise();
}

void EdidAnalyzerWindow::SpeedButton_OpenEdid_AnalysisClick()
{
    if (!m_shown)
        return;
    const EdidFeatureRecord &analysis = *m_shown;
    if (analysis.status & EdidStatus::ErrorMask)
        return;
    EdidCreatorPage *creatorPage = findCreatorPage();
    if (!creatorPage)
        return;
    // The creator takes the image as one opened from a file: status bits, record, controls, and
    // its "Descriptor" sub-page in front.
    creatorPage->modifyFromImage(analysis.image);
    close();
    for (QWidget *p = creatorPage->parentWidget(); p; p = p->parentWidget()) {
        if (auto *pages = qobject_cast<QTabWidget *>(p); pages && pages->indexOf(creatorPage) >= 0) {
            pages->setCurrentWidget(creatorPage);
            break;
        }
    }
}

EdidCreatorPage *EdidAnalyzerWindow::findCreatorPage() const
{
    if (m_creatorPage)
        return m_creatorPage;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *page = qobject_cast<EdidCreatorPage *>(w))
            return page;
        if (auto *page = w->findChild<EdidCreatorPage *>())
            return page;
    }
    return nullptr;
}

void EdidAnalyzerWindow::openCompare()
{
    // The image the window shows: Save, Open and Copy on the Controller page overwrite the
    // analysis record's image, which then is another slot's or a file's.
    if (!m_shown)
        return;
    if (!m_compare)
        m_compare = new EdidCompareWindow(this);
    m_compare->setImageA(m_shown->image, QStringLiteral("analysed EDID"));
    m_compare->show();
    m_compare->raise();
}
