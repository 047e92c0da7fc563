#include "shell/ui/Accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include <algorithm>
#include <functional>
#include <tuple>

namespace {

// Controls whose caption does not say what they are (an icon-only button, a list without a label).
struct KnownName
{
    const char *objectName;
    const char *name;
};
constexpr KnownName kKnownNames[] = {
    {"SpeedButton_CopyEdid_Src2Dest", "Copy"},
    {"StringGrid1", "Device list"},
    {"Memo_Debug", "Debug log"},
    {"Panel_Debug", "Show or hide the debug log"},
    {"Edit_Fw_Path", "Firmware file"},
    {"ScrollBox1", "Audio formats"},
    {"PageControl1", "Pages"},
    {"PageControl2", "EDID Creator pages"},
    {"Tabs_Compare", "Comparison"},
    {"Hex_Compare_A", "Image A in hex"},
    {"Hex_Compare_B", "Image B in hex"},
};

QString cleanCaption(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    text = text.simplified();
    while (text.endsWith(QLatin1Char(':')))
        text = text.chopped(1).trimmed();
    return text;
}

// Widgets that are one stop however many child widgets they are made of.
bool isCompound(const QWidget *w)
{
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QComboBox *>(w) ||
           qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QAbstractItemView *>(w) ||
           qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w) ||
           qobject_cast<const QLineEdit *>(w) || qobject_cast<const QTabBar *>(w) ||
           qobject_cast<const QAbstractSlider *>(w) || qobject_cast<const QMenuBar *>(w);
}

bool isStop(const QWidget *w)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy() && !w->isWindow();
}

// The widgets of a layout in reading order: grid cells row by row, form rows label first, boxes in
// their direction.
void layoutWidgets(QLayout *layout, QList<QWidget *> &out)
{
    struct Placed
    {
        int row;
        int column;
        QLayoutItem *item;
    };
    QList<Placed> items;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        int row = i, column = 0;
        if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
            int rowSpan = 0, columnSpan = 0;
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        } else if (auto *form = qobject_cast<QFormLayout *>(layout)) {
            QFormLayout::ItemRole role = QFormLayout::LabelRole;
            form->getItemPosition(i, &row, &role);
            column = role == QFormLayout::LabelRole ? 0 : 1;
        } else if (auto *box = qobject_cast<QBoxLayout *>(layout)) {
            if (box->direction() == QBoxLayout::RightToLeft || box->direction() == QBoxLayout::BottomToTop)
                row = -i;
        }
        items.append({row, column, item});
    }
    std::stable_sort(items.begin(), items.end(), [](const Placed &a, const Placed &b) {
        return std::tie(a.row, a.column) < std::tie(b.row, b.column);
    });
    for (const Placed &p : items) {
        if (QWidget *w = p.item->widget())
            out.append(w);
        else if (QLayout *inner = p.item->layout())
            layoutWidgets(inner, out);
    }
}

// Children placed by hand: lines from the top (a child whose middle lies within the line's first
// child starts no new line), each line from the left.
void sortByPosition(QList<QWidget *> &widgets)
{
    std::stable_sort(widgets.begin(), widgets.end(),
                     [](const QWidget *a, const QWidget *b) { return a->y() < b->y(); });
    QList<QWidget *> sorted;
    qsizetype start = 0;
    while (start < widgets.size()) {
        const QRect first = widgets[start]->geometry();
        qsizetype end = start + 1;
        while (end < widgets.size() && widgets[end]->geometry().center().y() < first.bottom())
            ++end;
        QList<QWidget *> line = widgets.mid(start, end - start);
        std::stable_sort(line.begin(), line.end(), [](const QWidget *a, const QWidget *b) { return a->x() < b->x(); });
        sorted += line;
        start = end;
    }
    widgets = sorted;
}

QList<QWidget *> orderedChildren(QWidget *parent)
{
    QList<QWidget *> ordered;
    if (auto *tabs = qobject_cast<QTabWidget *>(parent)) {
        ordered.append(tabs->tabBar());
        for (int i = 0; i < tabs->count(); ++i)
            ordered.append(tabs->widget(i));
        return ordered;
    }
    if (auto *stack = qobject_cast<QStackedWidget *>(parent)) {
        for (int i = 0; i < stack->count(); ++i)
            ordered.append(stack->widget(i));
        return ordered;
    }
    if (auto *scroll = qobject_cast<QScrollArea *>(parent)) {
        if (scroll->widget())
            ordered.append(scroll->widget());
        return ordered;
    }
    if (auto *split = qobject_cast<QSplitter *>(parent)) {
        for (int i = 0; i < split->count(); ++i)
            ordered.append(split->widget(i));
        return ordered;
    }
    QList<QWidget *> laidOut;
    if (parent->layout())
        layoutWidgets(parent->layout(), laidOut);
    for (QWidget *w : laidOut)
        if (w->parentWidget() == parent && !w->isWindow() && !ordered.contains(w))
            ordered.append(w);
    QList<QWidget *> placed;
    for (QObject *child : parent->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (w && !w->isWindow() && !ordered.contains(w))
            placed.append(w);
    }
    sortByPosition(placed);
    return ordered + placed;
}

