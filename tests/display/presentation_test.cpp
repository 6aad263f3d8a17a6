// Presentations on the display window with automation on, against a stand-in for the Impress
// helper (tests/tools/impress-standin): which files go to Impress, the rectangle it gets,
// the status lines of failures, and the viewer taking over when Impress cannot show a file.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "display/Zul2_rdisp.h"
#include "display/presentation_control.h"
#include "display/viewers.h"
#include "display_fixture.h"
#include "external/impress_show.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "test_support.h"

using namespace zul;
using namespace std::chrono_literals;
using zul::test::readAll;
using zul::test::sj;

namespace {

bool waitFor(const std::function<bool()>& condition, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms) {
        QTest::qWait(20);
    }
    return condition();
}

QByteArray statusLine(const char* message) {
    return "ZUL,3,\x1e" + sj(message) + "\n";
}

struct Fixture : test::DisplayFixture {
    QSignalSpy running{&impress, &ImpressShow::showRunning};

    explicit Fixture(const char* mode) : DisplayFixture({.contentFillsWindow = true}) {
        display->displayOpen = [] { return true; };
        settings.CkPptOleControl.set(true);
        impress.setHelper(QStringLiteral(ZUL_IMPRESS_STANDIN),
                          {QString::fromLatin1(mode), record()});
        ImpressShow::Timeouts t;
        t.close = 300ms;
        impress.setTimeouts(t);
        display->FormResize();
    }

    QString record() const { return dir.filePath(QStringLiteral("requests.log")); }
    QStringList requestedOps() const {
        QStringList ops;
        for (const QByteArray& line : readAll(record()).split('\n')) {
            if (!line.isEmpty()) {
                ops << QJsonDocument::fromJson(line).object().value("op").toString();
            }
        }
        return ops;
    }
    QJsonObject firstRequest() const {
        return QJsonDocument::fromJson(readAll(record()).split('\n').value(0)).object();
    }
    // The status lines other than ShowFile's own.
    QByteArrayList failureLines() const {
        QByteArrayList out;
        for (const QByteArray& d : datagrams.sent) {
            if (!d.startsWith("ZUL,3,\x1e(")) {
                out << d;
            }
        }
        return out;
    }
};

}  // namespace

TEST(Presentation, ShowsGoToImpressOnlyWithAutomationOnAndOverTheVisibleViewer) {
    Fixture f("ok");
    // The caption strip at the bottom; the viewer's 20 pixels beyond the content area are
    // not part of what can be seen.
    f.settings.SampleText.fontSize.set(40);
    f.display->LayoutContentArea();
    for (const char* name : {"talk.PPT", "deck.pptx", "slides.odp"}) {
        f.write(name, "any bytes: the stand-in does not read them");
    }

    f.display->ShowFile("talk.PPT");
    EXPECT_TRUE(f.hub.PresentationOpen);
    EXPECT_TRUE(f.display->presentation().byImpress());
    EXPECT_EQ(f.display->visibleViewer(), f.display->OLEPanel());
    EXPECT_FALSE(f.display->OLEPanel()->isLoaded()) << "Impress shows it; the viewer stays empty";
    ASSERT_TRUE(f.running.wait(5000));
    const QRect seen = f.display->officeScreenRect();
    EXPECT_EQ(seen, QRect(0, 0, 1024, 768 - f.display->stripHeight()));
    EXPECT_EQ(f.firstRequest().value("rect").toArray(),
              QJsonArray({seen.x(), seen.y(), seen.width(), seen.height()}));
    EXPECT_EQ(f.firstRequest().value("path").toString(), f.path("talk.PPT"));

    f.display->ShowFile("deck.pptx");
    f.display->ShowFile("slides.odp");
    ASSERT_TRUE(waitFor([&] { return f.requestedOps().count("open") == 3; }));

    // Off: the viewer shows the file (a conversion: here one that fails, so nothing reaches
    // Impress either).
    f.settings.CkPptOleControl.set(false);
    guarded(f.errors, [&] { f.display->ShowFile("talk.PPT"); });
    QTest::qWait(200);
    EXPECT_EQ(f.requestedOps().count("open"), 3);
    EXPECT_FALSE(f.display->presentation().byImpress());
}

