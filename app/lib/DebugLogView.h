#pragma once

#include <QFrame>
#include <QPlainTextEdit>

class DebugLog;

// Memo_Debug: shows the debug log as plain text and follows it. An append costs the length of the
// new text only, however long the log has grown; a replace resets the whole text.
class DebugLogView : public QPlainTextEdit
{
    Q_OBJECT
  public:
    explicit DebugLogView(DebugLog &log, QWidget *parent = nullptr);

    // True while the view keeps its newest line in sight.
    bool followsEnd() const;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void onAppended(const QString &text);
    void onReplaced(const QString &text);
    void scrollToEnd();

    bool m_following = true;
    bool m_adjusting = false;
};

// Panel_Debug: the small borderless panel whose double click shows or hides the debug log.
class DebugTogglePanel : public QFrame
{
    Q_OBJECT
  public:
    explicit DebugTogglePanel(QWidget *parent = nullptr);

  signals:
    void doubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
