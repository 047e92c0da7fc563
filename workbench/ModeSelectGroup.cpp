#include "workbench/ModeSelectGroup.h"

#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>

#include <algorithm>

namespace {
constexpr int kHeadingLeft = 16;
constexpr int kHeadingTop = 18;
constexpr int kFirstRowTop = 34;
constexpr int kColumnX[3] = {16, 150, 290};
constexpr int kButtonWidth = 120;
constexpr const char *kButtonPrefixes[3] = {"RadioButton_Set_IntEdid", "RadioButton_Set_ExtEdid",
                                            "RadioButton_Set_UserEdid"};
} // namespace

const std::array<ModeSelectGroup::ModeButton, 17> ModeSelectGroup::kButtons = {{
    {"RadioButton_Set_IntEdid1", "Internal 1", {EdidModeKind::Internal, 1}, 0, 1},
    {"RadioButton_Set_IntEdid2", "Internal 2", {EdidModeKind::Internal, 2}, 0, 2},
    {"RadioButton_Set_IntEdid3", "Internal 3", {EdidModeKind::Internal, 3}, 0, 3},
    {"RadioButton_Set_IntEdid4", "Internal 4", {EdidModeKind::Internal, 4}, 0, 4},
    {"RadioButton_Set_IntEdid5", "Internal 5", {EdidModeKind::Internal, 5}, 0, 5},
    {"RadioButton_Set_IntEdid6", "Internal 6", {EdidModeKind::Internal, 6}, 0, 6},
    {"RadioButton_Set_IntEdid7", "Internal 7", {EdidModeKind::Internal, 7}, 0, 7},
    {"RadioButton_Set_IntEdid8", "Internal 8", {EdidModeKind::Internal, 8}, 0, 8},
    {"RadioButton_Set_ExtEdid1", "External 1", {EdidModeKind::External, 1}, 1, 1},
    {"RadioButton_Set_UserEdid1", "User 1", {EdidModeKind::User, 1}, 2, 1},
    {"RadioButton_Set_UserEdid2", "User 2", {EdidModeKind::User, 2}, 2, 2},
    {"RadioButton_Set_UserEdid3", "User 3", {EdidModeKind::User, 3}, 2, 3},
    {"RadioButton_Set_UserEdid4", "User 4", {EdidModeKind::User, 4}, 2, 4},
    {"RadioButton_Set_UserEdid5", "User 5", {EdidModeKind::User, 5}, 2, 5},
    {"RadioButton_Set_UserEdid6", "User 6", {EdidModeKind::User, 6}, 2, 6},
    {"RadioButton_Set_UserEdid7", "User 7", {EdidModeKind::User, 7}, 2, 7},
    {"RadioButton_Set_UserEdid8", "User 8", {EdidModeKind::User, 8}, 2, 8},
}};

QString ModeSelectGroup::buttonName(const EdidMode &mode)
{
    return QString::fromLatin1(kButtonPrefixes[static_cast<int>(mode.kind)]) + QString::number(mode.number);
}

ModeSelectGroup::ModeSelectGroup(QWidget *parent) : QGroupBox(QStringLiteral("Mode Select"), parent)
{
    setObjectName(QStringLiteral("GroupBox12"));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);

    m_heading = new QLabel(QString::fromLatin1(kColumnHeading), this);
    m_heading->setObjectName(QStringLiteral("Label30"));
    m_heading->setFont(small);
    m_heading->setTextFormat(Qt::PlainText);
    m_heading->adjustSize();
    m_heading->move(kHeadingLeft, kHeadingTop);
    m_heading->hide();

    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    for (const ModeButton &b : kButtons) {
        auto *radio = new QRadioButton(QString::fromLatin1(b.caption), this);
        radio->setObjectName(QString::fromLatin1(b.name));
        radio->setFont(small);
        radio->setEnabled(false);
        // Tab reaches every button; Space or Enter then acts as a mouse press (see eventFilter).
        radio->setFocusPolicy(Qt::StrongFocus);
        m_rowStep = std::max(m_rowStep, radio->sizeHint().height());
        if (b.mode.kind == EdidModeKind::Internal && b.mode.number > 1)
            radio->hide();
        radio->installEventFilter(this);
        m_group->addButton(radio);
    }
    for (QAbstractButton *radio : m_group->buttons()) {
        const ModeButton &b = kButtons[static_cast<std::size_t>(m_group->buttons().indexOf(radio))];
        radio->setGeometry(kColumnX[b.column], kFirstRowTop + (b.row - 1) * m_rowStep, kButtonWidth, m_rowStep);
    }
    setMinimumWidth(kColumnX[2] + kButtonWidth);
    setFixedHeight(kOneRowHeight);
}

