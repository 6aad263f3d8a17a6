#include <gtest/gtest.h>

#include <QSignalSpy>
#include <vector>

#include "commands/reply_processor.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/cp932.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

namespace {

QByteArray packet(int byte, const QByteArray& operand = {}) {
    return QByteArray(1, static_cast<char>(byte)) + operand;
}

QByteArray joined(const QByteArrayList& parts) {
    return parts.join('|');
}

// Every hook records its call as "hook(arguments)", in the order they came.
class ReplyProcessing : public ::testing::Test {
protected:
    ReplyWindows recordingWindows() {
        ReplyWindows w;
        w.chatLine = [this](const QByteArray& line) { record("chatLine", {line}); };
        w.fileListItem = [this](const QByteArray& name) { record("fileListItem", {name}); };
        w.fileListDone = [this] { record("fileListDone", {}); };
        w.partsInfo = [this](const QByteArray& name, const QByteArray& caption,
                             const QByteArray& fontColour, const QByteArray& backColour) {
            record("partsInfo", {name, caption, fontColour, backColour});
        };
        w.cpuLoad = [this](int percent) { record("cpuLoad", {QByteArray::number(percent)}); };
        w.refreshFileList = [this] { record("refreshFileList", {}); };
        w.errorLogLine = [this](const QByteArray& line) { record("errorLogLine", {line}); };
        w.folder = [this](const QByteArray& folder) { record("folder", {folder}); };
        return w;
    }

    void record(const char* hook, const QByteArrayList& args) {
        calls << QByteArray(hook) + '(' + joined(args) + ')';
    }

    void process(const QByteArray& bytes) { processor.ProcessReply(bytes, &connection); }