TEST(Presentation, CommandsStepTheShowInImpressAndTheNextFileClosesIt) {
    Fixture f("ok");
    f.write("talk.ppt", "x");
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::green);
    picture.save(f.path("after.jpg"), "JPG");

    f.display->ShowFile("talk.ppt");
    ASSERT_TRUE(f.running.wait(5000));
    PresentationControl& show = f.display->presentation();
    show.NextStep();
    show.PreviousStep();
    show.EndShow();
    show.StartShow();
    ASSERT_TRUE(waitFor([&] { return f.requestedOps().size() == 5; }));
    EXPECT_EQ(f.requestedOps(), QStringList({"open", "next", "previous", "end", "start"}));

    f.display->ShowFile("after.jpg");
    EXPECT_FALSE(f.hub.PresentationOpen);
    EXPECT_FALSE(show.byImpress());
    ASSERT_TRUE(waitFor([&] { return f.requestedOps().contains("close"); }));
    show.NextStep();
    QTest::qWait(200);
    EXPECT_EQ(f.requestedOps().size(), 6) << "nothing is stepped after the presentation";
    EXPECT_TRUE(f.failureLines().isEmpty());
}

TEST(Presentation, FailedStepsSendTheirStatusLinesWithoutTheHostName) {
    Fixture f("fail-steps");
    f.write("talk.ppt", "x");
    f.display->ShowFile("talk.ppt");
    ASSERT_TRUE(f.running.wait(5000));
    struct Case {
        std::function<void(PresentationControl&)> step;
        const char* message;
    };
    const Case cases[] = {
        {&PresentationControl::NextStep, "エラー：制御できません。再ロードが必要かもしれません。"},
        {&PresentationControl::PreviousStep, "エラー：制御できません。再読込が必要でしょう。"},
        {&PresentationControl::EndShow, "エラー：制御できません。再読込が必要でしょう。"},
    };
    for (const Case& c : cases) {
        f.datagrams.sent.clear();
        c.step(f.display->presentation());
        ASSERT_TRUE(waitFor([&] { return !f.datagrams.sent.isEmpty(); })) << c.message;
        EXPECT_EQ(f.datagrams.sent, QByteArrayList({statusLine(c.message)}));
    }
    EXPECT_TRUE(f.hub.PresentationOpen);
    EXPECT_TRUE(f.display->presentation().byImpress());
    EXPECT_TRUE(f.log.lines().last().contains("the slide show is not running"));
}

// The viewer takes over from an Impress that cannot show the presentation, whatever the
// reason; one status line says so.
TEST(Presentation, WhenImpressCannotShowThePresentationTheViewerDoes) {
    const QTemporaryDir samples;
    const QString deck = test::makeSamplePresentation(samples.path(), QStringLiteral("talk.ppt"));
    if (deck.isEmpty()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the viewer cannot convert";
    }
    for (const char* mode : {"fail-open", "exit", "missing helper"}) {
        Fixture f(mode);
        if (QByteArrayView(mode) == "missing helper") {
            f.impress.setHelper(f.path("no-such-helper"));
        }
        ASSERT_TRUE(QFile::copy(deck, f.path("talk.ppt")));
        f.display->ShowFile("talk.ppt");
        ASSERT_TRUE(waitFor([&] { return f.display->OLEPanel()->isLoaded(); }, 60000)) << mode;
        EXPECT_EQ(f.failureLines(),
                  QByteArrayList({statusLine("エラー：PowerPointとの連携ができませんでした。")}))
            << mode;
        EXPECT_TRUE(f.hub.PresentationOpen);
        EXPECT_FALSE(f.display->presentation().byImpress());
        EXPECT_EQ(f.display->visibleViewer(), f.display->OLEPanel());
        EXPECT_EQ(f.display->OLEPanel()->pageCount(), 3);
        EXPECT_TRUE(f.errors.messages.isEmpty()) << mode;

        // From now on the steps page the viewer.
        f.display->presentation().NextStep();
        EXPECT_EQ(f.display->OLEPanel()->currentPage(), 1) << mode;
        f.display->presentation().EndShow();
        EXPECT_EQ(f.display->OLEPanel()->currentPage(), 0) << mode;
    }
}

TEST(Presentation, AFailureOfAPresentationNoLongerShownChangesNothing) {
    Fixture f("late-fail-open");
    f.write("talk.ppt", "x");
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    picture.save(f.path("next.jpg"), "JPG");
    f.display->ShowFile("talk.ppt");
    // The operator shows the next file before Impress has answered.
    f.display->ShowFile("next.jpg");
    QTest::qWait(1500);
    EXPECT_EQ(f.display->visibleViewer(), f.display->Image1());
    EXPECT_FALSE(f.display->OLEPanel()->isLoaded());
    EXPECT_TRUE(f.failureLines().isEmpty());
    EXPECT_TRUE(f.errors.messages.isEmpty());
}

TEST(Presentation, AMissingPresentationIsAnErrorOfShowFile) {
    Fixture f("ok");
    EXPECT_THROW(f.display->ShowFile("gone.ppt"), ZulError);
    EXPECT_FALSE(f.hub.PresentationOpen);
    EXPECT_FALSE(f.display->presentation().byImpress());
    QTest::qWait(200);
    EXPECT_TRUE(f.requestedOps().isEmpty());
}
