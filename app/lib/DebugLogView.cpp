#include "app/lib/DebugLogView.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

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

    // The view follows the newest line until the operator scrolls away from the end, and again
    // once they scroll back to it. While hidden the range is not kept up to date, so the end is
    // sought again when the view is shown.
    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this] {
        if (m_following)
            scrollToEnd();
    });
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (!m_adjusting && isVisible())
            m_following = value == bar->maximum();
    });
}

bool DebugLogView::followsEnd() const
{
    return m_following;
}

void DebugLogView::scrollToEnd()
{
    QScrollBar *bar = verticalScrollBar();
    m_adjusting = true;
    bar->setValue(bar->maximum());
    m_adjusting = false;
}

void DebugLogView::showEvent(QShowEvent *event)
{
    QPlainTextEdit::showEvent(event);
    if (m_following)
        scrollToEnd();
}

void DebugLogView::onAppended(const QString &text)
{
    m_adjusting = true; // the insertion moves the range, not the operator
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(withoutCarriageReturns(text));
    m_adjusting = false;
    if (m_following)
        scrollToEnd();
}

void DebugLogView::onReplaced(const QString &text)
{
    m_adjusting = true;
    setPlainText(withoutCarriageReturns(text));
    m_adjusting = false;
    if (m_following)
        scrollToEnd();
}

DebugTogglePanel::DebugTogglePanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Panel_Debug"));
    setFrameShape(QFrame::NoFrame);
    setFixedSize(17, 17);
    setToolTip(QStringLiteral("Double-click to show or hide the debug log"));
    // From the keyboard: Tab reaches the panel, Space or Enter acts as the double click.
    setFocusPolicy(Qt::TabFocus);
}

void DebugTogglePanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QFrame::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void DebugTogglePanel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && !event->isAutoRepeat()) {
        emit doubleClicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

void DebugTogglePanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!hasFocus())
        return;
    // The panel has no border; the focus shows as the style's focus frame.
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
