// Broadcasts through THmUdp between two network namespaces joined by a veth pair on
// 10.201.N.0/24. Each end runs the udp_probe helper inside its namespace with
// `ip netns exec`. Needs root and iproute2; skipped otherwise.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QProcess>

#include <unistd.h>

namespace {

constexpr int kPort = 30000;
constexpr int kProbeTimeoutMs = 5000;

struct Result {
    bool ok = false;
    QString output;
};

Result run(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool finished = process.waitForFinished(10000);
    Result result;
    result.output = QString::fromUtf8(process.readAll());
    result.ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return result;
}

class UdpBroadcastNetns : public ::testing::Test {
protected:
    void SetUp() override {
        const qint64 pid = ::getpid();
        subnet_ = QStringLiteral("10.201.%1.").arg(1 + pid % 250);
        nsA_ = QStringLiteral("zulA%1").arg(pid);
        nsB_ = QStringLiteral("zulB%1").arg(pid);
        vethA_ = QStringLiteral("zua%1").arg(pid);
        vethB_ = QStringLiteral("zub%1").arg(pid);

        const Result added = run(QStringLiteral("ip"), {"netns", "add", nsA_});
        if (!added.ok) {
            GTEST_SKIP() << "network namespaces unavailable (needs root and iproute2): "
                         << added.output.trimmed().toStdString();
        }
        created_ = true;
        ip({"netns", "add", nsB_});
        ip({"link", "add", vethA_, "type", "veth", "peer", "name", vethB_});
        ip({"link", "set", vethA_, "netns", nsA_});
        ip({"link", "set", vethB_, "netns", nsB_});
        ip({"-n", nsA_, "addr", "add", address(1) + "/24", "dev", vethA_});
        ip({"-n", nsB_, "addr", "add", address(2) + "/24", "dev", vethB_});
        for (const auto& [ns, veth] : {std::pair{nsA_, vethA_}, std::pair{nsB_, vethB_}}) {
            ip({"-n", ns, "link", "set", "lo", "up"});
            ip({"-n", ns, "link", "set", veth, "up"});
            // Inside the namespace the host name resolves as on a fresh Debian machine,
            // to 127.0.1.1, whatever this machine's own hosts file says.
            writeNamespaceHosts(ns);
        }
        ASSERT_TRUE(probeBuilt()) << "helper missing: " << ZUL_UDP_PROBE;
    }

    void TearDown() override {
        if (!created_) {
            return;
        }
        if (listener_.state() != QProcess::NotRunning) {
            listener_.kill();
            listener_.waitForFinished(2000);
        }
        run(QStringLiteral("ip"), {"netns", "del", nsA_});
        run(QStringLiteral("ip"), {"netns", "del", nsB_});
        run(QStringLiteral("ip"), {"link", "del", vethA_});  // if it never moved
        // /etc/netns itself stays: a test running in parallel may be filling it.
        for (const QString& ns : {nsA_, nsB_}) {
            QDir(QStringLiteral("/etc/netns/") + ns).removeRecursively();
        }
    }

    QString address(int host) const { return subnet_ + QString::number(host); }

    void ip(const QStringList& args) {
        const Result result = run(QStringLiteral("ip"), args);
        ASSERT_TRUE(result.ok) << "ip " << args.join(' ').toStdString() << ": "
                               << result.output.toStdString();
    }

    static bool probeBuilt() { return QFile::exists(QStringLiteral(ZUL_UDP_PROBE)); }

    static void writeNamespaceHosts(const QString& ns) {
        const QString dir = QStringLiteral("/etc/netns/") + ns;
        QDir().mkpath(dir);
        QFile hosts(dir + QStringLiteral("/hosts"));
        ASSERT_TRUE(hosts.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hosts.write("127.0.0.1\tlocalhost\n127.0.1.1\t" + QHostInfo::localHostName().toUtf8() +
                    "\n");
    }

    // Runs the helper in `ns` and waits for it.
    Result probe(const QString& ns, const QStringList& args) {
        return run(QStringLiteral("ip"),
                   QStringList{"netns", "exec", ns, QStringLiteral(ZUL_UDP_PROBE)} + args);
    }

    // Starts the listener in namespace B and waits until its socket is open.
    bool startListener() {
        listener_.setProcessChannelMode(QProcess::MergedChannels);
        listener_.start(QStringLiteral("ip"),
                        {"netns", "exec", nsB_, QStringLiteral(ZUL_UDP_PROBE), "listen",
                         QString::number(kPort), QString::number(kProbeTimeoutMs)});
        while (listener_.waitForReadyRead(kProbeTimeoutMs)) {
            listenerOutput_ += QString::fromUtf8(listener_.readAll());
            if (listenerOutput_.contains(QStringLiteral("ready\n"))) {
                return true;
            }
        }
        return false;
    }

    QString listenerResult() {
        listener_.waitForFinished(kProbeTimeoutMs + 2000);
        return listenerOutput_ + QString::fromUtf8(listener_.readAll());
    }

    QString subnet_, nsA_, nsB_, vethA_, vethB_;
    bool created_ = false;
    QProcess listener_;
    QString listenerOutput_;
};

}  // namespace

TEST_F(UdpBroadcastNetns, DirectedBroadcastFromOneNamespaceArrivesInTheOther) {
    ASSERT_TRUE(startListener()) << listenerResult().toStdString();

    const Result sender =
        probe(nsA_, {"broadcast", QString::number(kPort), "ZUL,1,", QString::number(4000)});
    // The broadcast address comes from namespace A's own interface table: its card, not
    // the loopback one, with the card's address since the host name is a loopback address.
    EXPECT_TRUE(sender.output.contains(QStringLiteral("broadcast ") + address(255) + "\n"))
        << sender.output.toStdString();
    EXPECT_TRUE(sender.output.contains(QStringLiteral("sent 6\n"))) << sender.output.toStdString();
    // A socket bound to all addresses hears its own broadcast, as every copy of the
    // program relies on to list itself.
    EXPECT_TRUE(sender.output.contains(QStringLiteral("own ") + address(1) + "\n"))
        << sender.output.toStdString();
    EXPECT_TRUE(sender.ok) << sender.output.toStdString();

    const QString heard = listenerResult();
    EXPECT_TRUE(
        heard.contains(QStringLiteral("received %1 %2 ZUL,1,\n").arg(address(1)).arg(kPort)))
        << heard.toStdString();
    EXPECT_EQ(listener_.exitCode(), 0) << heard.toStdString();
}

TEST_F(UdpBroadcastNetns, SendThatWouldBlockIsFollowedByExactlyOneOnSent) {
    // A slow queue on A's card holds the datagrams so that the socket's send buffer fills.
    const Result shaped =
        run(QStringLiteral("tc"), {"-n", nsA_, "qdisc", "add", "dev", vethA_, "root", "tbf", "rate",
                                   "10mbit", "burst", "10kb", "latency", "2s"});
    if (!shaped.ok) {
        GTEST_SKIP() << "traffic shaping unavailable: " << shaped.output.trimmed().toStdString();
    }
    const Result flood = probe(
        nsA_, {"flood", address(2), QString::number(kPort), QString::number(kProbeTimeoutMs)});
    EXPECT_TRUE(flood.output.contains(QStringLiteral(" 10035\n"))) << flood.output.toStdString();
    EXPECT_TRUE(flood.output.contains(QStringLiteral("sent-again\n")))
        << flood.output.toStdString();
    EXPECT_TRUE(flood.output.contains(QStringLiteral("sent-count 1\n")))
        << flood.output.toStdString();
    EXPECT_TRUE(flood.ok) << flood.output.toStdString();
}
