#pragma once

#include <QComboBox>
#include <QSignalBlocker>

#include <functional>
#include <string>
#include <vector>

#include "link/DeviceSession.h"
#include "link/SlotLists.h"

// The slot drop-down lists of the EDID pages (ComboBox_EdidSel_All, _Src, _Dest, _Upload).

// Shows the session's copy of a list: its items and its selection. No change signal is sent, as
// the operator did not pick anything.
inline void mirrorSlotList(QComboBox *combo, const SlotListData &data)
{
    if (!combo)
        return;
    const QSignalBlocker blocker(combo);
    combo->clear();
    combo->addItems(data.items);
    combo->setCurrentIndex(data.selected < combo->count() ? data.selected : -1);
}

// When the operator picks a separator the selection moves to the slot above it; then `changed`
// runs with the resulting index (the Open picture of the "all" list follows it).
inline void installSeparatorSkip(QComboBox *combo, std::function<void(int)> changed = {})
{
    QObject::connect(combo, &QComboBox::activated, combo, [combo, changed](int index) {
        std::vector<std::string> items;
        items.reserve(std::size_t(combo->count()));
        for (int i = 0; i < combo->count(); ++i)
            items.push_back(combo->itemText(i).toStdString());
        const int settled = separatorSkip(items, index);
        if (settled != index) {
            const QSignalBlocker blocker(combo);
            combo->setCurrentIndex(settled);
        }
        if (changed)
            changed(settled);
    });
}
