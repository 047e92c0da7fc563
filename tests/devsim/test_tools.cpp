// kelm-devsim and kelmctl as separate processes, the way an operator runs them.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

class Devsim
{
  public:
    explicit Devsim(const QStringList &args)
    {
        m_process.start(QStringLiteral(KELM_DEVSIM_EXE), args);
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
            m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~Devsim()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString port() const { return m_port; }

  private:
    QProcess m_process;
    QString m_port;
};

struct Result
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Result kelmctl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(KELMCTL_EXE), args);
    p.waitForFinished(20000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

TEST(Tools, InfoOfANormalDevice)
{
    Devsim sim({"--users", "3", "--internals", "2", "--description", "Rack 7"});
    ASSERT_FALSE(sim.port().isEmpty());
    const Result r = kelmctl({"--port", sim.port(), "info", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.constData();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o.value("port").toString(), sim.port());
    EXPECT_EQ(o.value("mode").toString(), "normal");
    EXPECT_EQ(o.value("productString").toString(), "Rack 7");
    EXPECT_EQ(o.value("userCount").toInt(), 3);
    EXPECT_EQ(o.value("internalCount").toInt(), 2);
    EXPECT_TRUE(o.value("input1").toObject().value("modeSelectable").toBool());

    const Result text = kelmctl({"--port", sim.port(), "info"});
    ASSERT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.contains("Description:     Rack 7\n"));
}

TEST(Tools, InfoFindsTheFirstAnsweringPort)
{
    Devsim silent({"--mode", "silent"});
    Devsim isp({"--mode", "isp091"});
    const Result r = kelmctl({"--port", silent.port(), "--port", isp.port(), "info", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.constData();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o.value("port").toString(), isp.port());
    EXPECT_EQ(o.value("mode").toString(), "isp091");
    EXPECT_EQ(o.value("productName").toString(), "KELM-ISP");
}

TEST(Tools, InfoFailuresAndUsage)
{
    Devsim silent({"--mode", "silent"});
    const Result none = kelmctl({"--port", silent.port(), "info"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "No Device Detected.\n");
    EXPECT_EQ(kelmctl({"--port", silent.port(), "info", "--yaml"}).status, 2);
    EXPECT_EQ(kelmctl({"--port"}).status, 2);
}

TEST(Tools, DevsimRefusesBadOptions)
{
    // All refused before anything is opened, so none of them touches the network.
    const QList<QStringList> cases = {
        {"--mode", "sleepy"},
        {"--users", "300"},
        {"--ip", "10.0.0.7"}, // identity without --network
        {"--network", "--mac", "02:4B:45:4C:4D"},
        {"--network", "--ip", "10.7"}, // Qt would read it as 10.0.0.7
        {"--network", "--ip", "10.0.0.256"},
    };
    for (const QStringList &args : cases) {
        QProcess p;
        p.start(QStringLiteral(KELM_DEVSIM_EXE), args);
        p.waitForFinished(5000);
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << args.join(' ').toStdString();
    }
}

} // namespace
