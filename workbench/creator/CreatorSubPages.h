#pragma once

// The seven sub-pages of the EDID Creator, each filling the widget it is given with the controls of
// edid/CreatorTables.h and keeping each in the control set as it makes it; the page that holds
// them reads and writes the controls through that set.

#include <functional>

class QCheckBox;
class CreatorControlSet;
class QScrollArea;
class QWidget;

void buildDescriptorPage(CreatorControlSet &controls, QWidget *page);
void buildPcTimingPage(CreatorControlSet &controls, QWidget *page);
void buildVideoPage(CreatorControlSet &controls, QWidget *page);
// A click on either box of a speaker pair: the clicked box and its partner.
using SpeakerPairClicked = std::function<void(QCheckBox *clicked, QCheckBox *partner)>;
void buildAudio1Page(CreatorControlSet &controls, QWidget *page, const SpeakerPairClicked &pairClicked);
// Returns the scroll box ScrollBox1 that holds the format rows.
QScrollArea *buildAudio2Page(CreatorControlSet &controls, QWidget *page);
void buildColorSpacePage(CreatorControlSet &controls, QWidget *page);
void buildOthersPage(CreatorControlSet &controls, QWidget *page);
