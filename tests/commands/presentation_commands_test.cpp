// The slide show commands (bytes 61 to 65) through the interpreter on the viewer path: a
// presentation converted by LibreOffice, or a PDF, paged in the display window.
#include <gtest/gtest.h>

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "../display/display_fixture.h"
#include "commands/display_commands.h"
#include "commands/interpreter.h"
#include "display/Zul2_rdisp.h"
#include "display/viewers.h"
#include "model/hub_state.h"
#include "protocol/command_table.h"
#include "protocol/packets.h"
#include "test_support.h"

using namespace zul;

namespace {

// A sample presentation made once for all the tests here (LibreOffice takes seconds).
class Samples {
public:
    static QString odp() { return instance().odp_; }

private:
    Samples() { odp_ = test::makeSamplePresentation(dir_.path(), QStringLiteral("slides.odp")); }
    static Samples& instance() {
        static Samples samples;
        return samples;
    }
    QTemporaryDir dir_;
    QString odp_;
};

struct Fixture : test::DisplayFixture {
    Interpreter interpreter{log};

    Fixture() : DisplayFixture({.open = false, .contentFillsWindow = true}) {
        errors.failTest = true;
        openDisplay(interpreter);
        registerDisplayCommands(interpreter, {settings, *display, {}, {}});
        display->FormResize();
    }
    ~Fixture() { display.reset(); }

    void run(Cmd cmd, const QByteArray& operand = {}) {
        guarded(errors,
                [&] { interpreter.ExecutePacket(makeInternalPacket(cmd, operand), nullptr); });
    }
    // The page shown after each command, one after the other.
    QList<int> pagesAfter(PdfView* viewer, std::initializer_list<Cmd> commands) {
        QList<int> pages;
        for (Cmd c : commands) {
            run(c);
            pages << viewer->currentPage();
        }
        return pages;
    }
    void writePdf(const char* name, int pages) {
        QPdfWriter writer(path(name));
        writer.setPageSize(QPageSize(QPageSize::A5));
        QPainter p(&writer);
        for (int i = 0; i < pages; ++i) {
            if (i > 0) {
                writer.newPage();
            }
            p.drawText(100, 100, QString::number(i + 1));
        }
    }
};

}  // namespace

TEST(PresentationCommands, AConvertedPresentationIsSteppedForwardAndBackAndEnded) {
    if (Samples::odp().isEmpty()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: no presentation to convert";
    }
    Fixture f;
    ASSERT_TRUE(QFile::copy(Samples::odp(), f.path("Talk.ODP")));
    f.run(Cmd::CmdWallpaper, "Talk.ODP");
    PdfView* office = f.display->OLEPanel();
    ASSERT_EQ(f.display->visibleViewer(), office);
    ASSERT_EQ(office->pageCount(), 3);
    EXPECT_TRUE(f.hub.PresentationOpen);
    EXPECT_EQ(office->currentPage(), 0);

    using enum Cmd;
    EXPECT_EQ(f.pagesAfter(office, {CmdPptNext, CmdPptPageDown, CmdPptNext, CmdPptPageUp,
                                    CmdPptPageUp, CmdPptPageUp, CmdPptNext, CmdPptStop, CmdPptNext,
                                    CmdPptNext, CmdPptStart}),
              QList<int>({1, 2, 2, 1, 0, 0, 1, 0, 1, 2, 0}));

    // Another file ends the presentation: the commands have nothing to step.
    f.writePdf("one.pdf", 1);
    f.run(CmdWallpaper, "one.pdf");
    EXPECT_FALSE(f.hub.PresentationOpen);
    f.run(CmdPptNext);
    EXPECT_EQ(f.display->PDF()->currentPage(), 0);
}

TEST(PresentationCommands, APdfShownPagesTheSameWay) {
    Fixture f;
    f.writePdf("programme.pdf", 4);
    f.run(Cmd::CmdWallpaper, "programme.pdf");
    PdfView* pdf = f.display->PDF();
    ASSERT_EQ(pdf->pageCount(), 4);
    EXPECT_FALSE(f.hub.PresentationOpen);

    using enum Cmd;
    EXPECT_EQ(f.pagesAfter(pdf, {CmdPptNext, CmdPptNext, CmdPptNext, CmdPptPageDown, CmdPptPageUp,
                                 CmdPptStop, CmdPptPageDown, CmdPptStart}),
              QList<int>({1, 2, 3, 3, 2, 0, 1, 0}));
}

TEST(PresentationCommands, WithNothingToStepTheCommandsDoNothing) {
    Fixture f;
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(f.path("photo.jpg"), "JPG");
    // Before anything is shown, and with a picture shown.
    for (const QByteArray& file : {QByteArray(), QByteArray("photo.jpg")}) {
        if (!file.isEmpty()) {
            f.run(Cmd::CmdWallpaper, file);
        }
        f.datagrams.sent.clear();
        for (Cmd c : {Cmd::CmdPptStart, Cmd::CmdPptNext, Cmd::CmdPptPageDown, Cmd::CmdPptPageUp,
                      Cmd::CmdPptStop}) {
            f.run(c);
        }
        EXPECT_TRUE(f.datagrams.sent.isEmpty()) << file.constData();
        EXPECT_EQ(f.display->OLEPanel()->currentPage(), 0);
    }
    // A PDF left behind a picture is not stepped either.
    f.writePdf("two.pdf", 2);
    f.run(Cmd::CmdWallpaper, "two.pdf");
    f.run(Cmd::CmdWallpaper, "photo.jpg");
    f.run(Cmd::CmdPptNext);
    EXPECT_EQ(f.display->PDF()->currentPage(), 0);
}
