#include "workbench/ModeSelectGroup.h"

#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>

namespace {
constexpr int kHeadingLeft = 16;
constexpr int kHeadingTop = 18;
constexpr int kFirstRowTop = 34;
constexpr int kColumnX[3] = {16, 150, 290};
constexpr int kButtonWidth = 120;
constexpr int kIndicatorSize = 11;
} // namespace

ModeSelectGroup::ModeSelectGroup(QWidget *parent) : QGroupBox(QStringLiteral("Mode Select"), parent)
{
    setObjectName(QStringLiteral("GroupBox12"));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);

    m_heading = new QLabel(QString::fromLatin1(kEdidModeColumnHeading), this);
    m_heading->setObjectName(QStringLiteral("Label30"));
    m_heading->setFont(small);
    m_heading->setTextFormat(Qt::PlainText);
    m_heading->adjustSize();
    m_heading->move(kHeadingLeft, kHeadingTop);
    m_heading->hide();

    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    for (const auto &b : kEdidModeButtons) {
        auto *radio = new QRadioButton(QString::fromLatin1(b.caption), this);
        radio->setObjectName(QString::fromLatin1(b.name));
        radio->setFont(small);
        radio->setEnabled(false);
        // Rows are only kRowStep apart: a smaller mark keeps neighbouring buttons apart.
        radio->setStyleSheet(
            QStringLiteral("QRadioButton::indicator { width: %1px; height: %1px; }").arg(kIndicatorSize));
        // Tab reaches every button; Space or Enter then acts as a mouse press (see eventFilter).
        // Set after the style sheet, whose polish would reset it.
        radio->setFocusPolicy(Qt::StrongFocus);
        radio->setGeometry(kColumnX[b.column], kFirstRowTop + (b.row - 1) * kRowStep, kButtonWidth,
                           ModeSelectGroup::kRowStep);
        if (b.kind == EdidModeKind::Internal && b.number > 1)
            radio->hide();
        radio->installEventFilter(this);
        m_group->addButton(radio);
    }
    setMinimumWidth(kColumnX[2] + kButtonWidth);
    setFixedHeight(kOneRowHeight);
}

QRadioButton *ModeSelectGroup::button(const QString &name) const
{
    return name.isEmpty() ? nullptr : findChild<QRadioButton *>(name, Qt::FindDirectChildrenOnly);
}

void ModeSelectGroup::setModesEnabled(const EdidModeCounts &counts, bool enabled)
{
    for (int mode = 0; mode < counts.total(); ++mode)
        if (auto *radio = button(QString::fromStdString(edidModeButtonName(mode, counts))))
            radio->setEnabled(enabled);
}

void ModeSelectGroup::applyReport(std::uint8_t report, std::uint8_t &current, bool modeSelectable,
                                  const EdidModeCounts &counts)
{
    const EdidModeReportEffect effect = edidModeReportEffect(report, current, modeSelectable, counts);
    if (!effect.changed)
        return;
    if (auto *radio = button(QString::fromStdString(effect.disableButton)))
        radio->setEnabled(false);
    if (auto *radio = button(QString::fromStdString(effect.markButton))) {
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
        for (const auto &b : kEdidModeButtons) {
            if (radio->objectName() != QLatin1String(b.name))
                continue;
            radio->setChecked(true);
            emit modePressed(static_cast<int>(b.kind), b.number);
            break;
        }
        return true; // the press is the whole action; no click follows
    }
    return QGroupBox::eventFilter(watched, event);
}
