// Parts on the display window: placement, placeholders, loading, updating and listing.
#include <gtest/gtest.h>

#include <QTest>
#include <QUdpSocket>
#include <climits>

#include "content/parts_files.h"
#include "display/Zul2_rdisp.h"
#include "display/part_table.h"
#include "display_fixture.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/cp932.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;
using zul::test::writeAll;

namespace {

// A parts definition file from records given as "key=value" lines.
QByteArray partsFile(const QList<QByteArrayList>& records) {
    QByteArray out = "[List]\r\nRecordCount=" + QByteArray::number(records.size()) + "\r\n";
    for (qsizetype i = 0; i < records.size(); ++i) {
        out += "[Parts-" + QByteArray::number(i + 1) + "]\r\n";
        for (const QByteArray& line : records[i]) {
            out += line + "\r\n";
        }
    }
    return out;
}

struct Fixture : test::DisplayFixture {
    Fixture()
        : DisplayFixture(
              {.feedPartsBack = true, .errorsFailTheTest = true, .contentFillsWindow = true}) {}
    PartTable& parts() { return display->parts(); }
    // The parts-changed notices sent so far; the one of the current pass goes out first.
    int notices() {
        QCoreApplication::processEvents();
        return datagrams.count("ZUL,5,VL\n");
    }
};

}  // namespace

TEST(PartPlacement, ScalesTheReferenceFrameToTheContentArea) {
    PartRecord r;
    r.X1 = 100;  // top
    r.Y1 = 200;  // left
    r.X2 = 50;   // height
    r.Y2 = 300;  // width
    r.FSize = 20;
    const auto same = placePart(r, 1024, 768);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->rect, QRect(200, 100, 300, 50));
    EXPECT_EQ(same->fontPoints, 20);

    const auto half = placePart(r, 512, 384);
    EXPECT_EQ(half->rect, QRect(100, 50, 150, 25));
    EXPECT_EQ(half->fontPoints, 10);

    r.width = 384;  // the vertical extent of the frame: X1 = 100 lands twice as low
    EXPECT_EQ(placePart(r, 1024, 768)->rect.top(), 200);

    for (auto zero : {&PartRecord::X2, &PartRecord::width, &PartRecord::height}) {
        PartRecord bad = r;
        bad.*zero = 0;
        EXPECT_FALSE(placePart(bad, 1024, 768));
    }
}

// A parts file may hold any int in any field: the part still lands on what a screen can
// show, and its font stays a real font size.
TEST(PartPlacement, HostileNumbersStayOnScreen) {
    const int hostile[] = {INT_MAX, INT_MIN, -1, 1};
    using Field = int PartRecord::*;
    const Field fields[] = {&PartRecord::X1,   &PartRecord::Y1,    &PartRecord::X2,
                            &PartRecord::Y2,   &PartRecord::width, &PartRecord::height,
                            &PartRecord::FSize};
    for (auto field : fields) {
        for (const int value : hostile) {
            PartRecord r;
            r.*field = value;
            for (const QSize content : {QSize(1024, 768), QSize(8192, 8192)}) {
                const auto p = placePart(r, content.width(), content.height());
                ASSERT_TRUE(p);
                SCOPED_TRACE(testing::Message() << value << " in " << content.width());
                EXPECT_LE(std::abs(p->rect.left()), 8192);
                EXPECT_LE(std::abs(p->rect.top()), 8192);
                EXPECT_GE(p->rect.width(), 0);
                EXPECT_LE(p->rect.width(), 8192);
                EXPECT_GE(p->rect.height(), 0);
                EXPECT_LE(p->rect.height(), 8192);
                EXPECT_LE(std::abs(p->fontPoints), 1000);
            }
        }
    }
}

TEST(PartPlaceholders, DateAndTimeNames) {
    const QDateTime morning(QDate(2026, 3, 7), QTime(9, 5, 2));
    const QDateTime evening(QDate(2026, 3, 7), QTime(21, 59, 59));
    EXPECT_EQ(datePlaceholder(sj("【時】"), morning), QByteArray("09"));
    EXPECT_EQ(datePlaceholder(sj("【時】"), evening), QByteArray("21"));
    EXPECT_EQ(datePlaceholder(sj("【4年】"), morning), QByteArray("2026"));
    EXPECT_EQ(datePlaceholder(sj("【2年】"), morning), QByteArray("26"));
    EXPECT_EQ(datePlaceholder(sj("【月】"), morning), QByteArray("03"));
    EXPECT_EQ(datePlaceholder(sj("【日】"), morning), QByteArray("07"));
    EXPECT_EQ(datePlaceholder(sj("【分】"), morning), QByteArray("05"));
    EXPECT_EQ(datePlaceholder(sj("【秒】"), morning), QByteArray("02"));
    EXPECT_FALSE(datePlaceholder(sj("時"), morning));
    EXPECT_FALSE(datePlaceholder(sj("【時】x"), morning));
}

