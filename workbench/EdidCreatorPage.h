#pragma once

#include <QWidget>

class QTabWidget;
class QScrollArea;
class QLabel;
class QToolButton;
class QComboBox;
class QGroupBox;

// The "EDID Creator" page (TabSheet4): composes an EDID from the controls of seven sub-pages and
// saves or uploads it. The controls carry the names the EDID tables use, so the state record and the
// page are read and written from the same tables.
class EdidCreatorPage : public QWidget
{
    Q_OBJECT
  public:
    explicit EdidCreatorPage(QWidget *parent = nullptr);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void buildFrame();
    void buildSubPages();

    QGroupBox *m_selectGroup = nullptr;
    QToolButton *m_newButton = nullptr;
    QToolButton *m_openButton = nullptr;
    QToolButton *m_saveButton = nullptr;
    QToolButton *m_uploadButton = nullptr;
    QComboBox *m_uploadList = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_warningLabel = nullptr;
    QTabWidget *m_pages = nullptr;
    QScrollArea *m_audio2Scroll = nullptr;
    QWidget *m_audio2Page = nullptr;
};