    Settings settings;
    HubState hub;
    DebugLog log;
    Worksheet worksheet;
    test::RecordingConnection connection{QStringLiteral("display-pc")};
    QByteArrayList calls;
    ReplyProcessor processor{ReplyContext{settings, hub, log, worksheet, recordingWindows()}};
};

// Each handled byte reaches its window, and none of them writes a log line.
TEST_F(ReplyProcessing, HandledBytesGoToTheirWindowsWithoutLogging) {
    struct Case {
        int byte;
        QByteArray operand;
        QByteArrayList expected;
    };
    const std::vector<Case> cases = {
        {30, sj("こんにちは"), {"chatLine(" + sj("こんにちは") + ")"}},
        {33, sj("写真.jpg"), {"fileListItem(" + sj("写真.jpg") + ")"}},
        {47, "title,Hello,255,16777215", {"partsInfo(title|Hello|255|16777215)"}},
        {50, sj("PKT受信[S]: x"), {"errorLogLine(" + sj("PKT受信[S]: x") + ")"}},
        {54, "/srv/show/", {}},
        {58, "36 0 16777215 0 0 0 Sans", {}},
        {69, "/srv/show/sub", {"folder(/srv/show/sub)"}},
        {75, "42", {"cpuLoad(42)"}},
        {80, {}, {}},
        {81, "3 3,a", {}},
        {83, "/srv/show/", {"fileListDone()"}},
        {85, "1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.byte);
        calls.clear();
        QSignalSpy logged(&log, &DebugLog::lineAdded);
        process(packet(c.byte, c.operand));
        EXPECT_EQ(calls, c.expected);
        EXPECT_EQ(logged.count(), 0);
    }
}

TEST_F(ReplyProcessing, UnhandledBytesOnlyWriteTheirLogLine) {
    const QByteArray unknown = sj("不明なパケット(未処理)") + QByteArray(18, ' ');
    const QByteArray host = "display-pc" + QByteArray(10, ' ');
    struct Case {
        QByteArray packet;
        QByteArray printedByte;
        QByteArray operand;
    };
    const std::vector<Case> cases = {
        {packet(31, sj("壁紙.jpg")), "031", sj("壁紙.jpg")},
        {packet(200, "abc"), "000", "abc"},
        {packet(29, "x"), "000", "x"},
        {packet(86, "y"), "000", "y"},
        {QByteArray(), "000", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packet.toHex().toStdString());
        calls.clear();
        const QByteArrayList before = log.lines();
        process(c.packet);
        const QByteArray expected = sj(",PKT受信[C]: client=[") + host + "] Cmd(" + c.printedByte +
                                    "[" + unknown + "]) Op(" + c.operand + ")";
        EXPECT_EQ(log.lines(), before + QByteArrayList{expected});
        EXPECT_TRUE(calls.isEmpty());
        EXPECT_TRUE(connection.sent.isEmpty());
    }
    EXPECT_EQ(settings.BaseDir.get(), QStringLiteral("c:\\"));
}

TEST_F(ReplyProcessing, UnhandledPacketWithoutConnectionLogsABlankHost) {
    processor.ProcessReply(packet(31), nullptr);
    EXPECT_TRUE(log.lines().constLast().startsWith(sj(",PKT受信[C]: client=[") +
                                                   QByteArray(20, ' ') + "] Cmd(031["));
}

// The reply processing takes the whole packet, unlike the display's interpreter, which
// cuts its work copy; a NUL byte ends the text.
TEST_F(ReplyProcessing, OperandIsTheWholeRestOfThePacketUpToANul) {
    const QByteArray longLine(3000, 'a');
    process(packet(30, longLine));
    process(packet(33, QByteArray("one\0two", 7)));
    EXPECT_EQ(calls, (QByteArrayList{"chatLine(" + longLine + ")", "fileListItem(one)"}));
}

// A hook may let events run, and the connection may then reuse the buffer it handed in.
TEST_F(ReplyProcessing, WorksOnItsOwnCopyOfThePacket) {
    QByteArray buffer = packet(30, sj("フォルダ変更されました。->/srv/new/"));
    ReplyWindows w = recordingWindows();
    w.chatLine = [&](const QByteArray& line) {
        record("chatLine", {line});
        buffer = packet(30, "other");
    };
    ReplyProcessor reentered{ReplyContext{settings, hub, log, worksheet, w}};
    reentered.ProcessReply(buffer, &connection);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[1], "refreshFileList()");
}

TEST_F(ReplyProcessing, MissingWindowsDropTheirReplies) {
    ReplyProcessor bare{ReplyContext{settings, hub, log, worksheet, {}}};
    for (int byte : {30, 33, 47, 50, 69, 75, 83}) {
        bare.ProcessReply(packet(byte, sj("フォルダ変更されました,a,b,c 1")), &connection);
    }
    EXPECT_EQ(log.lines(), DebugLog::banner());
}

TEST_F(ReplyProcessing, FolderChangedChatAlsoRefreshesTheFileList) {
    struct Case {
        QByteArray operand;
        bool refresh;
    };
    const std::vector<Case> cases = {
        {sj("フォルダ変更されました。->/srv/new/"), true},
        {sj("フォルダ変更されました"), true},
        {sj("フォルダ変更されません。パスワードがあいません"), false},
        {sj("フォルダ変更されまし"), false},
        {sj(" フォルダ変更されました"), false},
        {sj("こんにちは"), false},
        {{}, false},
    };
    ASSERT_EQ(ReplyProcessor::folderChangedText().size(), 22);
    for (const Case& c : cases) {
        SCOPED_TRACE(cp932::decode(c.operand).toStdString());
        calls.clear();
        process(packet(30, c.operand));
        QByteArrayList expected{"chatLine(" + c.operand + ")"};
        if (c.refresh) {
            expected << "refreshFileList()";
        }
        EXPECT_EQ(calls, expected);
    }
}

TEST_F(ReplyProcessing, PartsInfoIsCutAtTheFirstThreeCommas) {
    struct Case {
        QByteArray operand;
        QByteArrayList expected;
    };
    const std::vector<Case> cases = {
        {"name,caption,255,0", {"partsInfo(name|caption|255|0)"}},
        {"name,a,b,c,d", {"partsInfo(name|a|b|c,d)"}},
        {",,,", {"partsInfo(|||)"}},
        {sj("得点,１２３,-2147483640,-2147483643"),
         {"partsInfo(" + sj("得点|１２３|-2147483640|-2147483643") + ")"}},
        {"name,caption,255", {}},
        {"name", {}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand.toStdString());
        calls.clear();
        process(packet(47, c.operand));
        EXPECT_EQ(calls, c.expected);
    }
}

TEST_F(ReplyProcessing, DirectoryNameBecomesTheBaseDirectory) {
    process(packet(54, sj("/srv/催し物/")));
    EXPECT_EQ(settings.BaseDir.get(), QStringLiteral("/srv/催し物/"));
}

// The display machine's caption look is taken without checks, so the caption page shows
// exactly what the display machine has.
TEST_F(ReplyProcessing, CaptionSettingsFillTheCaptionPage) {
    struct Case {
        QByteArray operand;
        QString name;
        int size;
        ColorValue fontColour;
        ColorValue backColour;
        bool scroll, hide, centre;
    };
    const QString pGothic = QStringLiteral("ＭＳ Ｐゴシック");
    const std::vector<Case> cases = {
        {sj("48 255 16777215 1 0 1 ＭＳ Ｐゴシック"), pGothic, 48, 255, 16777215, true, false,
         true},
        {"20 0 65280 0 1 0 Sans Mono,Bold", QStringLiteral("Sans Mono"), 20, 0, 65280, false, true,
         false},
        {"20 0 0 2 -1 2 Serif\tx", QStringLiteral("Serif"), 20, 0, 0, false, false, false},
        {"-64 -2147483640 -2147483643 1 1 1 X", QStringLiteral("X"), -64, kSysColorWindowText,
         kSysColorWindow, true, true, true},
        {"0 0 0 0 0 0  lead", QStringLiteral(" lead"), 0, 0, 0, false, false, false},
        // A size beyond any screen is bounded, either sign.
        {"2147483647 0 0 0 0 0 Big", QStringLiteral("Big"), 1000, 0, 0, false, false, false},
        {"-2147483648 0 0 0 0 0 Big", QStringLiteral("Big"), -1000, 0, 0, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand.toStdString());
        process(packet(58, c.operand));
        const SampleTextLook& look = settings.SampleText;
        EXPECT_EQ(look.fontName.get(), c.name);
        EXPECT_EQ(look.fontSize.get(), c.size);
        EXPECT_EQ(look.fontColor.get(), c.fontColour);
        EXPECT_EQ(look.backColor.get(), c.backColour);
        EXPECT_EQ(settings.ckStrScroll.get(), c.scroll);
        EXPECT_EQ(settings.ckStrHide.get(), c.hide);
        EXPECT_EQ(settings.ckCenter.get(), c.centre);
    }
}

TEST_F(ReplyProcessing, ShortCaptionSettingsKeepTheRest) {
    settings.SampleText.fontName.set(QStringLiteral("Keep"));
    settings.ckStrHide.set(true);
    process(packet(58, "72 255"));
    EXPECT_EQ(settings.SampleText.fontSize.get(), 72);
    EXPECT_EQ(settings.SampleText.fontColor.get(), 255);
    EXPECT_EQ(settings.SampleText.backColor.get(), kSysColorWindow);
    EXPECT_TRUE(settings.ckStrHide.get());
    EXPECT_EQ(settings.SampleText.fontName.get(), QStringLiteral("Keep"));

    // Six numbers and nothing after them: the name stays too.
    process(packet(58, "30 1 2 0 0 0"));
    EXPECT_EQ(settings.SampleText.fontName.get(), QStringLiteral("Keep"));
    EXPECT_FALSE(settings.ckStrHide.get());
}

// A changed box runs its handler, as a click on it would.
TEST_F(ReplyProcessing, CaptionSettingsRunTheChangeHandlersOfChangedBoxesOnly) {
    settings.ckCenter.set(true);
    QSignalSpy scroll(&settings.ckStrScroll, &SettingBase::changed);
    QSignalSpy centre(&settings.ckCenter, &SettingBase::changed);
    process(packet(58, "36 0 0 1 0 1 Sans"));
    EXPECT_EQ(scroll.count(), 1);
    EXPECT_EQ(centre.count(), 0);
}

TEST_F(ReplyProcessing, CpuReplyFeedsTheGaugeAndEndsTheSilence) {
    hub.CpuPending = 3;
    int pendingSeenByGauge = -1;
    ReplyWindows w;
    w.cpuLoad = [&](int percent) {
        pendingSeenByGauge = hub.CpuPending;
        record("cpuLoad", {QByteArray::number(percent)});
    };
    ReplyProcessor p{ReplyContext{settings, hub, log, worksheet, w}};

    p.ProcessReply(packet(75, "junk"), &connection);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(hub.CpuPending, 3);

    p.ProcessReply(packet(75, "10"), &connection);
    EXPECT_EQ(calls, QByteArrayList{"cpuLoad(10)"});
    EXPECT_EQ(pendingSeenByGauge, 3);  // the console tells a silent display by it
    EXPECT_EQ(hub.CpuPending, 0);
}

TEST_F(ReplyProcessing, WorksheetRequestSendsEveryDataRow) {
    worksheet.setCell(1, 1, "first");
    worksheet.setCell(2, 5, sj("五 行"));
    worksheet.setCell(3, 199, "last");
    worksheet.setCell(1, 7, "a\nb");

    process(packet(80));

    ASSERT_EQ(connection.sent.size(), 199);
    for (int row = 1; row <= 199; ++row) {
        const QByteArray& sent = connection.sent[row - 1];
        SCOPED_TRACE(row);
        EXPECT_TRUE(sent.startsWith(packet(80, QByteArray::number(row) + ' ')));
        EXPECT_EQ(sent.indexOf('\n'), sent.size() - 1);
    }
    // A row is its 200 cells from the heading on, joined by commas: 199 commas in all, the
    // empty cells as empty fields, a cell with a blank or a control character quoted, and a
    // line feed inside a cell sent as a blank so that the packet stays one line.
    const auto commas = [](int n) { return QByteArray(n, ','); };
    EXPECT_EQ(connection.sent[0], packet(80, "1 1,first" + commas(198)) + '\n');
    EXPECT_EQ(connection.sent[1], packet(80, "2 2" + commas(199)) + '\n');
    EXPECT_EQ(connection.sent[4], packet(80, "5 5,," + sj("\"五 行\"") + commas(197)) + '\n');
    EXPECT_EQ(connection.sent[6], packet(80, "7 7,\"a b\"" + commas(198)) + '\n');
    EXPECT_EQ(connection.sent[198], packet(80, "199 199,,,last" + commas(196)) + '\n');
}

TEST_F(ReplyProcessing, WorksheetRequestWithoutConnectionSendsNothing) {
    processor.ProcessReply(packet(80), nullptr);
    EXPECT_TRUE(connection.sent.isEmpty());
}

TEST_F(ReplyProcessing, WorksheetRowsFillRowsOneTo199Only) {
    struct Case {
        QByteArray operand;
        int row;  // 0: nothing changes
        QByteArrayList cells;
    };
    const std::vector<Case> cases = {
        {"1 1,a,b", 1, {"1", "a", "b"}},
        {"199 199,z", 199, {"199", "z"}},
        {"12 12,x y", 12, {"12", "x"}},  // the text ends at the first blank
        {"0 0,x", 0, {}},
        {"200 200,x", 0, {}},
        {"-1 -1,x", 0, {}},
        {"13", 0, {}},  // no text: not a row
        {"13 ", 0, {}},
        {"abc", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand.toStdString());
        if (c.row > 0) {
            worksheet.setCell(5, c.row, "old");
        }
        QSignalSpy changed(&worksheet, &Worksheet::changed);
        process(packet(81, c.operand));
        if (c.row == 0) {
            EXPECT_EQ(changed.count(), 0);
            continue;
        }
        for (int col = 0; col < 6; ++col) {
            EXPECT_EQ(worksheet.cell(col, c.row), c.cells.value(col)) << col;
        }
    }
}

TEST_F(ReplyProcessing, CaptionPositionTicksOnlyForAPositiveNumber) {
    struct Case {
        QByteArray operand;
        bool before;
        bool after;
    };
    const std::vector<Case> cases = {
        {"1", false, true},  {"2", false, true}, {"0", true, false},
        {"-1", true, false}, {"", true, false},  {" 7", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand.toStdString());
        settings.ckTextPos.set(c.before);
        process(packet(85, c.operand));
        EXPECT_EQ(settings.ckTextPos.get(), c.after);
    }
}

}  // namespace

