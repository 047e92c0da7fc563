#pragma once

#include <QString>
#include <QWidget>

#include "edid/EdidDiff.h"
#include "edid/EdidImage.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QTextEdit;

// The "Compare EDIDs" window, opened from the EDID Analyzer: the analysed image (A) against a
// file (B). It shows the differing Analyzer answers, decoded features and byte runs, a hex view of
// both images with the differing bytes marked, and on request the conformance findings of both.
class EdidCompareWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit EdidCompareWindow(QWidget *parent = nullptr);

    // The analysed image; B keeps what it had, and the comparison is redone.
    void setImageA(const EdidImage &image, const QString &name);
    void setImageB(const EdidImage &image, const QString &name);
    // Reads B from a .bin file; false, with the reason shown in the window, when it can't.
    bool loadImageB(const QString &path);
    // "Choose file…": asks for a file through the program's dialogs.
    void chooseFile();
    // "Check": the conformance checker's findings of both images into the findings table.
    void check();

    const EdidDiff &diff() const { return m_diff; }
    const EdidImage &imageA() const { return m_a; }
    bool hasB() const { return m_hasB; }

  private:
    void refresh();
    void fillHex();

    EdidImage m_a{};
    EdidImage m_b{};
    QString m_aName;
    QString m_bName;
    bool m_hasB = false;
    EdidDiff m_diff;

    QLabel *m_title = nullptr;
    QLabel *m_verdict = nullptr;
    QPushButton *m_choose = nullptr;
    QPushButton *m_check = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTableWidget *m_answers = nullptr;
    QTableWidget *m_features = nullptr;
    QTableWidget *m_bytes = nullptr;
    QTableWidget *m_findings = nullptr;
    QTextEdit *m_hexA = nullptr;
    QTextEdit *m_hexB = nullptr;
};
