#pragma once

// The pieces the EDID Creator's sub-pages are made of: check boxes and edits named after the
// CreatorState members they stand for (kept in a control set as they are made), text colours, and
// the collapsing detail rows.

#include <QColor>
#include <QFrame>
#include <QHash>
#include <QString>

#include <algorithm>

#include "edid/CreatorTables.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QWidget;

// Every control of the Creator by its name (the CreatorState member it stands for).
class CreatorControlSet
{
  public:
    QCheckBox *box(QWidget *parent, const char *name, const char *caption);
    // Takes the field's start text; the manufacturer and CEC edits turn typed text upper case.
    QLineEdit *edit(QWidget *parent, const char *name, int width);
    // A button made elsewhere (the format's radio buttons), kept by its object name.
    void keep(QAbstractButton *button);

    QAbstractButton *button(const QString &name) const { return m_buttons.value(name); }
    QLineEdit *edit(const QString &name) const { return m_edits.value(name); }

  private:
    QHash<QString, QAbstractButton *> m_buttons;
    QHash<QString, QLineEdit *> m_edits;
};

namespace creatorui {

// The text colour of an edit or a check box caption.
void paintText(QWidget *control, const QColor &color);
QFont boldFont(const QWidget *widget);

// A row of the "Audio2" and "Color Space" pages that shows only its header line until its
// "For Detail" box opens it. The content keeps its natural height and the row clips it.
class CollapsingRow : public QFrame
{
  public:
    CollapsingRow(QWidget *parent, const CreatorDetailRow &row);

    QWidget *content() const { return m_content; }

    QSize minimumSizeHint() const override
    {
        return QSize(m_content->minimumSizeHint().width(), m_row.closedHeight);
    }
    QSize sizeHint() const override { return QSize(m_content->sizeHint().width(), height()); }

    void setOpen(bool open) { setFixedHeight(open ? m_row.openHeight : m_row.closedHeight); }

  protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QFrame::resizeEvent(event);
        placeContent();
    }
    void showEvent(QShowEvent *event) override
    {
        QFrame::showEvent(event);
        placeContent();
    }

  private:
    void placeContent()
    {
        const int h = std::max(m_content->sizeHint().height(), m_row.openHeight);
        m_content->setGeometry(0, 0, width(), h);
    }

    CreatorDetailRow m_row;
    QWidget *m_content = nullptr;
};

} // namespace creatorui
