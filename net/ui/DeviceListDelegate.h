#pragma once

#include <QColor>
#include <QStyledItemDelegate>

#include <functional>

class QTableView;

// Paints the cells of the device list (StringGrid1DrawCell): once a row has been chosen, that row
// aqua and the others white; black text on one line, centred; a column or row too small for its
// text grows to fit it.
class DeviceListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
  public:
    static inline const QColor kAqua{0, 255, 255};
    static inline const QColor kWhite{255, 255, 255};
    static constexpr int kColumnSlack = 8; // pixels beyond the text width
    static constexpr int kRowSlack = 4;    // pixels beyond the text height

    // highlightRow gives the grid row painted as chosen (1 = first device, 0 = none yet).
    DeviceListDelegate(QTableView &grid, std::function<int()> highlightRow, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

  private:
    void growToFit(const QFontMetrics &metrics, const QModelIndex &index, const QString &text) const;

    QTableView &m_grid;
    std::function<int()> m_highlightRow;
};
