#include "net/ui/DeviceListModel.h"

#include "link/DeviceRegistry.h"

DeviceListModel::DeviceListModel(const DeviceRegistry &registry, QObject *parent)
    : QAbstractTableModel(parent), m_registry(&registry), m_rowCount(static_cast<int>(registry.rows().size()))
{
    connect(&registry, &DeviceRegistry::rowsChanged, this, &DeviceListModel::follow);
    // The main window's session goes before its widgets: the grid must not read a freed registry.
    connect(&registry, &QObject::destroyed, this, &DeviceListModel::registryGone);
}

const QStringList &DeviceListModel::captions()
{
    static const QStringList texts{QStringLiteral("#"),          QStringLiteral("Interface"),
                                   QStringLiteral("Product"),    QStringLiteral("Description"),
                                   QStringLiteral("IP Address"), QStringLiteral("MAC Address")};
    return texts;
}

int DeviceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int DeviceListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : DeviceRegistry::columns;
}

QVariant DeviceListModel::data(const QModelIndex &index, int role) const
{
    if (!m_registry || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QList<QStringList> &rows = m_registry->rows();
    // Between a change of the registry and follow() the two counts may differ.
    if (index.row() >= rows.size())
        return {};
    return rows[index.row()].value(index.column());
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < captions().size())
        return captions()[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void DeviceListModel::follow()
{
    const int now = m_registry ? static_cast<int>(m_registry->rows().size()) : 0;
    if (now > m_rowCount) {
        beginInsertRows({}, m_rowCount, now - 1);
        m_rowCount = now;
        endInsertRows();
    } else if (now < m_rowCount) {
        beginRemoveRows({}, now, m_rowCount - 1);
        m_rowCount = now;
        endRemoveRows();
    }
    if (m_rowCount > 0)
        emit dataChanged(index(0, 0), index(m_rowCount - 1, columnCount() - 1), {Qt::DisplayRole});
}

void DeviceListModel::registryGone()
{
    beginResetModel();
    m_rowCount = 0;
    endResetModel();
}
