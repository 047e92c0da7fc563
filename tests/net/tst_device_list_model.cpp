// The device list's model against the registry it shows: rows appear, change and go as the
// registry's do, each cell is the registry's text, and the views are told in a consistent order.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

#include "link/DeviceRegistry.h"
#include "net/ui/DeviceListModel.h"
#include "shell/DebugLog.h"

namespace {
const QStringList serial{"1", "/dev/ttyUSB0", "HDM-4K44", " Demo Matrix ", "NC", "NC"};
const QStringList network{"2", "ETHERNET", "HDM-4K44", "Demo Matrix", "192.168.1.10", "02:4B:45:4C:4D:01"};
const QStringList none(6, QString());
using Rows = QList<QStringList>;
} // namespace

using Steps = std::function<void(DeviceRegistry &)>;
Q_DECLARE_METATYPE(Steps)

class DeviceListModelTest : public QObject
{
    Q_OBJECT
  private slots:
    void followsTheRegistry_data()
    {
        QTest::addColumn<Steps>("before"); // done before the model exists
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<int>("removed");
        const Steps nothing = [](DeviceRegistry &) {};
        QTest::newRow("two devices' rows made") << nothing << Steps([](DeviceRegistry &r) {
            r.showRow(0, serial);
            r.showRow(1, network);
        }) << Rows{serial, network} << 2 << 0;
        QTest::newRow("rows there before the model, a change of nothing")
            << Steps([](DeviceRegistry &r) { r.showRow(1, network); })
            << Steps([](DeviceRegistry &r) { r.emptyRows(3, 3); }) << Rows{none, network} << 0 << 0;
        QTest::newRow("a row changes in place")
            << Steps([](DeviceRegistry &r) { r.showRow(0, serial); })
            << Steps([](DeviceRegistry &r) { r.setRow(1, network); }) << Rows{network} << 0 << 0;
        QTest::newRow("a disconnect empties the listed rows, a stale one stays")
            << Steps([](DeviceRegistry &r) {
                   r.showRow(r.list(SYS_STATUS{}), serial);
                   r.showRow(2, network);
               })
            << Steps([](DeviceRegistry &r) { r.clearList(); }) << Rows{none, none, network} << 0 << 0;
        QTest::newRow("a search after a longer one")
            << Steps([](DeviceRegistry &r) { r.setRowCount(4); }) << Steps([](DeviceRegistry &r) {
                   r.startSearch();
                   r.showRow(0, serial);
               })
            << Rows{serial} << 0 << 2;
    }

    void followsTheRegistry()
    {
        QFETCH(Steps, before);
        QFETCH(Steps, steps);
        QFETCH(Rows, rows);
        QFETCH(int, inserted);
        QFETCH(int, removed);
        DebugLog log;
        DeviceRegistry registry(log);
        before(registry);
        DeviceListModel model(registry);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        int insertedRows = 0, removedRows = 0;
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex &, int first, int last) { insertedRows += last - first + 1; });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex &, int first, int last) { removedRows += last - first + 1; });
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        steps(registry);

        QCOMPARE(insertedRows, inserted);
        QCOMPARE(removedRows, removed);
        QCOMPARE(model.rowCount(), rows.size());
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < 6; ++c)
                QCOMPARE(model.index(r, c).data().toString(), rows[r][c]);
        // The views repaint every shown row after the last change.
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(1).toModelIndex(), model.index(int(rows.size()) - 1, 5));
        QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QString("IP Address"));
    }

    // The main window's session, with the registry, goes before the grid that shows it.
    void registryGoneLeavesNoRows()
    {
        DebugLog log;
        auto registry = std::make_unique<DeviceRegistry>(log);
        registry->showRow(1, network);
        DeviceListModel model(*registry);
        registry.reset();
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(DeviceListModelTest)
#include "tst_device_list_model.moc"
