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
const QStringList serialRow{"1", "/dev/ttyUSB0", "HDM-4K44", " Demo Matrix ", "NC", "NC"};
const QStringList networkRow{"2", "ETHERNET", "HDM-4K44", "Demo Matrix", "192.168.1.10", "02:4B:45:4C:4D:01"};
const QStringList emptyRow(6, QString());
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
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<int>("removed");

        const Steps nothing = [](DeviceRegistry &) {};
        QTest::newRow("a device's row is made")
            << nothing << Steps([](DeviceRegistry &r) { r.showRow(0, serialRow); })
            << QList<QStringList>{serialRow} << 1 << 0;
        QTest::newRow("a second device below it") << nothing << Steps([](DeviceRegistry &r) {
            r.showRow(0, serialRow);
            r.showRow(1, networkRow);
        }) << QList<QStringList>{serialRow, networkRow}
                                                  << 2 << 0;
        QTest::newRow("rows already there when the model is made")
            << Steps([](DeviceRegistry &r) { r.showRow(1, networkRow); })
            << Steps([](DeviceRegistry &r) { r.emptyRows(3, 3); }) // past the end: a change of nothing
            << QList<QStringList>{emptyRow, networkRow} << 0 << 0;
        QTest::newRow("a row changes in place") << Steps([](DeviceRegistry &r) { r.showRow(0, serialRow); })
                                                << Steps([](DeviceRegistry &r) { r.setRow(1, networkRow); })
                                                << QList<QStringList>{networkRow} << 0 << 0;
        QTest::newRow("a short row is padded, one past the list skips a row")
            << nothing << Steps([](DeviceRegistry &r) {
                   r.setRow(2, {"2", "x"});
               })
            << QList<QStringList>{emptyRow, {"2", "x", "", "", "", ""}} << 2 << 0;
        QTest::newRow("row 0 is the header: nothing changes")
            << nothing << Steps([](DeviceRegistry &r) { r.setRow(0, serialRow); }) << QList<QStringList>{}
            << 0 << 0;
        QTest::newRow("fewer rows: the last ones go") << Steps([](DeviceRegistry &r) {
            r.setRowCount(4);
            r.setRow(3, networkRow);
        }) << Steps([](DeviceRegistry &r) { r.setRowCount(2); })
                                                      << QList<QStringList>{emptyRow} << 0 << 2;
        QTest::newRow("a search empties the rows and keeps them") << Steps([](DeviceRegistry &r) {
            r.showRow(0, serialRow);
            r.showRow(1, networkRow);
        }) << Steps([](DeviceRegistry &r) { r.startSearch(); }) << QList<QStringList>{emptyRow, emptyRow}
                                                                  << 0 << 0;
        QTest::newRow("a disconnect empties the listed devices' rows") << Steps([](DeviceRegistry &r) {
            r.showRow(r.list(SYS_STATUS{}), serialRow);
            r.showRow(2, networkRow); // a stale row beyond the listed ones stays
        }) << Steps([](DeviceRegistry &r) {
            r.clearList();
        }) << QList<QStringList>{emptyRow, emptyRow, networkRow} << 0 << 0;
        QTest::newRow("a search after a longer one: rows emptied, then the first made")
            << Steps([](DeviceRegistry &r) { r.setRowCount(4); }) << Steps([](DeviceRegistry &r) {
                   r.startSearch();
                   r.showRow(0, serialRow);
               })
            << QList<QStringList>{serialRow} << 0 << 2;
    }

    void followsTheRegistry()
    {
        QFETCH(Steps, before);
        QFETCH(Steps, steps);
        QFETCH(QList<QStringList>, rows);
        QFETCH(int, inserted);
        QFETCH(int, removed);

        DebugLog log;
        DeviceRegistry registry(log);
        before(registry);
        DeviceListModel model(registry);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        int insertedRows = 0;
        int removedRows = 0;
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex &, int first, int last) { insertedRows += last - first + 1; });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex &, int first, int last) { removedRows += last - first + 1; });
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        steps(registry);

        QCOMPARE(model.rowCount(), rows.size());
        QCOMPARE(model.columnCount(), 6);
        QCOMPARE(insertedRows, inserted);
        QCOMPARE(removedRows, removed);
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < 6; ++c) {
                QCOMPARE(model.index(r, c).data().toString(), rows[r][c]);
                QCOMPARE(model.index(r, c).data().toString(), registry.rows()[r][c]);
            }
        // Every shown row was announced as changed at the last change.
        if (!rows.isEmpty()) {
            QVERIFY(!changed.isEmpty());
            QCOMPARE(changed.last().at(0).toModelIndex(), model.index(0, 0));
            QCOMPARE(changed.last().at(1).toModelIndex(), model.index(static_cast<int>(rows.size()) - 1, 5));
        }
        const QStringList captions{"#", "Interface", "Product", "Description", "IP Address", "MAC Address"};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), captions[c]);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    }

    // The main window's session, with the registry, goes before the grid that shows it.
    void registryGoneLeavesNoRows()
    {
        DebugLog log;
        auto registry = std::make_unique<DeviceRegistry>(log);
        registry->showRow(1, networkRow);
        DeviceListModel model(*registry);
        QCOMPARE(model.rowCount(), 2);
        registry.reset();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.index(1, 1).data().isValid());
    }
};

QTEST_GUILESS_MAIN(DeviceListModelTest)
#include "tst_device_list_model.moc"