// The console asks twice before the first answer arrives (shown, and a notice at the same
// time): the answer to the first request is left out, so every name is listed once.
TEST_F(ReplyProcessing, ARepeatedFileListRequestReplacesTheOneStillBeingAnswered) {
    const auto answer = [this](const QByteArray& tag) {
        for (const QByteArray& p :
             {packet(33, "a" + tag + ".jpg"), packet(33, "b" + tag + ".pdf"), packet(54, "/srv/"),
              packet(83, "/srv/"), packet(69, "/srv/x" + tag), packet(54, "/srv/")}) {
            process(p);
        }
    };
    processor.fileListRequested();
    processor.fileListRequested();
    answer("1");
    answer("2");
    EXPECT_EQ(calls, (QByteArrayList{"fileListDone()", "fileListItem(a2.jpg)",
                                     "fileListItem(b2.pdf)", "fileListDone()", "folder(/srv/x2)"}));

    // A request whose answer was lost with its connection holds nothing back afterwards.
    calls.clear();
    processor.fileListRequested();
    processor.fileListRequested();
    processor.connectionClosed();
    processor.fileListRequested();
    answer("3");
    EXPECT_EQ(calls, (QByteArrayList{"fileListItem(a3.jpg)", "fileListItem(b3.pdf)",
                                     "fileListDone()", "folder(/srv/x3)"}));
}
