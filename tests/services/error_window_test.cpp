#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <optional>
#include <vector>

#include "fakes.h"
#include "services/Zul2_dlog.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::sj;

namespace {

TEST(ErrorWindow, LooksAsTheToolWindowOfTheConsole) {
    TZUL_Err window(OperatorChannel{});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("エラー情報（サーバ）"));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(window.minimumSize(), QSize(628, 275));
    EXPECT_EQ(window.maximumSize(), QSize(628, 275));
    EXPECT_EQ(window.Button1()->text(), QStringLiteral("取り寄せ"));

    const QPlainTextEdit* memo = window.Memo1();
    EXPECT_EQ(memo->font().family(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_TRUE(memo->font().fixedPitch());
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

// The window keeps the lines; its memo shows them decoded once the window is on the screen
// (a hidden window lays out nothing), and lines arriving while it is shown follow.
TEST(ErrorWindow, LinesAreAppendedDecoded) {
    TZUL_Err window(OperatorChannel{});
    window.addLine(sj("PKT受信[S]: Cmd(050[ログ])"));
    window.addLine("second");
    window.addLine({});
    EXPECT_TRUE(window.Memo1()->toPlainText().isEmpty());
    window.show();
    EXPECT_EQ(window.Memo1()->toPlainText(),
              QStringLiteral("PKT受信[S]: Cmd(050[ログ])\nsecond\n"));
    window.addLine(sj("三行目"));
    EXPECT_TRUE(test::waitFor(
        [&] { return window.Memo1()->toPlainText().endsWith(QStringLiteral("\n三行目")); }));
    window.hide();
    window.Button1Click();
    window.addLine("answer");
    window.show();
    EXPECT_EQ(window.Memo1()->toPlainText(), QStringLiteral("answer"));
}

// "取り寄せ" asks an open connection for the log and always empties the memo for the answer.
TEST(ErrorWindow, FetchSendsTheLogRequestOnlyOnAnOpenConnection) {
    struct Case {
        const char* name;
        bool withConnection;
        std::optional<bool> open;  // nullopt: no open check given
        QByteArrayList expected;
    };
    const std::vector<Case> cases = {
        {"open", true, true, {QByteArray("2\n")}},
        {"no check", true, std::nullopt, {QByteArray("2\n")}},
        {"closed", true, false, {}},
        {"no connection", false, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordingConnection connection{QStringLiteral("display-pc")};
        OperatorChannel channel{c.withConnection ? &connection : nullptr, {}};
        if (c.open) {
            channel.isOpen = [open = *c.open] { return open; };
        }
        TZUL_Err window(channel);
        window.addLine("old line");

        QTest::mouseClick(window.Button1(), Qt::LeftButton);

        EXPECT_EQ(connection.sent, c.expected);
        EXPECT_TRUE(window.Memo1()->toPlainText().isEmpty());
    }
}

// The connection may open and close while the window lives.
TEST(ErrorWindow, AsksTheConnectionStateAtEveryClick) {
    test::RecordingConnection connection{QStringLiteral("display-pc")};
    bool open = false;
    TZUL_Err window(OperatorChannel{&connection, [&open] { return open; }});
    window.Button1Click();
    open = true;
    window.Button1Click();
    EXPECT_EQ(connection.sent, QByteArrayList{"2\n"});
}

}  // namespace
