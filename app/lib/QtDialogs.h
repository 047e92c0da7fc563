#pragma once

#include "shell/Dialogs.h"

class QWidget;

// The real dialogs: Qt's file dialogs and message boxes. Message texts are shown as plain text
// (they may carry device texts), with the "\r\n" line ends of the log texts.
class QtDialogs final : public Dialogs
{
  public:
    explicit QtDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    QString openFile(const QString &title, const QString &filter) override;
    QString saveFile(const QString &title, const QString &filter, const QString &proposedName) override;
    QString chooseFolder(const QString &title) override;
    bool confirm(const QString &caption, const QString &text, const QPoint *at = nullptr) override;
    void information(const QString &caption, const QString &text, const QPoint *at = nullptr) override;
    void warning(const QString &caption, const QString &text) override;
    void error(const QString &caption, const QString &text) override;

    // "EDID (*.bin)|*.bin" (description|pattern pairs) as a Qt name filter list "EDID (*.bin)".
    static QString toQtFilter(const QString &filter);

  private:
    QWidget *m_parent;
};
