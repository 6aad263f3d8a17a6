// Reading and printing the answers of the display machine.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "ctl/answer.h"
#include "test_support.h"

using namespace zul::ctl;
using zul::Cmd;
using zul::test::sj;

namespace {

// Feeds `replies` to a tracker for `request`; the packets it keeps, and whether it ended at
// the last one.
struct Tracked {
    QByteArrayList kept;
    int completedAt = -1;
};

Tracked track(Cmd request, const QByteArrayList& replies) {
    AnswerTracker tracker(request);
    Tracked out;
    for (qsizetype i = 0; i < replies.size(); ++i) {
        if (tracker.take(replies[i])) {
            out.kept << replies[i];
        }
        if (tracker.complete() && out.completedAt < 0) {
            out.completedAt = static_cast<int>(i);
        }
    }
    return out;
}

const QByteArray kSettings =
    "\x3a"
    "36 0 16777215 0 0 0 IPAGothic";
const QByteArray kPosition =
    "\x55"
    "0";

}  // namespace

TEST(ZulctlAnswer, TheEndMarkClosesTheAnswerAndIsNotPartOfIt) {
    struct Case {
        const char* name;
        Cmd request;
        QByteArrayList replies;
        QByteArrayList kept;
        int completedAt;
    };
    const Case cases[] = {
        {"no answer of its own", Cmd::CmdLineUpdate, {kSettings, kPosition}, {}, 1},
        {"parts list",
         Cmd::CmdListSend,
         {"\x2f"
          "A,1,0,0",
          "\x2f"
          "B,2,0,0",
          kSettings, kPosition},
         {"\x2f"
          "A,1,0,0",
          "\x2f"
          "B,2,0,0"},
         3},
        // The request's own caption settings come first; the second pair is the end mark.
        {"caption settings",
         Cmd::CmdFontRequest,
         {kSettings, kPosition, kSettings,
          "\x55"
          "1"},
         {kSettings, kPosition},
         3},
        {"incomplete",
         Cmd::CmdDebugLog,
         {"\x32"
          "line",
          kSettings},
         {"\x32"
          "line"},
         -1},
        {"replies after the end are not kept",
         Cmd::CmdPartsShow,
         {kSettings, kPosition,
          "\x32"
          "late"},
         {},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Tracked t = track(c.request, c.replies);
        EXPECT_EQ(t.kept, c.kept);
        EXPECT_EQ(t.completedAt, c.completedAt);
    }
    EXPECT_EQ(endMarkPacket(), QByteArray("\x39\n"));
}

TEST(ZulctlAnswer, PrintsEachShapeAsTextAndAsJson) {
    struct Case {
        ReplyShape shape;
        bool json;
        QByteArrayList replies;
        QStringList lines;  // those of take(), then those of finish()
    };
    const Case cases[] = {
        {ReplyShape::Parts,
         false,
         {"\x2f" + sj("得点,３,255,-2147483640"),
          "\x2f"
          "broken"},
         {QStringLiteral("得点\t３\t255\t-2147483640")}},
        {ReplyShape::Parts,
         true,
         {"\x2f" + sj("得点,３,255,x")},
         {QStringLiteral(R"({"backColor":"x","fontColor":255,"name":"得点","value":"３"})")}},
        {ReplyShape::Files,
         false,
         {"\x21" + sj("写真.jpg"),
          "\x21"
          "b.png",
          "\x36"
          "/show/",
          "\x53"
          "/show/"},
         {QStringLiteral("写真.jpg"), "b.png", "folder: /show/"}},
        {ReplyShape::Files,
         true,
         {"\x21"
          "a.jpg",
          "\x36"
          "/show/",
          "\x53"
          "/show/"},
         {R"({"file":"a.jpg"})", R"({"folder":"/show/"})"}},
        {ReplyShape::Log,
         false,
         {"\x32" + sj("PKT受信[S]: x"),
          "\x1e"
          "chat"},
         {QStringLiteral("PKT受信[S]: x")}},
        {ReplyShape::Log,
         true,
         {"\x32"
          "a\"b"},
         {R"({"line":"a\"b"})"}},
        {ReplyShape::Cpu,
         false,
         {"\x4b"
          "12"},
         {"12"}},
        {ReplyShape::Cpu,
         true,
         {"\x4b"
          "12"},
         {R"({"cpu":12})"}},
        {ReplyShape::Caption,
         false,
         {"\x3a" + sj("-24 255 16777215 1 0 2 ＭＳ Ｐゴシック"),
          "\x55"
          "1"},
         {QStringLiteral("font: ＭＳ Ｐゴシック"), "size: -24", "fontColor: 255",
          "backColor: 16777215", "scroll: 1", "hide: 0", "centre: 0", "top: 1"}},
        {ReplyShape::Caption,
         true,
         {"\x3a" + sj("36 0 1 0 1 1 IPAGothic"),
          "\x55"
          "0"},
         {R"({"backColor":1,"centre":true,"font":"IPAGothic","fontColor":0,"hide":true,)"
          R"("scroll":false,"size":36,"top":false})"}},
        {ReplyShape::Any,
         false,
         {"\x1e" + sj("フォルダ変更されません。"),
          "\x56"
          "x"},
         {QStringLiteral("CmdMessage フォルダ変更されません。"), "unknown x"}},
        {ReplyShape::Any,
         true,
         {"\x2f"
          "A,1,0,0"},
         {R"({"byte":47,"command":"CmdPartsInfo","operand":"A,1,0,0"})"}},
        {ReplyShape::None,
         false,
         {"\x1e"
          "chat"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.join(" | ").toStdString());
        AnswerPrinter printer(c.shape, c.json);
        QStringList lines;
        for (const QByteArray& reply : c.replies) {
            lines << printer.take(reply);
        }
        lines << printer.finish();
        EXPECT_EQ(lines, c.lines);
        EXPECT_FALSE(printer.missing());
    }
}

TEST(ZulctlAnswer, ControlCharactersFromThePeerNeverReachTheTerminal) {
    // A file name or log line with escape sequences would otherwise retitle the terminal,
    // move the cursor or hide the lines above it.
    const QByteArray hostile =
        "\x21"
        "evil\x1b]0;owned\x07\x1b[2J\x7f.jpg";
    AnswerPrinter text(ReplyShape::Files, false);
    const QStringList lines = text.take(hostile);
    ASSERT_EQ(lines.size(), 1);
    for (const QChar c : lines[0]) {
        EXPECT_FALSE(c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            << int(c.unicode());
    }
    EXPECT_TRUE(lines[0].startsWith("evil"));
    EXPECT_TRUE(lines[0].endsWith(".jpg"));

    // JSON keeps the name exactly, escaped.
    AnswerPrinter json(ReplyShape::Files, true);
    const QStringList out = json.take(hostile);
    ASSERT_EQ(out.size(), 1);
    EXPECT_FALSE(out[0].contains(QChar(0x1b)));
    EXPECT_EQ(QJsonDocument::fromJson(out[0].toUtf8()).object().value("file").toString(),
              QString::fromLatin1(hostile.mid(1)));

    EXPECT_EQ(terminalText(QStringLiteral("a\tb\x85"
                                          "c")),
              QStringLiteral("a\tb\uFFFDc"));
}

TEST(ZulctlAnswer, AnAnswerWithoutTheAskedValueIsReported) {
    struct Case {
        ReplyShape shape;
        QByteArrayList replies;
        bool missing;
    };
    const Case cases[] = {
        {ReplyShape::Cpu, {}, true},
        {ReplyShape::Cpu,
         {"\x4b"
          "none"},
         true},
        {ReplyShape::Cpu,
         {"\x4b"
          "0"},
         false},
        {ReplyShape::Caption,
         {"\x55"
          "1"},
         true},
        {ReplyShape::Log, {}, false},
        {ReplyShape::Parts, {}, false},
    };
    for (const Case& c : cases) {
        AnswerPrinter printer(c.shape, false);
        for (const QByteArray& reply : c.replies) {
            printer.take(reply);
        }
        printer.finish();
        EXPECT_EQ(printer.missing().has_value(), c.missing) << c.replies.join("|").constData();
    }
}
