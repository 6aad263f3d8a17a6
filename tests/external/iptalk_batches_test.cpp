// The datagram batches to IPtalk, received on the loopback as IPtalk would receive them.
#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>

#include "external/iptalk.h"
#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "test_support.h"
#include "waiting_and_ports.h"

namespace zul {
namespace {

using test::sj;
using test::waitFor;

// IPtalk's end: every datagram that reaches the port, in order.
class Receiver {
public:
    explicit Receiver(quint16 port) {
        bound = socket_.bind(QHostAddress::AnyIPv4, port);
        QObject::connect(&socket_, &QUdpSocket::readyRead, &socket_, [this] {
            while (socket_.hasPendingDatagrams()) {
                datagrams << socket_.receiveDatagram().data();
            }
        });
    }
    bool bound = false;
    QByteArrayList datagrams;

private:
    QUdpSocket socket_;
};

class IptalkBatches : public ::testing::Test {
protected:
    void SetUp() override {
        settings.IPtalkCh.set(2);  // "03Ch"
        ASSERT_TRUE(receiver.bound) << "port 6912 is taken";
    }

    QStringList logLines() const {
        QStringList lines;
        for (const QByteArray& l : log.lines()) {
            lines << cp932::decode(l);
        }
        return lines;
    }

    bool receivedAtLeast(int count) {
        return waitFor([&] { return receiver.datagrams.size() >= count; });
    }

    Settings settings;
    DebugLog log;
    X11Windows windows{":987", {}};  // no window is needed here
    IptalkCooperation iptalk{{settings, log, windows, {}}};
    Receiver receiver{6912};
};

TEST_F(IptalkBatches, FadeOnChannel03GoesToPort6912OfTheOwnHostByteForByte) {
    iptalk.SendIptalkFade(true, 128);
    ASSERT_TRUE(receivedAtLeast(6));
    const QByteArray opening = sj("$set$999:＜番号付き表示設定ファイル２＞");
    const QByteArrayList expected{opening, sj("$set$401:true:フェードｏｎ"), "$end$",
                                  opening, sj("$set$402:128:フェードの量"),  "$end$"};
    EXPECT_EQ(receiver.datagrams, expected);
}

TEST_F(IptalkBatches, SettingsFileGoesToTheNamedHost) {
    const QByteArray name = sj("字幕設定.dp9");
    iptalk.SendIptalkSettingsFile(name, QStringLiteral("localhost"));
    ASSERT_TRUE(receivedAtLeast(3));
    const QByteArrayList expected{sj("$set$999:＜番号付き表示設定ファイル２＞"),
                                  "$set$617:" + name + sj(":設定の読込を指示"), "$end$"};
    EXPECT_EQ(receiver.datagrams, expected);
}

TEST_F(IptalkBatches, BatchesKeepTheirOrderWhateverTheirHostsLookUpTakes) {
    // A name that needs a look-up, then an address that needs none.
    iptalk.SendIptalkFade(false, 0);
    iptalk.SendIptalkSettingsFile("a.dp9", QStringLiteral("127.0.0.1"));
    iptalk.SendIptalkFade(true, 7);
    ASSERT_TRUE(receivedAtLeast(15));
    EXPECT_EQ(receiver.datagrams[1], sj("$set$401:false:フェードoff"));
    EXPECT_EQ(receiver.datagrams[7], "$set$617:a.dp9" + sj(":設定の読込を指示"));
    EXPECT_EQ(receiver.datagrams[13], sj("$set$402:7:フェードの量"));
}

TEST_F(IptalkBatches, AHostThatCannotBeFoundSendsNothingAndIsLogged) {
    QSignalSpy done(&iptalk, &IptalkCooperation::batchDone);
    iptalk.SendIptalkSettingsFile("a.dp9", QStringLiteral("no-such-host.invalid"));
    iptalk.SendIptalkSettingsFile("b.dp9", QString());
    ASSERT_TRUE(waitFor([&] { return done.count() == 2; }, 30000));
    QTest::qWait(100);
    EXPECT_TRUE(receiver.datagrams.isEmpty());
    EXPECT_EQ(logLines().count(QStringLiteral("IPTalkホストアドレス取得失敗")), 2);
}

TEST_F(IptalkBatches, ADatagramThatCannotGoOutIsLoggedByPositionAndTheBatchGoesOn) {
    // A name beyond what one datagram can carry.
    iptalk.SendIptalkSettingsFile(QByteArray(70000, 'x'), QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(receivedAtLeast(2));
    QTest::qWait(100);
    EXPECT_EQ(receiver.datagrams,
              QByteArrayList({sj("$set$999:＜番号付き表示設定ファイル２＞"), "$end$"}));
    EXPECT_EQ(logLines().filter(QStringLiteral("データグラム")),
              QStringList{QStringLiteral("データグラム２送信失敗。IPTalkと連携できません。")});
}

}  // namespace
}  // namespace zul
