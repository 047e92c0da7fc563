#include "workbench/creator/CreatorSubPages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "edid/CreatorTables.h"
#include "workbench/creator/CreatorControls.h"

using namespace creatorui;

void buildDescriptorPage(CreatorControlSet &controls, QWidget *page)
{
    auto *outer = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Monitor Descriptor"), page);
    auto *form = new QFormLayout(group);
    for (const CreatorEdit &edit : descriptorEdits()) {
        if (QLatin1String(edit.edit.name) == QLatin1String("Edit_Creator_CEC_Address"))
            continue; // on "Others"
        QLineEdit *field = controls.edit(group, edit.edit.name, 180);
        form->addRow(QString::fromLatin1(edit.caption), field);
    }
    outer->addWidget(group);
    outer->addStretch(1);
}
