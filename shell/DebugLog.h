#pragma once

#include <QObject>
#include <QString>

// The debug log's text, kept apart from the widget that shows it so that the device logic can
// write to it without any window. Appending costs the length of the new text only; the widget
// (Memo_Debug) follows the signals.
class DebugLog : public QObject
{
    Q_OBJECT
public:
    explicit DebugLog(QObject *parent = nullptr) : QObject(parent) {}

    const QString &text() const { return m_text; }

    // Appends text as it stands; log texts carry their own "\r\n".
    void append(const QString &text);
    // Adds one line (a line break is added when the text has none).
    void addLine(const QString &line);
    // Replaces the whole text (the EDID pages' file operations do this).
    void replace(const QString &text);
    void clear() { replace(QString()); }

signals:
    void appended(const QString &text);
    void replaced(const QString &text);

private:
    QString m_text;
};
