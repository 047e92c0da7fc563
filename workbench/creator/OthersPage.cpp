#include "workbench/creator/CreatorSubPages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "edid/CreatorTables.h"
#include "workbench/creator/CreatorControls.h"

using namespace creatorui;

void buildOthersPage(CreatorControlSet &controls, QWidget *page)
{
    auto *outer = new QVBoxLayout(page);

    auto *hdmi = new QGroupBox(QStringLiteral("HDMI"), page);
    auto *form = new QFormLayout(hdmi);
    form->addRow(controls.box(hdmi, "CheckBox_3D_Present", "3D Present"));
    for (const CreatorEdit &edit : descriptorEdits())
        if (QLatin1String(edit.edit.name) == QLatin1String("Edit_Creator_CEC_Address"))
            form->addRow(QString::fromLatin1(edit.caption), controls.edit(hdmi, edit.edit.name, 80));

    auto *format = new QGroupBox(QStringLiteral("EDID Format"), page);
    auto *formatRow = new QHBoxLayout(format);
    auto *hdmiButton = new QRadioButton(QStringLiteral("HDMI"), format);
    hdmiButton->setObjectName(QStringLiteral("RadioButton_Edid_Fmt_Hdmi"));
    hdmiButton->setChecked(true);
    controls.keep(hdmiButton);
    auto *dviButton = new QRadioButton(QStringLiteral("DVI"), format);
    dviButton->setObjectName(QStringLiteral("RadioButton_Edid_Fmt_Dvi"));
    controls.keep(dviButton);
    formatRow->addWidget(hdmiButton);
    formatRow->addWidget(dviButton);
    formatRow->addStretch(1);

    outer->addWidget(hdmi);
    outer->addWidget(format);
    outer->addStretch(1);
}
