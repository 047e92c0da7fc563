#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <optional>

#include "shell/Dialogs.h"

// Records every message and answers every question as told, so window tests never block.
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
    QList<Message> messages;
    bool confirmAnswer = false;
    QString fileAnswer;

    ScriptedDialogs() { setDialogs(this); }
    ~ScriptedDialogs() override { setDialogs(nullptr); }

    QString openFile(const QString &, const QString &) override { return fileAnswer; }
    QString saveFile(const QString &, const QString &, const QString &) override { return fileAnswer; }
    bool confirm(const QString &caption, const QString &text, const QPoint *at) override
    {
        record(QStringLiteral("confirm"), caption, text, at);
        return confirmAnswer;
    }
    void information(const QString &caption, const QString &text, const QPoint *at) override
    {
        record(QStringLiteral("information"), caption, text, at);
    }
    void warning(const QString &caption, const QString &text) override
    {
        record(QStringLiteral("warning"), caption, text, nullptr);
    }
    void error(const QString &caption, const QString &text) override
    {
        record(QStringLiteral("error"), caption, text, nullptr);
    }

  private:
    void record(const QString &kind, const QString &caption, const QString &text, const QPoint *at)
    {
        messages.append({kind, caption, text, at ? std::optional<QPoint>(*at) : std::nullopt});
    }
};