TEST(PartPlaceholders, CellReferencesAreLimitedToTheGrid) {
    using Ref = std::optional<std::pair<int, int>>;
    EXPECT_EQ(cellReference("cell(2,3)"), Ref(std::make_pair(2, 3)));
    EXPECT_EQ(cellReference("score cell(0,250)"), Ref(std::make_pair(1, 199)));
    EXPECT_EQ(cellReference("cell(12;7) rest"), Ref(std::make_pair(12, 7)));
    EXPECT_EQ(cellReference("cell(x,y)"), Ref(std::make_pair(1, 1)));
    EXPECT_EQ(cellReference("Cell(2,3)"), Ref());  // exact bytes
    EXPECT_EQ(cellReference("name"), Ref());
}

TEST(DisplayParts, LoadShowsAtMost400PartsAndTellsTheOperators) {
    Fixture f;
    QList<QByteArrayList> records;
    for (int i = 0; i < 450; ++i) {
        records << QByteArrayList{"PName=p" + QByteArray::number(i), "Value=v"};
    }
    writeAll(f.path("many.rp1"), partsFile(records));
    f.display->LoadParts("many.rp1", true);
    EXPECT_EQ(f.parts().PartCount(), 400);
    EXPECT_EQ(f.parts().name(399), QByteArray("p399"));
    EXPECT_TRUE(f.parts().label(0)->isVisibleTo(f.display->Panel1()));
    EXPECT_EQ(f.notices(), 1);
    EXPECT_EQ(f.hub.Current.CurParts, QByteArray("many.rp1"));
    EXPECT_FALSE(f.hub.PartsLoading);
    EXPECT_TRUE(f.display->sendTime().isActive());
}

TEST(DisplayParts, RecordWithoutKeysGivesATransparentSelfSizingPart) {
    Fixture f;
    writeAll(f.path("bare.rp1"), partsFile({{}}));
    f.display->LoadParts("bare.rp1", true);
    ASSERT_EQ(f.parts().PartCount(), 1);
    PartLabel* l = f.parts().label(0);
    EXPECT_EQ(f.parts().name(0), QByteArray(" "));
    EXPECT_EQ(l->caption(), QByteArray(" "));
    EXPECT_TRUE(l->transparent());
    EXPECT_TRUE(l->autoSizing());
    EXPECT_EQ(l->fontColour(), 1665570);
    EXPECT_EQ(l->pos(), QPoint(0, 0));
}

TEST(DisplayParts, ZeroInTheFrameFailsTheWholeLoad) {
    Fixture f;
    writeAll(f.path("bad.rp1"), partsFile({{"PName=a"}, {"PName=b", "X2=0"}}));
    f.display->LoadParts("bad.rp1", true);
    EXPECT_EQ(f.parts().PartCount(), 0);
    EXPECT_TRUE(f.log.lines().contains(sj("部品ロードでエラー発生。部品ロードをやめました。")));
    EXPECT_TRUE(
        f.datagrams.sent.contains("ZUL,3,\x1e(pc1)" + sj("部品ロードでエラー発生。") + "\n"));
    EXPECT_FALSE(f.hub.PartsLoading);
}

TEST(DisplayParts, HiddenLoadThenShowAll) {
    Fixture f;
    writeAll(f.path("two.rp1"), partsFile({{"PName=A"}, {"PName=B"}}));
    f.display->LoadParts("two.rp1", false);
    EXPECT_FALSE(f.parts().label(0)->isVisibleTo(f.display->Panel1()));
    f.display->ShowAllParts();
    EXPECT_TRUE(f.parts().label(1)->isVisibleTo(f.display->Panel1()));
    f.display->HideAllParts();
    EXPECT_FALSE(f.parts().label(1)->isVisibleTo(f.display->Panel1()));
    f.display->ShowAllParts();
    EXPECT_TRUE(f.parts().label(0)->isVisibleTo(f.display->Panel1()));
}

