#pragma once

// The device list's rows as the grid shows them: the registry's rows below the header, six columns
// with the list's captions. It reads the registry and follows its changes; the grid's look and its
// choosing of rows stay with the view, its delegate and DeviceListController.

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

class DeviceRegistry;

class DeviceListModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    explicit DeviceListModel(const DeviceRegistry &registry, QObject *parent = nullptr);

    // "#", "Interface", "Product", "Description", "IP Address", "MAC Address".
    static const QStringList &captions();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

  private:
    // Rows added or removed at the end, then every shown row's text may have changed.
    void follow();
    void registryGone();

    QPointer<const DeviceRegistry> m_registry;
    // The rows announced to the views; the registry's count once follow() has run.
    int m_rowCount = 0;
};
