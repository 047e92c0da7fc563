#pragma once

#include <QString>

class QWidget;

// Where the workbench's windows stood and how large they were, and the folder each file dialog
// last used, kept between runs in the user's settings (QSettings). It stays off unless the program
// turns it on, so tests and pictures start from the default places and touch no settings.
namespace windowmemory {

void setEnabled(bool on);
bool enabled();

// Puts the window where it was last time (when it was ever saved) and saves its place whenever it
// is hidden or closed, and when the program ends.
void rememberPlace(QWidget *window, const QString &key);

// The folder the file dialog named key last used, empty when none (or when off).
QString lastFolder(const QString &key);
// Keeps the folder of a chosen path for that dialog: the path's own folder, or the path itself
// when it is a folder.
void keepFolder(const QString &key, const QString &chosenPath);

} // namespace windowmemory