TEST(DisplayParts, UpdateMatchesNamesIgnoringAsciiCase) {
    Fixture f;
    writeAll(
        f.path("s.rp1"),
        partsFile({{"PName=score", "FColor=100", "BColor=200"}, {"PName=SCORE"}, {"PName=other"}}));
    f.display->LoadParts("s.rp1", true);
    const int before = f.notices();
    EXPECT_EQ(f.display->UpdatePart("Score,12,,"), 2);
    EXPECT_EQ(f.notices() - before, 1);  // one notice for both parts
    EXPECT_EQ(f.parts().label(0)->caption(), QByteArray("12"));
    EXPECT_EQ(f.parts().label(0)->fontColour(), 100);  // empty colours leave them
    EXPECT_EQ(f.parts().label(2)->caption(), QByteArray(" "));

    EXPECT_EQ(f.display->UpdatePart("score,,255,0"), 2);
    EXPECT_EQ(f.parts().label(0)->caption(), QByteArray(" "));
    EXPECT_EQ(f.parts().label(0)->fontColour(), 255);
    EXPECT_EQ(f.parts().label(0)->backColour(), 0);

    EXPECT_EQ(f.display->UpdatePart("score,12"), 0);  // one comma: not an update
    EXPECT_EQ(f.display->UpdatePart("nobody,1,2,3"), 0);
}

namespace {

// Sends each datagram over UDP to a socket on the loopback, which keeps what arrives.
struct LoopbackDatagrams : DatagramSender {
    QUdpSocket out;
    QUdpSocket in;
    QByteArrayList received;

    LoopbackDatagrams() {
        in.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&in, &QUdpSocket::readyRead, [this] {
            while (in.hasPendingDatagrams()) {
                QByteArray d(static_cast<qsizetype>(in.pendingDatagramSize()), '\0');
                in.readDatagram(d.data(), d.size());
                received << d;
            }
        });
    }
    bool sendDatagram(const QByteArray& datagram) override {
        return out.writeDatagram(datagram, QHostAddress::LocalHost, in.localPort()) >= 0;
    }
    // What arrived once the datagrams on their way are in.
    QByteArrayList settle() {
        QTest::qWait(100);
        return received;
    }
};

}  // namespace

