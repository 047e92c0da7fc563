#pragma once

#include <QString>

class QWidget;

// Makes a window or page usable from the keyboard and by a screen reader, once it is built:
// every control that takes input or acts gets an accessible name (its caption; for edits, lists
// and other captionless controls the text of the label that describes them, which becomes its
// buddy), and the tab order follows the reading order: top to bottom, then left to right, one
// container (group, panel, page) after the other. Names already given are kept.
void makeAccessible(QWidget *root);

// The name makeAccessible gives a control that has none of its own, empty when it finds none.
// A caption loses its '&' markers and a trailing colon.
QString accessibleNameFor(const QWidget *control);
