#pragma once

#include <QPoint>
#include <QString>

// Every modal question the program asks goes through this interface, so tests can answer them.
// The real implementation (app/lib/QtDialogs) uses Qt's dialogs; logic code only sees this.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // File dialogs. filter is in "Description|*.ext" form; an empty result means cancelled.
    virtual QString openFile(const QString &title, const QString &filter) = 0;
    virtual QString saveFile(const QString &title, const QString &filter, const QString &proposedName) = 0;
    // A folder (created by the dialog when the user asks); empty means cancelled. Answers
    // without a folder dialog cancel.
    virtual QString chooseFolder(const QString &title) { return (void)title, QString(); }

    // A warning with OK and Cancel; at, when given, is the box's top-left corner on screen.
    virtual bool confirm(const QString &caption, const QString &text, const QPoint *at = nullptr) = 0;

    // Message boxes with a single OK button.
    virtual void information(const QString &caption, const QString &text, const QPoint *at = nullptr) = 0;
    virtual void warning(const QString &caption, const QString &text) = 0;
    virtual void error(const QString &caption, const QString &text) = 0;
};

// The program's dialogs; set once at start-up (tests install a scripted one).
Dialogs &dialogs();
void setDialogs(Dialogs *dialogs);
