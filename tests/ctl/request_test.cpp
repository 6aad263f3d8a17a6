// The command lines of zulctl: what each sends, and the lines it refuses.
#include <gtest/gtest.h>

#include <QMap>

#include "ctl/ctl_request.h"
#include "test_support.h"

using namespace zul::ctl;
using zul::test::sj;

namespace {

Environment environment(QMap<QString, QString> values = {}) {
    return [values](const char* name) -> std::optional<QString> {
        const auto it = values.find(QLatin1String(name));
        if (it == values.end()) {
            return std::nullopt;
        }
        return *it;
    };
}

ParseResult parse(const QStringList& args, QMap<QString, QString> env = {}) {
    return parseArguments(args, environment(std::move(env)));
}

}  // namespace

TEST(ZulctlArguments, EachCommandSendsItsPacketsInCodePage932) {
    struct Case {
        QStringList args;
        QByteArray packets;
        ReplyShape shape;
    };
    const Case cases[] = {
        {{"caption", "ようこそ　開会式へ"},
         "\x24" + sj("ようこそ　開会式へ") + "\n",
         ReplyShape::None},
        {{"caption", "two", "words"}, "\x24two words\n", ReplyShape::None},
        {{"caption", ""}, "\x24\n", ReplyShape::None},
        {{"caption", "--stop"}, "\x31\n", ReplyShape::None},
        {{"show", "写真/photo 1.jpg"}, "\x1f" + sj("写真/photo 1.jpg") + "\n", ReplyShape::None},
        {{"fade", "0"},
         "\x3c"
         "0\n",
         ReplyShape::None},
        {{"fade", "255"},
         "\x3c"
         "255\n",
         ReplyShape::None},
        {{"part", "Score", "3"}, "\x2cScore,3,,\n", ReplyShape::None},
        {{"part", "Score", "", "255", "-2147483643"},
         "\x2cScore,,255,-2147483643\n",
         ReplyShape::None},
        // #RRGGBB becomes the platform's colour value, red in the low byte.
        {{"part", "得点", "３", "#ff0000", "#0000FF"},
         "\x2c" + sj("得点,３,255,16711680") + "\n",
         ReplyShape::None},
        {{"part", "Score", "3", "", "#102030"}, "\x2cScore,3,,3153936\n", ReplyShape::None},
        {{"parts"}, "\x2d\n", ReplyShape::Parts},
        {{"files"}, "\x20\n", ReplyShape::Files},
        {{"files", "*.jpg"}, "\x20*.jpg\n", ReplyShape::Files},
        {{"log"}, "\x32\n", ReplyShape::Log},
        {{"cpu"}, "\x4a,\n", ReplyShape::Cpu},
        {{"font"}, "\x39\n", ReplyShape::Caption},
        {{"load-fileset", "show.rf1"}, "\x2ashow.rf1\n", ReplyShape::None},
        {{"next"}, "\x3d\n", ReplyShape::None},
        {{"prev"}, "\x40\n", ReplyShape::None},
        {{"start"}, "\x3f\n", ReplyShape::None},
        {{"stop"}, "\x3e\n", ReplyShape::None},
        {{"send", "CmdPartsShow"}, "\x4e\n", ReplyShape::Any},
        {{"send", "cmdpartsshow"}, "\x4e\n", ReplyShape::Any},
        {{"send", "FontUpdate", "36", "255", "0", "0", "0", "0", "IPAGothic"},
         "\x26"
         "36 255 0 0 0 0 IPAGothic\n",
         ReplyShape::Any},
        {{"send", "CmdCaptionPosition", "1"},
         "\x55"
         "1\n",
         ReplyShape::Any},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ParseResult r = parse(c.args);
        ASSERT_TRUE(std::holds_alternative<Request>(r))
            << std::get<UsageError>(r).message.toStdString();
        const Request& request = std::get<Request>(r);
        EXPECT_EQ(request.packets.join(), c.packets);
        EXPECT_EQ(request.shape, c.shape);
        EXPECT_EQ(request.unmappable, 0);
    }
}

