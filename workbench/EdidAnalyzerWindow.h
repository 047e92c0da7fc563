#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QToolButton;

// The "EDID Analyzer" window (TForm2): one row per answer of the analysis summary and the Modify
// button that carries the analysed image into the creator. Created hidden at start-up; closing it
// only hides it.
class EdidAnalyzerWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit EdidAnalyzerWindow(QWidget *parent = nullptr);

    // The rows, top to bottom: caption and the name of the label the summary writes.
    struct Row
    {
        const char *caption;
        const char *label;
    };
    static const Row kRows[15];

    static constexpr int kClientWidth = 422;
    static constexpr int kClientHeight = 481;
    static constexpr int kRowHeight = 23;
    static constexpr int kLabelLeft = 188;
    // Where the window first appears.
    static constexpr int kStartLeft = 889;
    static constexpr int kStartTop = 154;

  private:
    QGroupBox *m_group = nullptr;
    QToolButton *m_modifyButton = nullptr;
};
