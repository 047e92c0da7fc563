#include "workbench/EdidAnalyzerWindow.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "workbench/Glyph.h"

const EdidAnalyzerWindow::Row EdidAnalyzerWindow::kRows[15] = {
    {"    EDID Header :", "Label_Edid_Header"},        {"    EDID Checksum :", "Label_Edid_Checksum"},
    {"    Content Format :", "Label_Edid_Format"},     {"    Manufacturer Name :", "Label_Manufac_Name"},
    {"    Monitor Name :", "Label_Monitor_Name"},      {"    Max Resolution :", "Label_Max_Resolution"},
    {"    Max Color Depth :", "Label_Max_ColorDepth"}, {"    Support 3D :", "Label_Support_3D"},
    {"    Support YUV420 :", "Label_Support_YUV420"},  {"    Support SCDC :", "Label_Support_SCDC"},
    {"    Support 600MHz :", "Label_Support_600MHz"},  {"    Support HDR :", "Label_Support_HDR"},
    {"    Audio Formats :", "Label_Audio_Formats"},    {"    Audio Max Channel :", "Label_Audio_Channel"},
    {"    CEC Address :", "Label_CEC_Address"},
};

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
    rows->setSpacing(1);
    QFont captionFont = font();
    captionFont.setBold(true);
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.9);
    for (const Row &row : kRows) {
        auto *rowPanel = new QFrame(m_group);
        rowPanel->setFrameShape(QFrame::StyledPanel);
        rowPanel->setMinimumHeight(kRowHeight);
        auto *caption = new QLabel(QString::fromLatin1(row.caption), rowPanel);
        caption->setFont(captionFont);
        caption->setTextFormat(Qt::PlainText);
        caption->setGeometry(0, 0, kLabelLeft, kRowHeight);
        auto *value = new QLabel(rowPanel);
        value->setObjectName(QString::fromLatin1(row.label));
        value->setTextFormat(Qt::PlainText);
        value->setGeometry(kLabelLeft, 0, kClientWidth - kLabelLeft - 24, kRowHeight);
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
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
    rows->addWidget(m_modifyButton, 0, Qt::AlignHCenter);
}