TEST(ZulctlArguments, RefusesWhatWouldNotReachTheDisplayAsMeant) {
    struct Case {
        QStringList args;
        const char* message;  // part of the one line printed
    };
    const Case cases[] = {
        {{}, "コマンドがありません"},
        {{"--json"}, "コマンドがありません"},
        {{"dance"}, "「dance」というコマンドはありません"},
        {{"--colour", "caption", "x"}, "「--colour」というオプションはありません"},
        {{"--port", "0", "log"}, "--port の「0」はポート番号（1～65535）ではありません"},
        {{"--port", "65536", "log"}, "ポート番号（1～65535）ではありません"},
        {{"--port", "30000x", "log"}, "ポート番号（1～65535）ではありません"},
        {{"--port"}, "--port に値がありません"},
        {{"--timeout", "-1", "log"}, "--timeout の「-1」は秒数ではありません"},
        {{"--timeout", "nan", "log"}, "秒数ではありません"},
        {{"--host=", "log"}, "--host が空です"},
        {{"caption"}, "使い方: zulctl caption 文字列..."},
        // A line feed would end the packet early and send the rest as a second command.
        {{"caption", "one\n\x31two"}, "改行は使えません"},
        {{"caption", "one\rtwo"}, "改行は使えません"},
        {{"caption", QString(1023, 'x')}, "1023バイト"},
        // 512 double-byte characters: 1024 bytes on the wire, though 512 characters here.
        {{"caption", QString(512, QChar(0x3042))}, "1024バイト"},
        {{"show"}, "使い方: zulctl show ファイル"},
        {{"show", "a", "b"}, "使い方: zulctl show ファイル"},
        {{"show", ""}, "show: ファイル名が空です"},
        {{"fade", "256"}, "不透明度「256」は0～255"},
        {{"fade", "-1"}, "0～255"},
        {{"fade", "12.5"}, "0～255"},
        {{"fade"}, "使い方: zulctl fade 値"},
        // A comma would shift the fields: the value would become the colour.
        {{"part", "Score,2", "3"}, "部品名にカンマは使えません"},
        {{"part", "Score", "3,255"}, "値にカンマは使えません"},
        {{"part", "", "3"}, "部品名が空です"},
        {{"part", "Score"}, "使い方: zulctl part"},
        {{"part", "Score", "3", "255"}, "使い方: zulctl part"},
        {{"part", "Score", "3", "red", "0"}, "色「red」"},
        {{"part", "Score", "3", "#ff00", "0"}, "色「#ff00」"},
        {{"part", "Score", "3", "99999999999", "0"}, "色「99999999999」"},
        {{"parts", "x"}, "使い方: zulctl parts"},
        {{"files", "a", "b"}, "使い方: zulctl files"},
        {{"send"}, "使い方: zulctl send"},
        {{"send", "CmdNothing"}, "「CmdNothing」はコマンド識別子ではありません"},
        {{"script"}, "使い方: zulctl script"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').left(60).toStdString());
        const ParseResult r = parse(c.args);
        ASSERT_TRUE(std::holds_alternative<UsageError>(r));
        const QString message = std::get<UsageError>(r).message;
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.message))) << message.toStdString();
        EXPECT_FALSE(message.contains('\n'));
    }
}

TEST(ZulctlArguments, ConnectionOptionsAndEnvironment) {
    struct Case {
        QStringList args;
        QMap<QString, QString> env;
        QString host;
        int port;
        qint64 timeoutMs;
        bool json;
    };
    const Case cases[] = {
        {{"log"}, {}, "localhost", 30000, 10000, false},
        {{"log"},
         {{"ZUL_HOST", "stage-pc"}, {"ZUL_PORT", "30100"}},
         "stage-pc",
         30100,
         10000,
         false},
        // An empty variable is as good as none.
        {{"log"}, {{"ZUL_HOST", ""}, {"ZUL_PORT", ""}}, "localhost", 30000, 10000, false},
        {{"--host", "10.0.0.5", "--port=31000", "log"},
         {{"ZUL_HOST", "stage-pc"}},
         "10.0.0.5",
         31000,
         10000,
         false},
        {{"--timeout", "2.5", "--json", "log"}, {}, "localhost", 30000, 2500, true},
        {{"--timeout=0.001", "log"}, {}, "localhost", 30000, 100, false},
        {{"--timeout", "1e9", "log"}, {}, "localhost", 30000, 3600000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ParseResult r = parse(c.args, c.env);
        ASSERT_TRUE(std::holds_alternative<Request>(r));
        const Options& o = std::get<Request>(r).options;
        EXPECT_EQ(o.host, c.host);
        EXPECT_EQ(o.port, c.port);
        EXPECT_EQ(o.timeout.count(), c.timeoutMs);
        EXPECT_EQ(o.json, c.json);
    }
    const ParseResult bad = parse({"log"}, {{"ZUL_PORT", "http"}});
    ASSERT_TRUE(std::holds_alternative<UsageError>(bad));
    EXPECT_TRUE(std::get<UsageError>(bad).message.contains("ZUL_PORT"));
}

TEST(ZulctlArguments, HelpAndCharactersWithoutCodePage932Form) {
    EXPECT_TRUE(std::holds_alternative<ShowHelp>(parse({"--help"})));
    EXPECT_TRUE(std::holds_alternative<ShowHelp>(parse({"--port", "1", "-h", "log"})));

    const ParseResult r = parse({"caption", "Grüße 😀"});
    ASSERT_TRUE(std::holds_alternative<Request>(r));
    EXPECT_EQ(std::get<Request>(r).packets.join(), QByteArray("\x24Gr??e ?\n"));
    EXPECT_EQ(std::get<Request>(r).unmappable, 3);

    const ParseResult script = parse({"script", "opening.txt"});
    ASSERT_TRUE(std::holds_alternative<Request>(script));
    EXPECT_EQ(std::get<Request>(script).scriptFile, QStringLiteral("opening.txt"));
    EXPECT_TRUE(std::get<Request>(script).packets.isEmpty());
}

TEST(ZulctlArguments, HelpShowsEveryCommandWithAnExampleAndEveryIdentifier) {
    const QString help = helpText();
    for (const char* command :
         {"caption", "show", "fade", "part", "parts", "files", "log", "cpu", "font", "load-fileset",
          "next", "prev", "start", "stop", "send", "script"}) {
        bool listed = false;
        for (const CommandHelp& h : commandHelp()) {
            const QString synopsis = QString::fromUtf8(h.synopsis.data(), h.synopsis.size());
            const QString example = QString::fromUtf8(h.example.data(), h.example.size());
            if (synopsis.section(' ', 0, 0) == QLatin1String(command)) {
                listed = true;
                EXPECT_TRUE(help.contains(example)) << command;
                EXPECT_TRUE(example.contains(QStringLiteral("zulctl ")));
            }
        }
        EXPECT_TRUE(listed) << command;
    }
    for (const zul::CommandInfo& row : zul::commandTable()) {
        EXPECT_TRUE(help.contains(QLatin1String(row.identifier.data(), row.identifier.size())));
    }
}
