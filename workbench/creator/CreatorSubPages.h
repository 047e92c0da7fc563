#pragma once

// The seven sub-pages of the EDID Creator, each filling the widget it is given with the controls of
// edid/CreatorTables.h. The page that holds them reads and writes the controls by name.

#include <functional>

class QCheckBox;
class QScrollArea;
class QWidget;

void buildDescriptorPage(QWidget *page);
void buildPcTimingPage(QWidget *page);
void buildVideoPage(QWidget *page);
// A click on either box of a speaker pair: the clicked box and its partner.
using SpeakerPairClicked = std::function<void(QCheckBox *clicked, QCheckBox *partner)>;
void buildAudio1Page(QWidget *page, const SpeakerPairClicked &pairClicked);
// Returns the scroll box ScrollBox1 that holds the format rows.
QScrollArea *buildAudio2Page(QWidget *page);
void buildColorSpacePage(QWidget *page);
void buildOthersPage(QWidget *page);
