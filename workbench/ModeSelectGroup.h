#pragma once

#include <QGroupBox>

#include <array>
#include <cstdint>
#include <optional>

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
    // The row step in use: the 14-pixel one, or a radio button's height in the running style and
    // font where that is more, so that no indicator is cut.
    int rowStep() const { return m_rowStep; }

    // One mode button: its name, caption, the mode it stands for and its place (column 0 left,
    // internal; 1 middle, external; 2 right, user; row from 1).
    struct ModeButton
    {
        const char *name;
        const char *caption;
        EdidMode mode;
        int column;
        int row;
    };
    // The 17 buttons the group holds: 8 internal, 1 external, 8 user.
    static const std::array<ModeButton, 17> kButtons;
    // Heading above the first row of buttons.
    static constexpr const char *kColumnHeading =
        "Internal                           External                         User";

    // The name of the button of a mode: a prefix for its kind and its number. Modes without a
    // button (external 2 and above, numbers over 8) have a name that names none.
    static QString buttonName(const EdidMode &mode);

    // The button named name, or null (names beyond the 17 buttons).
    QRadioButton *button(const QString &name) const;
    // The button of a mode, or null (none given, or a mode without a button).
    QRadioButton *button(const std::optional<EdidMode> &mode) const;

    // Shows the buttons of the modes a device has (the external one always shows) and sizes the
    // group to its rows; the column heading shows above more than one row.
    void showModeCounts(int internalCount, int userCount);

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
    int m_rowStep = kRowStep;
};
