#include "ScriptedDialogs.h"

ScriptedDialogs::ScriptedDialogs()
{
    setDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    if (&dialogs() == this)
        setDialogs(nullptr);
}

void ScriptedDialogs::reset()
{
    confirmAnswer = false;
    openAnswers.clear();
    saveAnswers.clear();
    fileAnswer.clear();
    messages.clear();
    asked.clear();
    lastFilter.clear();
    lastProposedName.clear();
}

QStringList ScriptedDialogs::texts(const QString &kind) const
{
    QStringList out;
    for (const Message &m : messages)
        if (kind.isEmpty() || m.kind == kind)
            out << m.text;
    return out;
}

int ScriptedDialogs::count(const QString &kind) const
{
    return static_cast<int>(texts(kind).size());
}

ScriptedDialogs::Message ScriptedDialogs::last() const
{
    return messages.isEmpty() ? Message{} : messages.last();
}

QString ScriptedDialogs::openFile(const QString &, const QString &filter)
{
    asked << QStringLiteral("open");
    lastFilter = filter;
    return openAnswers.isEmpty() ? fileAnswer : openAnswers.takeFirst();
}

QString ScriptedDialogs::saveFile(const QString &, const QString &filter, const QString &proposedName)
{
    asked << QStringLiteral("save");
    lastFilter = filter;
    lastProposedName = proposedName;
    return saveAnswers.isEmpty() ? fileAnswer : saveAnswers.takeFirst();
}

QString ScriptedDialogs::chooseFolder(const QString &)
{
    asked << QStringLiteral("folder");
    return fileAnswer;
}

bool ScriptedDialogs::confirm(const QString &caption, const QString &text, const QPoint *at)
{
    record(QStringLiteral("confirm"), caption, text, at);
    return confirmAnswer;
}

void ScriptedDialogs::information(const QString &caption, const QString &text, const QPoint *at)
{
    record(QStringLiteral("information"), caption, text, at);
}

void ScriptedDialogs::warning(const QString &caption, const QString &text)
{
    record(QStringLiteral("warning"), caption, text, nullptr);
}

void ScriptedDialogs::error(const QString &caption, const QString &text)
{
    record(QStringLiteral("error"), caption, text, nullptr);
}

void ScriptedDialogs::record(const QString &kind, const QString &caption, const QString &text, const QPoint *at)
{
    messages.append({kind, caption, text, at ? std::optional<QPoint>(*at) : std::nullopt});
}
