#include "shell/DebugLog.h"

void DebugLog::append(const QString &text)
{
    if (text.isEmpty())
        return;
    m_text += text;
    emit appended(text);
}

void DebugLog::addLine(const QString &line)
{
    append(line.endsWith(QLatin1Char('\n')) ? line : line + QStringLiteral("\r\n"));
}

void DebugLog::replace(const QString &text)
{
    m_text = text;
    emit replaced(text);
}
