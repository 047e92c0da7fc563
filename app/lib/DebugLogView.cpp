#include "app/lib/DebugLogView.h"

#include <QScrollBar>
#include <QTextCursor>

#include "shell/DebugLog.h"

namespace {

// Log texts carry "\r\n" line ends; the widget breaks lines at "\n" only, and a CR on its own
// (the handshake's " \r") would otherwise show as a stray glyph.
QString withoutCarriageReturns(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char('\r'));
    return out;
}

} // namespace

DebugLogView::DebugLogView(DebugLog &log, QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("Memo_Debug"));
    setReadOnly(true);
    setUndoRedoEnabled(false); // the log grows without limit; no undo history to go with it
    // A vertical scroll bar only: long lines wrap.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setPlainText(withoutCarriageReturns(log.text()));
    connect(&log, &DebugLog::appended, this, &DebugLogView::onAppended);
    connect(&log, &DebugLog::replaced, this, &DebugLogView::onReplaced);
}

void DebugLogView::onAppended(const QString &text)
{
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(withoutCarriageReturns(text));
    if (atEnd)
        bar->setValue(bar->maximum()); // keep following the newest lines
}

void DebugLogView::onReplaced(const QString &text)
{
    setPlainText(withoutCarriageReturns(text));
}

DebugTogglePanel::DebugTogglePanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Panel_Debug"));
    setFrameShape(QFrame::NoFrame);
    setFixedSize(17, 17);
    setToolTip(QStringLiteral("Double-click to show or hide the debug log"));
}

void DebugTogglePanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QFrame::mouseDoubleClickEvent(event);
    emit doubleClicked();
}
