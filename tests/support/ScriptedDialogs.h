#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <optional>

#include "shell/Dialogs.h"

// The dialogs every test answers: file dialogs answer from queues (then a fixed path), questions
// as told, and every box shown is recorded, so no test blocks on a modal dialog. It installs
// itself for its lifetime.
class ScriptedDialogs final : public Dialogs
{
  public:
    struct Message
    {
        QString kind; // "information", "warning", "error", "confirm"
        QString caption;
        QString text;
        std::optional<QPoint> at;
    };

    // Answers.
    bool confirmAnswer = false;
    QStringList openAnswers; // one per open dialog, first come first
    QStringList saveAnswers; // one per save dialog
    QString fileAnswer;      // any file or folder dialog once its queue is empty ("" is Cancel)

    // What was shown.
    QList<Message> messages; // questions and message boxes, in order
    QStringList asked;       // "open", "save" or "folder" per file dialog
    QString lastFilter;
    QString lastProposedName;

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    // Back to no answers and nothing shown (still installed).
    void reset();
    // The texts of the boxes of one kind (every kind when empty), in order.
    QStringList texts(const QString &kind = {}) const;
    int count(const QString &kind) const;
    // The latest box; an empty one when none was shown.
    Message last() const;

    QString openFile(const QString &caption, const QString &filter) override;
    QString saveFile(const QString &caption, const QString &filter, const QString &proposedName) override;
    QString chooseFolder(const QString &title) override;
    bool confirm(const QString &caption, const QString &text, const QPoint *at) override;
    void information(const QString &caption, const QString &text, const QPoint *at) override;
    void warning(const QString &caption, const QString &text) override;
    void error(const QString &caption, const QString &text) override;

  private:
    void record(const QString &kind, const QString &caption, const QString &text, const QPoint *at);
};
