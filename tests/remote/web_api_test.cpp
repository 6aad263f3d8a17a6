// The browser remote's JSON edge and its door: requests to packets, replies and scripts
// to JSON, and the checks of a request's head before anything parses it.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/broadcast_address.h"
#include "protocol/packets.h"
#include "remote/request_gate.h"
#include "remote/web_api.h"
#include "test_support.h"

using zul::test::sj;

namespace zul {
namespace {

QJsonObject object(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

struct PacketCase {
    QByteArray json;
    QByteArray packet;      // expected packet; empty when refused
    const char* errorPart;  // a part of the message when refused
};

TEST(WebApi, PacketRequestsBecomePacketsOrClearRefusals) {
    const QByteArray longText(258, 'a');
    const PacketCase cases[] = {
        {R"({"command":"CmdLineUpdate","operand":"こんにちは"})",
         makeInternalPacket(Cmd::CmdLineUpdate, sj("こんにちは")), nullptr},
        {R"({"command":"CmdPptNext"})", makeInternalPacket(Cmd::CmdPptNext), nullptr},
        {R"({"command":"CmdPptNext","operand":null})", makeInternalPacket(Cmd::CmdPptNext),
         nullptr},
        {R"({"command":"CmdFade","operand":128})", makeInternalPacket(Cmd::CmdFade, "128"),
         nullptr},
        {R"({"command":"CmdFade","operand":"0"})", makeInternalPacket(Cmd::CmdFade, "0"), nullptr},
        {R"({"command":"CmdPartUpdate","operand":"得点,12,,"})",
         makeInternalPacket(Cmd::CmdPartUpdate, sj("得点,12,,")), nullptr},
        {R"({"command":"CmdWallpaper","operand":"表.jpg"})",
         makeInternalPacket(Cmd::CmdWallpaper, sj("表.jpg")), nullptr},
        // The operand may be as long as the interpreter reads, not a byte more.
        {R"({"command":"CmdLineUpdate","operand":")" + longText + R"("})",
         makeInternalPacket(Cmd::CmdLineUpdate, longText), nullptr},
        {R"({"command":"CmdLineUpdate","operand":")" + longText + R"(a"})", {}, "長すぎます"},
        {R"({"command":"CmdNoSuch","operand":""})", {}, "不明なコマンド"},
        {R"({"command":"cmdlineupdate","operand":"x"})", {}, "不明なコマンド"},
        {R"({"operand":"x"})", {}, "command"},
        {R"(["CmdLineUpdate"])", {}, "JSON"},
        {R"({"command":"CmdLineUpdate","operand":"a)", {}, "JSON"},
        {R"({"command":"CmdLineUpdate","operand":"one\ntwo"})", {}, "改行"},
        {R"({"command":"CmdLineUpdate","operand":"one\rtwo"})", {}, "改行"},
        {R"({"command":"CmdLineUpdate","operand":"a\u0000b"})", {}, "NUL"},
        {R"({"command":"CmdLineUpdate","operand":"😀"})", {}, "シフトJIS"},
        {R"({"command":"CmdLineUpdate","operand":{"a":1}})", {}, "文字列か整数"},
        {R"({"command":"CmdFade","operand":1.5})", {}, "文字列か整数"},
        {R"({"command":"CmdPptNext","operand":"x"})", {}, "operand を取りません"},
        {R"({"command":"CmdFade","operand":"half"})", {}, "整数"},
        {R"({"command":"CmdFade","operand":"256"})", {}, "0 から 255"},
        {R"({"command":"CmdFade","operand":"-1"})", {}, "0 から 255"},
        {R"({"command":"CmdStretch","operand":"99999999999"})", {}, "整数"},
        {R"({"command":"CmdPartUpdate","operand":"a,b,c"})", {}, "カンマはちょうど3つ"},
        {R"({"command":"CmdPartUpdate","operand":"a,b,c,d,e"})", {}, "カンマはちょうど3つ"},
    };
    for (const PacketCase& c : cases) {
        const PacketRequest r = parsePacketRequest(c.json);
        if (c.errorPart == nullptr) {
            EXPECT_TRUE(r.ok()) << c.json.constData() << ": " << r.error.toStdString();
            EXPECT_EQ(r.packet, c.packet) << c.json.constData();
        } else {
            EXPECT_FALSE(r.ok()) << c.json.constData();
            EXPECT_TRUE(r.packet.isEmpty()) << c.json.constData();
            EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.errorPart)))
                << c.json.constData() << ": " << r.error.toStdString();
        }
    }
}