QRadioButton *ModeSelectGroup::button(const QString &name) const
{
    return name.isEmpty() ? nullptr : findChild<QRadioButton *>(name, Qt::FindDirectChildrenOnly);
}

QRadioButton *ModeSelectGroup::button(const std::optional<EdidMode> &mode) const
{
    return mode ? button(buttonName(*mode)) : nullptr;
}

void ModeSelectGroup::showModeCounts(int internalCount, int userCount)
{
    for (const ModeButton &b : kButtons) {
        if (b.mode.kind == EdidModeKind::External)
            continue;
        const int shown = b.mode.kind == EdidModeKind::Internal ? internalCount : userCount;
        if (QRadioButton *radio = button(QString::fromLatin1(b.name)))
            radio->setVisible(b.mode.number <= shown);
    }
    const int rows = std::max(internalCount, userCount);
    setFixedHeight(kOneRowHeight + m_rowStep * std::max(0, rows - 1));
    m_heading->setVisible(rows > 1);
}

void ModeSelectGroup::setModesEnabled(const EdidModeCounts &counts, bool enabled)
{
    for (int mode = 0; mode < counts.total(); ++mode)
        if (auto *radio = button(edidModeOf(mode, counts)))
            radio->setEnabled(enabled);
}

void ModeSelectGroup::applyReport(std::uint8_t report, std::uint8_t &current, bool modeSelectable,
                                  const EdidModeCounts &counts)
{
    const EdidModeReportEffect effect = edidModeReportEffect(report, current, modeSelectable, counts);
    if (!effect.changed)
        return;
    if (auto *radio = button(effect.disable))
        radio->setEnabled(false);
    if (auto *radio = button(effect.mark)) {
        radio->setEnabled(true);
        radio->setChecked(true);
    }
    current = effect.newCurrent;
}

void ModeSelectGroup::moveFocus(QRadioButton *from, int step)
{
    const QList<QAbstractButton *> buttons = m_group->buttons();
    const qsizetype count = buttons.size();
    qsizetype i = buttons.indexOf(from);
    for (qsizetype tries = 1; i >= 0 && tries < count; ++tries) {
        i = (i + step + count) % count;
        QAbstractButton *next = buttons[i];
        if (next->isEnabled() && next->isVisibleTo(this)) {
            next->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

bool ModeSelectGroup::eventFilter(QObject *watched, QEvent *event)
{
    auto *radio = qobject_cast<QRadioButton *>(watched);
    const QEvent::Type type = event->type();
    bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (radio && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool acts = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
        // The arrow keys move the focus only: moving the mark through the exclusive group, as
        // they would by default, would show a mode nobody asked the device for.
        const bool back = key == Qt::Key_Up || key == Qt::Key_Left;
        if (back || key == Qt::Key_Down || key == Qt::Key_Right) {
            if (type == QEvent::KeyPress)
                moveFocus(radio, back ? -1 : 1);
            return true;
        }
        if (acts && type == QEvent::KeyRelease)
            return true; // the press did it all; a release would toggle the button as a click
        press = acts && !static_cast<QKeyEvent *>(event)->isAutoRepeat();
        if (acts && !press)
            return true;
    }
    if (press && radio && radio->isEnabled()) {
        for (const ModeButton &b : kButtons) {
            if (radio->objectName() != QLatin1String(b.name))
                continue;
            radio->setChecked(true);
            emit modePressed(static_cast<int>(b.mode.kind), b.mode.number);
            break;
        }
        return true; // the press is the whole action; no click follows
    }
    return QGroupBox::eventFilter(watched, event);
}
