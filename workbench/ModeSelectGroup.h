#pragma once

#include <QGroupBox>

#include <cstdint>

#include "link/EdidModes.h"

class QButtonGroup;
class QLabel;
class QRadioButton;

// The "Mode Select" group (GroupBox12): the 17 EDID mode buttons in one exclusive group under the
// column heading Label30. A press on an enabled button marks it and asks for the mode; reports of
// the device's mode mark the button of the reported mode. The group's size and which buttons show
// are set from outside when a device is chosen; the buttons sit at fixed rows from the top.
class ModeSelectGroup : public QGroupBox
{
    Q_OBJECT
  public:
    explicit ModeSelectGroup(QWidget *parent = nullptr);

    // Rows of buttons per column; the group's height with one row, and what each further row adds.
    static constexpr int kRows = 8;
    static constexpr int kOneRowHeight = 65;
    static constexpr int kRowStep = 14;

    // The button named name, or null (names beyond the 17 buttons).
    QRadioButton *button(const QString &name) const;

    // Enables (or disables) the buttons of every mode the counts give; marks stay.
    void setModesEnabled(const EdidModeCounts &counts, bool enabled);

    // Applies a report of the device's current mode; current is input 1's last shown mode and is
    // updated. Nothing happens when the report equals it.
    void applyReport(std::uint8_t report, std::uint8_t &current, bool modeSelectable,
                     const EdidModeCounts &counts);

  signals:
    // A mode button was pressed (it is marked already): its kind (EdidModeKind) and number from 1.
    void modePressed(int kind, int number);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    // Gives the focus to the next (step 1) or previous (-1) shown, enabled button.
    void moveFocus(QRadioButton *from, int step);

    QButtonGroup *m_group = nullptr;
    QLabel *m_heading = nullptr;
};