TEST(WebApi, EveryCommandIsKnownByItsIdentifier) {
    for (const CommandInfo& info : commandTable()) {
        const QByteArray id(info.identifier.data(), static_cast<qsizetype>(info.identifier.size()));
        const PacketRequest r = parsePacketRequest(R"({"command":")" + id + R"("})");
        // Commands that need a number or four fields refuse the empty operand, but never
        // as an unknown command.
        EXPECT_FALSE(r.error.contains(QStringLiteral("不明"))) << id.constData();
        if (r.ok()) {
            EXPECT_EQ(commandByteOf(r.packet), info.byte) << id.constData();
        }
    }
}

TEST(WebApi, RepliesAreDecodedPacketByPacket) {
    const QByteArray bytes = makePacket(Cmd::CmdDirListReceive, sj("表紙.jpg")) +
                             makePacket(Cmd::CmdDirListReceive, "b.pdf") +
                             makePacket(Cmd::CmdFileListDone, sj("/ベース"));
    const QJsonArray replies = object(repliesJson(bytes)).value("replies").toArray();
    ASSERT_EQ(replies.size(), 3);
    EXPECT_EQ(replies[0].toObject().value("command").toString(), "CmdDirListReceive");
    EXPECT_EQ(replies[0].toObject().value("operand").toString(), QStringLiteral("表紙.jpg"));
    EXPECT_EQ(replies[1].toObject().value("operand").toString(), "b.pdf");
    EXPECT_EQ(replies[2].toObject().value("command").toString(), "CmdFileListDone");
    EXPECT_EQ(replies[2].toObject().value("operand").toString(), QStringLiteral("/ベース"));
    EXPECT_EQ(object(repliesJson({})).value("replies").toArray().size(), 0);
}

TEST(WebApi, ScriptLinesAreSortedAsTheConsoleSortsThem) {
    const QByteArray file =
        sj("開会の辞\r\n<--司会のメモ\r\n<--Que 第二部\r\n<-- Ｑ 表彰\r\n"
           "\r\n<-- １ 番号のメモ\nおわり");
    const std::vector<ScriptLine> lines = scriptLines(file, 100);
    ASSERT_EQ(lines.size(), 7U);
    const std::pair<const char*, ScriptLineKind> expected[] = {
        {"開会の辞", ScriptLineKind::Send},
        {"<--司会のメモ", ScriptLineKind::Note},
        {"<--Que 第二部", ScriptLineKind::Marker},
        {"<-- Ｑ 表彰", ScriptLineKind::Marker},
        {"", ScriptLineKind::Send},
        {"<-- １ 番号のメモ", ScriptLineKind::Note},
        {"おわり", ScriptLineKind::Send},
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].text, QString::fromUtf8(expected[i].first)) << i;
        EXPECT_EQ(lines[i].kind, expected[i].second) << i;
    }
    EXPECT_EQ(scriptLines(file, 2).size(), 2U);
    const QJsonObject json = object(scriptJson(lines, true));
    EXPECT_TRUE(json.value("truncated").toBool());
    EXPECT_EQ(json.value("lines").toArray()[2].toObject().value("kind").toString(), "marker");
    EXPECT_EQ(json.value("lines").toArray()[1].toObject().value("kind").toString(), "note");
}

TEST(WebApi, StateCarriesTextsColoursAndParts) {
    RemoteState state;
    state.caption = sj("ただいまの得点");
    state.scroll = true;
    state.background = sj("表彰.jpg");
    state.files = {QStringLiteral("a.jpg"), QStringLiteral("表彰.jpg")};
    state.parts.push_back(RemotePart{sj("得点"), "12", 0x0000FF, 0xFF0000, true});
    state.operators = 2;
    state.opacity = 128;
    const QJsonObject o = object(stateJson(state, true));
    EXPECT_EQ(o.value("type").toString(), "state");
    EXPECT_EQ(o.value("caption").toObject().value("text").toString(),
              QStringLiteral("ただいまの得点"));
    EXPECT_TRUE(o.value("caption").toObject().value("scroll").toBool());
    EXPECT_EQ(o.value("background").toString(), QStringLiteral("表彰.jpg"));
    EXPECT_EQ(o.value("files").toArray().size(), 2);
    const QJsonObject part = o.value("parts").toArray()[0].toObject();
    EXPECT_EQ(part.value("name").toString(), QStringLiteral("得点"));
    // Stored colours hold red in the lowest byte.
    EXPECT_EQ(part.value("fontColour").toString(), "#ff0000");
    EXPECT_EQ(part.value("backColour").toString(), "#0000ff");
    EXPECT_EQ(o.value("operators").toInt(), 2);
    EXPECT_EQ(o.value("opacity").toInt(), 128);
    EXPECT_FALSE(object(stateJson(state, false)).contains("type"));
}

