#include "workbench/EdidControllerPage.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/DebugLog.h"
#include "workbench/Glyph.h"

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
}

void EdidControllerPage::buildModeGroup()
{
    // The group's height grows by a fixed step per row of buttons, so the buttons sit at fixed
    // positions rather than in a layout.
    m_modeGroup = new QGroupBox(QStringLiteral("Mode Select"), this);
    m_modeGroup->setObjectName(QStringLiteral("GroupBox12"));
    m_modeGroup->setFixedHeight(kModeGroupHeight);

    m_modeTitle =
        new QLabel(QStringLiteral("Internal                           External                         User"),
                   m_modeGroup);
    m_modeTitle->setObjectName(QStringLiteral("Label30"));
    m_modeTitle->move(16, 18);
    m_modeTitle->hide();

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    auto place = [&](const QString &name, const QString &caption, int x, int row) {
        auto *button = new QRadioButton(caption, m_modeGroup);
        button->setObjectName(name);
        button->setFont(small);
        button->setEnabled(false);
        button->setGeometry(x, 34 + row * kModeRowStep, 120, kModeRowStep + 2);
        return button;
    };
    for (int n = 1; n <= kModeRows; ++n) {
        QRadioButton *internal = place(QStringLiteral("RadioButton_Set_IntEdid%1").arg(n),
                                       QStringLiteral("Internal %1").arg(n), 16, n - 1);
        internal->setVisible(n == 1);
        place(QStringLiteral("RadioButton_Set_UserEdid%1").arg(n), QStringLiteral("User %1").arg(n), 290,
              n - 1);
    }
    place(QStringLiteral("RadioButton_Set_ExtEdid1"), QStringLiteral("External 1"), 150, 0);
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
