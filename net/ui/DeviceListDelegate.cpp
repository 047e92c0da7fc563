#include "net/ui/DeviceListDelegate.h"

#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QTableView>
#include <QTimer>

#include <algorithm>

DeviceListDelegate::DeviceListDelegate(QTableView &grid, std::function<int()> highlightRow, QObject *parent)
    : QStyledItemDelegate(parent), m_grid(grid), m_highlightRow(std::move(highlightRow))
{
}

void DeviceListDelegate::growToFit(const QFontMetrics &metrics, const QModelIndex &index,
                                   const QString &text) const
{
    const int column = index.column();
    const int row = index.row();
    // The header row is a row of the list too: its caption widens the column the same way.
    const QString caption = m_grid.model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const int wanted = std::max(metrics.horizontalAdvance(text),
                                QFontMetrics(m_grid.horizontalHeader()->font()).horizontalAdvance(caption));
    const int tall = metrics.height();
    const bool wider = wanted > m_grid.columnWidth(column);
    const bool taller = tall > m_grid.rowHeight(row);
    if (!wider && !taller)
        return;
    // Resizing inside a paint would re-enter the view's layout; it happens right after instead.
    QPointer<QTableView> grid(&m_grid);
    QTimer::singleShot(0, &m_grid, [grid, column, row, wanted, tall, wider, taller] {
        if (!grid)
            return;
        if (wider && grid->columnWidth(column) < wanted + kColumnSlack)
            grid->setColumnWidth(column, wanted + kColumnSlack);
        if (taller && row < grid->model()->rowCount() && grid->rowHeight(row) < tall + kRowSlack)
            grid->setRowHeight(row, tall + kRowSlack);
    });
}

void DeviceListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetrics metrics(option.font);
    growToFit(metrics, index, text);

    // Until the first choice the cells keep the grid's own colour.
    QColor fill = option.palette.color(QPalette::Base);
    const int highlight = m_highlightRow ? m_highlightRow() : 0;
    if (highlight != 0)
        fill = index.row() + 1 == highlight ? kAqua : kWhite;

    painter->save();
    painter->fillRect(option.rect, fill);
    painter->setFont(option.font);
    painter->setPen(Qt::black);
    painter->drawText(option.rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter->restore();
}

QSize DeviceListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QFontMetrics metrics(option.font);
    const QString text = index.data(Qt::DisplayRole).toString();
    return {metrics.horizontalAdvance(text) + kColumnSlack, metrics.height() + kRowSlack};
}
