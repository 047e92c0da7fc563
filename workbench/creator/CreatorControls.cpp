#include "workbench/creator/CreatorControls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>

#include "edid/CreatorFieldChecks.h"

namespace {

// Edits whose typed text is forced to upper case.
bool forcedUpperCase(const QString &name)
{
    return name == QLatin1String("Edit_Creator_Manufac_Name") ||
           name == QLatin1String("Edit_Creator_CEC_Address");
}

} // namespace

QCheckBox *CreatorControlSet::box(QWidget *parent, const char *name, const char *caption)
{
    auto *box = new QCheckBox(QString::fromLatin1(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    keep(box);
    return box;
}

void CreatorControlSet::keep(QAbstractButton *button)
{
    Q_ASSERT_X(!m_buttons.contains(button->objectName()), "CreatorControlSet", "a name made twice");
    m_buttons.insert(button->objectName(), button);
}

QLineEdit *CreatorControlSet::edit(QWidget *parent, const char *name, int width)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    Q_ASSERT_X(!m_edits.contains(edit->objectName()), "CreatorControlSet", "a name made twice");
    m_edits.insert(edit->objectName(), edit);
    if (const CreatorField *field = findCreatorField(name); field && field->startText)
        edit->setText(QString::fromLatin1(field->startText));
    if (width > 0)
        edit->setFixedWidth(width);
    if (forcedUpperCase(edit->objectName())) {
        // What the operator types or pastes becomes upper case; texts set by the program stay.
        QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
            const QString upper = text.toUpper();
            if (upper != text) {
                const int cursor = edit->cursorPosition();
                edit->setText(upper);
                edit->setCursorPosition(cursor);
            }
        });
    }
    return edit;
}

namespace creatorui {

void paintText(QWidget *control, const QColor &color)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    control->setPalette(palette);
}

QFont boldFont(const QWidget *widget)
{
    QFont font = widget->font();
    font.setBold(true);
    return font;
}

CollapsingRow::CollapsingRow(QWidget *parent, const CreatorDetailRow &row) : QFrame(parent), m_row(row)
{
    setObjectName(QStringLiteral("Panel_") + QString::fromLatin1(row.detailName));
    setFrameShape(QFrame::StyledPanel);
    m_content = new QWidget(this);
    setOpen(false);
}

} // namespace creatorui