// However many parts one pass of the event loop changes, the operators get one "VL" notice
// at its end; a pass that changes nothing sends none.
TEST(DisplayParts, OneNoticePerPassOfChangedParts) {
    Fixture f;
    LoopbackDatagrams udp;
    f.status.setSender(&udp);
    QList<QByteArrayList> records;
    for (int i = 0; i < 400; ++i) {
        records << QByteArrayList{"PName=p" + QByteArray::number(i % 200)};
    }
    writeAll(f.path("400.rp1"), partsFile(records));
    f.display->LoadParts("400.rp1", true);
    ASSERT_EQ(f.parts().PartCount(), 400);
    ASSERT_EQ(udp.settle(), QByteArrayList{"ZUL,5,VL\n"});

    struct Case {
        const char* name;
        int updates;
        bool matching;
        int expected;
    };
    const Case cases[] = {
        {"every name once", 200, true, 1},
        {"one update", 1, true, 1},
        {"ten thousand updates", 10000, true, 1},
        {"names no part has", 500, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        udp.received.clear();
        for (int n = 0; n < c.updates; ++n) {
            const QByteArray name = (c.matching ? "P" : "q") + QByteArray::number(n % 200);
            f.display->UpdatePart(name + ',' + QByteArray::number(n) + ",1,2");
        }
        EXPECT_EQ(udp.settle().count("ZUL,5,VL\n"), c.expected);
        EXPECT_EQ(udp.received.size(), c.expected);
    }
    // Passes apart: a notice each.
    udp.received.clear();
    f.display->UpdatePart("p1,a,1,2");
    QCoreApplication::processEvents();
    f.display->UpdatePart("p2,b,1,2");
    EXPECT_EQ(udp.settle(), (QByteArrayList{"ZUL,5,VL\n", "ZUL,5,VL\n"}));
    EXPECT_EQ(f.parts().label(201)->caption(), QByteArray("a"));
    EXPECT_EQ(f.parts().label(202)->caption(), QByteArray("b"));
}

TEST(DisplayParts, ListLeavesLockedPartsOutAndClearEmptiesEverything) {
    Fixture f;
    writeAll(f.path("ab.rp1"), partsFile({{"PName=A", "Value=1", "FColor=255", "BColor=0"},
                                          {"PName=B", "change_lock=" + sj("はい")}}));
    f.display->LoadParts("ab.rp1", true);
    EXPECT_EQ(f.display->ListParts(), QByteArrayList{"A,1,255,0"});
    f.hub.Current.CurPartValues = "v.rv1";
    f.display->ClearParts();
    EXPECT_TRUE(f.display->ListParts().isEmpty());
    EXPECT_TRUE(f.hub.Current.CurParts.isEmpty());
    EXPECT_TRUE(f.hub.Current.CurPartValues.isEmpty());
    // A later load brings usable parts back into the cleared slots.
    f.display->LoadParts("ab.rp1", true);
    EXPECT_TRUE(f.parts().label(0)->isEnabled());
}

TEST(DisplayParts, ValueFileDefaultsGiveWhiteOnBlack) {
    Fixture f;
    writeAll(f.path("s.rp1"), partsFile({{"PName=team", "FColor=255", "BColor=65280"}}));
    f.display->LoadParts("s.rp1", true);
    writeAll(f.path("v.rv1"), partsFile({{"PName=TEAM", "Value=" + sj("赤組")}}));
    f.display->CmdPartValuesLoad("v.rv1", nullptr);
    EXPECT_EQ(f.executor.packets, QByteArrayList{"\x2cTEAM," + sj("赤組") + ",16777215,0"});
    EXPECT_EQ(f.parts().label(0)->caption(), sj("赤組"));
    EXPECT_EQ(f.parts().label(0)->fontColour(), 16777215);
    EXPECT_EQ(f.parts().label(0)->backColour(), 0);
    EXPECT_EQ(f.hub.Current.CurPartValues, QByteArray("v.rv1"));
}

TEST(DisplayParts, SecondLoadDuringALoadIsDropped) {
    Fixture f;
    writeAll(f.path("first.rp1"), partsFile({{"PName=one"}, {"PName=two"}}));
    writeAll(f.path("second.rp1"), partsFile({{"PName=other"}}));
    // A packet executed while the first load lets events run asks for another load.
    bool asked = false;
    QTimer::singleShot(0, f.display.get(), [&] {
        asked = true;
        f.display->LoadParts("second.rp1", true);
    });
    f.display->LoadParts("first.rp1", true);
    EXPECT_TRUE(asked);
    EXPECT_EQ(f.parts().PartCount(), 2);
    EXPECT_EQ(f.parts().name(0), QByteArray("one"));
}

TEST(DisplayParts, PlaceholdersFollowTheClockAndTheWorksheet) {
    Fixture f;
    writeAll(f.path("p.rp1"),
             partsFile({{"PName=" + sj("【時】")}, {"PName=cell(2,3)"}, {"PName=cell(0,250)"}}));
    f.display->LoadParts("p.rp1", true);
    f.worksheet.setCell(2, 3, "B3");
    f.worksheet.setCell(1, 199, "last");
    f.parts().refresh(QDateTime(QDate(2026, 1, 1), QTime(21, 0)), &f.worksheet);
    EXPECT_EQ(f.parts().label(0)->caption(), QByteArray("21"));
    EXPECT_EQ(f.parts().label(1)->caption(), QByteArray("B3"));
    EXPECT_EQ(f.parts().label(2)->caption(), QByteArray("last"));
}

// A parts file is as untrusted as a packet: every number of a record is bounded before the
// placement arithmetic, so extreme values give a part at a sane place and size (and a font
// that can be drawn) instead of overflowing.
TEST(DisplayParts, RecordNumbersAreBoundedBeforeUse) {
    const QList<QByteArrayList> records = {
        {"PName=a", "X1=2147483647", "Y1=-2147483648", "X2=1", "Y2=2147483647", "width=1",
         "height=1", "FSize=2147483647", "AutoSize=no"},
        {"PName=b", "X1=-2147483648", "Y1=2147483647", "X2=-2147483648", "Y2=-2147483648",
         "width=-1", "height=2147483647", "FSize=-2147483648", "AutoSize=no"},
        {"PName=c", "X2=2147483647", "Y2=2147483647", "width=1", "height=1", "FSize=99999999",
         "AutoSize=no"},
    };
    Fixture f;
    writeAll(f.path("wild.rp1"), partsFile(records));
    f.display->LoadParts("wild.rp1", true);
    ASSERT_EQ(f.parts().PartCount(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QRect r = f.parts().label(i)->geometry();
        for (const int v : {r.left(), r.top(), r.width(), r.height()}) {
            EXPECT_LE(std::abs(qint64{v}), 100000)
                << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
        }
        EXPECT_GE(r.width(), 0);
        EXPECT_GE(r.height(), 0);
        EXPECT_LE(f.parts().label(i)->font().pixelSize(), 10000);
    }
    QCoreApplication::processEvents();
}

// The records of a parts file are the sections it holds: a count without sections behind it
// makes no parts.
TEST(DisplayParts, LoadTakesOnlyTheRecordsThatExist) {
    Fixture f;
    writeAll(f.path("hollow.rp1"), "[List]\r\nRecordCount=400\r\n");
    f.display->LoadParts("hollow.rp1", true);
    EXPECT_EQ(f.parts().PartCount(), 0);

    writeAll(f.path("gap.rp1"),
             "[List]\r\nRecordCount=3\r\n[Parts-1]\r\nPName=a\r\n[Parts-3]\r\nPName=c\r\n");
    f.display->LoadParts("gap.rp1", true);
    ASSERT_EQ(f.parts().PartCount(), 2);
    EXPECT_EQ(f.parts().name(0), QByteArray("a"));
    EXPECT_EQ(f.parts().name(1), QByteArray("c"));
}
