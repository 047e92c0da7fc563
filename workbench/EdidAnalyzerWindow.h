#pragma once

#include <QWidget>

#include <optional>

#include "edid/EdidFeatureRecord.h"

class DeviceSession;
class EdidCompareWindow;
class EdidCreatorPage;
class QPushButton;
class QFrame;
class QGroupBox;
class QLabel;
class QToolButton;
struct EdidSummary;

// The "EDID Analyzer" window (TForm2): one row per answer of the analysis summary and the Modify
// button that carries the analysed image into the creator. Created hidden at start-up; closing it
// only hides it.
class EdidAnalyzerWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit EdidAnalyzerWindow(QWidget *parent = nullptr);

    static constexpr int kClientWidth = 422;
    static constexpr int kClientHeight = 481;
    static constexpr int kRowHeight = 23;
    static constexpr int kLabelLeft = 188;
    // Where the window first appears.
    static constexpr int kStartLeft = 889;
    static constexpr int kStartTop = 154;
    // Placement beside the window that hosts the pages.
    static constexpr int kMaxTopDistance = 300;
    static constexpr int kMaxLeftDistance = 700;
    static constexpr int kLeftOffset = 465;

    // Modify reads the session's analysis record and writes its creator record.
    void attachSession(DeviceSession &session) { m_session = &session; }

    // Writes the answers into the labels (the audio list wrapped once), sizes the audio row and
    // sets the Modify picture.
    void showSummary(const EdidSummary &summary);
    // The same for an analysed record, whose image and status the window keeps: Modify carries
    // exactly the image the window shows, whatever the analysis record holds by then.
    void showAnalysis(const EdidFeatureRecord &analysed, const EdidSummary &summary);
    // Moves the window next to the reference window when it strayed too far from it (more than
    // 300 pixels between the top edges or more than 700 between the left edges).
    void placeBeside(const QWidget &reference);
    // Places the window beside the "Commander" window (when there is one) and shows it, not modal.
    void placeAndShow();

    // Modify.
    void SpeedButton_OpenEdid_AnalysisClick();

    // "Compare…": the analysed image shown against a file, in its own window; nothing before the
    // first analysis.
    void openCompare();
    EdidCompareWindow *compareWindow() const { return m_compare; }

    // The creator page Modify carries the image into (found among the windows when not set).
    void setCreatorPage(EdidCreatorPage *page) { m_creatorPage = page; }

  private:
    EdidCreatorPage *findCreatorPage() const;
    void setAudioRowHeight(int height);

    DeviceSession *m_session = nullptr;
    // The analysed image shown (with its status word), none before the first analysis.
    std::optional<EdidFeatureRecord> m_shown;
    EdidCreatorPage *m_creatorPage = nullptr;
    QGroupBox *m_group = nullptr;
    QFrame *m_audioRow = nullptr;
    QLabel *m_audioLabel = nullptr;
    QToolButton *m_modifyButton = nullptr;
    QPushButton *m_compareButton = nullptr;
    EdidCompareWindow *m_compare = nullptr;
};
