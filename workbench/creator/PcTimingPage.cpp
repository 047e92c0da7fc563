#include "workbench/creator/CreatorSubPages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "edid/CreatorTables.h"
#include "workbench/creator/CreatorControls.h"

using namespace creatorui;

void buildPcTimingPage(CreatorControlSet &controls, QWidget *page)
{
    auto *outer = new QVBoxLayout(page);

    auto *established = new QGroupBox(QStringLiteral("Established Timing"), page);
    auto *grid = new QGridLayout(established);
    const auto &boxes = establishedTimingBoxes();
    const int rows = static_cast<int>((boxes.size() + 1) / 2);
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i)
        grid->addWidget(controls.box(established, boxes[size_t(i)].box.name, boxes[size_t(i)].caption), i % rows,
                        i / rows);
    grid->setRowStretch(rows, 1);

    auto *standard = new QGroupBox(QStringLiteral("Standard Timing"), page);
    auto *standardGrid = new QGridLayout(standard);
    const auto &codes = standardTimingBoxes();
    const int standardRows = static_cast<int>((codes.size() + 1) / 2);
    for (int i = 0; i < static_cast<int>(codes.size()); ++i)
        standardGrid->addWidget(controls.box(standard, codes[size_t(i)].box.name, codes[size_t(i)].caption),
                                i % standardRows, i / standardRows);

    outer->addWidget(established);
    outer->addWidget(standard);
    outer->addStretch(1);
}