TEST(WebApi, KeysMatchOnlyWhenEqual) {
    EXPECT_TRUE(keyMatches(QStringLiteral("abc"), QStringLiteral("abc")));
    EXPECT_TRUE(keyMatches(QStringLiteral("鍵1"), QStringLiteral("鍵1")));
    EXPECT_FALSE(keyMatches(QStringLiteral("abd"), QStringLiteral("abc")));
    EXPECT_FALSE(keyMatches(QStringLiteral("ab"), QStringLiteral("abc")));
    EXPECT_FALSE(keyMatches(QString::fromLatin1("abc\0", 4), QStringLiteral("abc")));
    EXPECT_FALSE(keyMatches(QString(), QStringLiteral("abc")));
}

TEST(WebApi, OnlyPagesOfThisHostMayAct) {
    const struct {
        const char* origin;
        const char* host;
        bool allowed;
    } cases[] = {
        {"", "192.168.1.5:30080", true},  // scripts and tools send no origin
        {"http://192.168.1.5:30080", "192.168.1.5:30080", true},
        {"http://DISPLAY.local:30080", "display.local:30080", true},
        {"http://example.com", "192.168.1.5:30080", false},
        {"http://192.168.1.5:30081", "192.168.1.5:30080", false},
        {"https://192.168.1.5:30080", "192.168.1.5:30080", false},
        {"null", "192.168.1.5:30080", false},
        {"http://192.168.1.5:30080", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sameOrigin(c.origin, c.host), c.allowed) << c.origin << " / " << c.host;
    }
}

TEST(WebApi, OnlyRequestsForThisMachinesNamesAreServed) {
    const QStringList own = {QStringLiteral("localhost"), QStringLiteral("hall-pc")};
    const struct {
        const char* host;
        bool allowed;
    } cases[] = {
        {"", true},
        {"192.168.1.5", true},
        {"192.168.1.5:30080", true},
        {"[fe80::1]:30080", true},
        {"[::1]", true},
        {"localhost:30080", true},
        {"HALL-PC:30080", true},
        {"hall-pc.local", true},
        {"hall-pc.", true},
        {"evil.example", false},  // a foreign name made to point here
        {"evil.example:30080", false},
        {"192.168.1.5.nip.io", false},
        {"hall-pc.evil.example", false},
        {"192.168.1.5:http", false},
        {"[nonsense]:80", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hostAllowed(c.host, own), c.allowed) << c.host;
    }
}

TEST(WebApi, CardEntriesGiveTheirAddress) {
    EXPECT_EQ(cardEntryAddress(cardEntryText(QStringLiteral("eth0"), 0xC0A8010A)), 0xC0A8010AU);
    EXPECT_EQ(cardEntryAddress(QStringLiteral("lan (1.2) (010.000.000.001) ")), 0x0A000001U);
    EXPECT_EQ(cardEntryAddress(QStringLiteral("eth0 (300.000.000.001) ")), std::nullopt);
    EXPECT_EQ(cardEntryAddress(QStringLiteral("eth0")), std::nullopt);
}

struct HeadCase {
    QByteArray bytes;
    HeadCheck::State state;
    int status;
};