void collectStops(QWidget *w, QList<QWidget *> &stops)
{
    if (isStop(w))
        stops.append(w);
    if (isCompound(w))
        return;
    for (QWidget *child : orderedChildren(w))
        collectStops(child, stops);
}

// The label that describes a control: its buddy, else the label before it in its layout row, else
// the label above it in a grid column.
QLabel *describingLabel(const QWidget *control)
{
    const QWidget *parent = control->parentWidget();
    if (!parent)
        return nullptr;
    for (QLabel *label : parent->findChildren<QLabel *>())
        if (label->buddy() == control)
            return label;
    // Find the layout that holds the control, wherever it is nested.
    std::function<QLabel *(QLayout *)> search = [&](QLayout *layout) -> QLabel * {
        const int index = layout->indexOf(const_cast<QWidget *>(control));
        if (index >= 0) {
            if (auto *form = qobject_cast<QFormLayout *>(layout)) {
                int row = 0;
                QFormLayout::ItemRole role;
                form->getItemPosition(index, &row, &role);
                if (QLayoutItem *item = form->itemAt(row, QFormLayout::LabelRole))
                    return qobject_cast<QLabel *>(item->widget());
                return nullptr;
            }
            if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
                int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
                grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
                for (int c = column - 1; c >= 0; --c)
                    if (QLayoutItem *item = grid->itemAtPosition(row, c))
                        if (auto *label = qobject_cast<QLabel *>(item->widget()))
                            return label;
                if (row > 0)
                    if (QLayoutItem *item = grid->itemAtPosition(row - 1, column))
                        return qobject_cast<QLabel *>(item->widget());
                return nullptr;
            }
            for (int i = index - 1; i >= 0; --i) {
                QLayoutItem *item = layout->itemAt(i);
                if (auto *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr)
                    return label;
                if (item && (item->widget() || item->layout()))
                    break;
            }
            return nullptr;
        }
        for (int i = 0; i < layout->count(); ++i)
            if (QLayout *inner = layout->itemAt(i)->layout())
                if (QLabel *label = search(inner))
                    return label;
        return nullptr;
    };
    return parent->layout() ? search(parent->layout()) : nullptr;
}

} // namespace

QString accessibleNameFor(const QWidget *control)
{
    for (const KnownName &known : kKnownNames)
        if (control->objectName() == QLatin1String(known.objectName))
            return QString::fromLatin1(known.name);
    if (auto *bar = qobject_cast<const QTabBar *>(control))
        if (auto *tabs = qobject_cast<const QTabWidget *>(bar->parentWidget()))
            return accessibleNameFor(tabs);
    if (auto *button = qobject_cast<const QAbstractButton *>(control)) {
        const QString caption = cleanCaption(button->text());
        if (!caption.isEmpty())
            return caption;
    }
    if (auto *group = qobject_cast<const QGroupBox *>(control))
        return cleanCaption(group->title());

    if (const QLabel *label = describingLabel(control)) {
        const QString caption = cleanCaption(label->text());
        if (!caption.isEmpty())
            return caption;
    }
    // A list alone in its group is named by the group, a page (or what fills it) by its tab.
    for (const QWidget *up = control; up && !up->isWindow(); up = up->parentWidget()) {
        if (auto *group = qobject_cast<const QGroupBox *>(up); group && group != control) {
            const QString title = cleanCaption(group->title());
            if (!title.isEmpty())
                return title;
        }
        if (auto *stack = qobject_cast<const QStackedWidget *>(up->parentWidget()))
            if (auto *tabs = qobject_cast<const QTabWidget *>(stack->parentWidget()))
                return cleanCaption(tabs->tabText(tabs->indexOf(const_cast<QWidget *>(up))));
    }
    return cleanCaption(control->toolTip());
}

void makeAccessible(QWidget *root)
{
    if (!root)
        return;
    QList<QWidget *> stops;
    collectStops(root, stops);
    for (QWidget *w : stops) {
        if (!w->accessibleName().isEmpty())
            continue;
        if (QLabel *label = describingLabel(w); label && !label->buddy() && !qobject_cast<QAbstractButton *>(w))
            label->setBuddy(w);
        w->setAccessibleName(accessibleNameFor(w));
    }
    for (qsizetype i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
}