TEST(RequestGate, HeadsAreJudgedBeforeAnythingParsesThem) {
    GateLimits limits;
    limits.ownNames = {QStringLiteral("display")};
    const QByteArray get = "GET /api/state HTTP/1.1\r\nHost: display\r\n\r\n";
    const QByteArray post = "POST /api/packet HTTP/1.1\r\nContent-Length: 5\r\n\r\n";
    const HeadCase cases[] = {
        {get, HeadCheck::State::Ready, 0},
        {"GET /api/state HTTP/1.1\r\n\r\n", HeadCheck::State::Ready, 0},
        {get.left(20), HeadCheck::State::NeedMore, 0},
        {post + "12345", HeadCheck::State::Ready, 0},
        {post + "123", HeadCheck::State::NeedMore, 0},
        {"GET /ws HTTP/1.1\r\nUpgrade: WebSocket\r\nConnection: Upgrade\r\n"
         "Sec-WebSocket-Key: x\r\nSec-WebSocket-Version: 13\r\nContent-Length: 99999999\r\n\r\n",
         HeadCheck::State::Ready, 0},
        {"POST /api/packet HTTP/1.1\r\nContent-Length: 65537\r\n\r\n", HeadCheck::State::Refuse,
         413},
        {"POST /api/packet HTTP/1.1\r\nContent-Length: 65536\r\n\r\n", HeadCheck::State::NeedMore,
         0},
        // A script file may be larger, up to its own bound.
        {"POST /api/script HTTP/1.1\r\nContent-Length: 1000000\r\n\r\n", HeadCheck::State::NeedMore,
         0},
        {"POST /api/script HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n", HeadCheck::State::Refuse,
         413},
        {"POST /api/packet HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n",
         HeadCheck::State::Refuse, 411},
        {"POST /api/packet HTTP/1.1\r\nContent-Length: -1\r\n\r\n", HeadCheck::State::Refuse, 400},
        {"POST /api/packet HTTP/1.1\r\nContent-Length: 5x\r\n\r\n", HeadCheck::State::Refuse, 400},
        {"POST /api/packet HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n",
         HeadCheck::State::Refuse, 400},
        {"POST /api/packet HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n",
         HeadCheck::State::Refuse, 400},
        {"GET /api/state HTTP/1.1\r\nno colon here\r\n\r\n", HeadCheck::State::Refuse, 400},
        {"HELLO\r\n", HeadCheck::State::Refuse, 400},
        {"GET api HTTP/1.1\r\n\r\n", HeadCheck::State::Refuse, 400},
        {"GET / HTTP/1.1\r\nX: " + QByteArray(20000, 'a'), HeadCheck::State::Refuse, 431},
        {"GET / HTTP/1.1\r\nX: " + QByteArray(16000, 'a'), HeadCheck::State::NeedMore, 0},
    };
    GateLimits named = limits;
    named.ownNames = {QStringLiteral("localhost")};
    EXPECT_EQ(inspectHead(get, named).status, 403);
    const HeadCase more[] = {
        {"GET /ws HTTP/1.1\r\nUpgrade: websocket\r\n\r\n", HeadCheck::State::Refuse, 400},
        {"GET /ws HTTP/1.1\r\nUpgrade: websocket\r\nConnection: keep-alive, Upgrade\r\n"
         "Sec-WebSocket-Key: x\r\nSec-WebSocket-Version: 8\r\n\r\n",
         HeadCheck::State::Refuse, 400},
        {"GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n", HeadCheck::State::Refuse, 403},
        {"GET / HTTP/1.1\r\nHost: localhost:30080\r\n\r\n", HeadCheck::State::Ready, 0},
    };
    for (const HeadCase& c : more) {
        const HeadCheck check = inspectHead(c.bytes, named);
        EXPECT_EQ(check.state, c.state) << c.bytes.constData();
        EXPECT_EQ(check.status, c.status) << c.bytes.constData();
    }
    for (const HeadCase& c : cases) {
        const HeadCheck check = inspectHead(c.bytes, limits);
        EXPECT_EQ(check.state, c.state) << c.bytes.left(80).constData();
        EXPECT_EQ(check.status, c.status) << c.bytes.left(80).constData();
        if (check.state == HeadCheck::State::Refuse) {
            EXPECT_FALSE(check.message.isEmpty());
        }
    }
    const HeadCheck ready = inspectHead(post + "12345", limits);
    EXPECT_EQ(ready.total, post.size() + 5);
    EXPECT_TRUE(inspectHead("GET /ws HTTP/1.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                            "Sec-WebSocket-Key: x\r\nSec-WebSocket-Version: 13\r\n\r\n",
                            limits)
                    .upgrade);
    EXPECT_TRUE(inspectHead("POST /api/packet HTTP/1.1\r\nContent-Length: 5\r\n"
                            "Expect: 100-continue\r\n\r\n",
                            limits)
                    .expectContinue);
}

}  // namespace
}  // namespace zul
