#include "commands/display_commands.h"

#include <memory>

#include "commands/interpreter.h"
#include "display/Zul2_rdisp.h"
#include "display/presentation_control.h"
#include "external/iptalk.h"
#include "model/settings.h"
#include "protocol/operand_scan.h"

namespace zul {
namespace {

// An option command: "%d"; the box is ticked for 1. An operand without a number leaves
// the box as it is.
void setBoxFromOperand(Setting<bool>& box, const QByteArray& operand) {
    if (const auto v = firstNumber(operand)) {
        box.set(*v == 1);
    }
}

// "%d %d": edge and direction of a frame adjustment.
void adjustFrame(TMainDisp& display, const QByteArray& operand, bool moveFrame) {
    OperandScanner in(operand);
    const auto edge = in.number();
    const auto dir = in.number();
    if (edge && dir) {
        display.adjustFrame(*edge, *dir == 1, moveFrame);
    }
}

}  // namespace

void registerDisplayCommands(Interpreter& interpreter, DisplayCommandContext context) {
    auto ctx = std::make_shared<DisplayCommandContext>(std::move(context));
    TMainDisp& d = ctx->display;
    Settings& s = ctx->settings;
    auto on = [&interpreter](Cmd cmd, Interpreter::Handler handler) {
        interpreter.setHandler(cmd, std::move(handler));
    };

    on(Cmd::CmdMessage, [ctx](PacketContext& c) {
        if (ctx->addChatLine) {
            ctx->addChatLine(c.operand());
        }
        c.reply(c.work + '\n');
    });
    on(Cmd::CmdWallpaper, [&d](PacketContext& c) { d.ShowFile(c.operand()); });
    on(Cmd::CmdWebUpdateList, [&d](PacketContext& c) { d.CmdWebUpdateList(c.operand()); });
    on(Cmd::CmdTextUpdateList, [&d](PacketContext& c) { d.CmdTextUpdateList(c.operand()); });
    on(Cmd::CmdLineUpdate, [&d](PacketContext& c) { d.CmdLineUpdate(c.operand()); });
    on(Cmd::CmdTimingUpdate, [&d](PacketContext& c) { d.CmdTimingUpdate(c.operand()); });
    on(Cmd::CmdFontUpdate, [&d](PacketContext& c) { d.CmdFontUpdate(c.operand()); });
    on(Cmd::CmdScreenAdjust, [&d](PacketContext& c) { adjustFrame(d, c.operand(), false); });
    on(Cmd::CmdFramePosition, [&d](PacketContext& c) { adjustFrame(d, c.operand(), true); });
    on(Cmd::CmdLineUpdateStop, [&d](PacketContext&) { d.CmdLineUpdateStop(); });
    on(Cmd::CmdStretch, [&s](PacketContext& c) { setBoxFromOperand(s.TransChk, c.operand()); });
    on(Cmd::CmdAspect, [&s](PacketContext& c) { setBoxFromOperand(s.AspectChk, c.operand()); });
    on(Cmd::CmdPptWidth, [&s](PacketContext& c) { setBoxFromOperand(s.PptChk, c.operand()); });
    on(Cmd::CmdSpeedUp, [&s](PacketContext& c) { setBoxFromOperand(s.SpeedUp, c.operand()); });
    on(Cmd::CmdFadeSetting, [&d](PacketContext& c) { d.CmdFadeSetting(c.operand()); });
    on(Cmd::CmdFade, [&d](PacketContext& c) { d.CmdFade(c.operand()); });
    on(Cmd::CmdFadeImage, [&d](PacketContext& c) { d.CmdFadeImage(c.operand()); });
    on(Cmd::CmdHideDisplay, [&d](PacketContext& c) { d.CmdHideDisplay(c.operand()); });
    on(Cmd::CmdChromaKey, [&d](PacketContext& c) { d.CmdChromaKey(c.operand()); });
    on(Cmd::CmdCaptionPosition, [&d](PacketContext& c) { d.CmdCaptionPosition(c.operand()); });

    on(Cmd::CmdIptalkPosition, [ctx](PacketContext& c) {
        if (ctx->iptalk != nullptr) {
            ctx->iptalk->CmdIptalkPosition(c.operand());
        }
    });

    // Slide shows: "後" steps forward as "次へ" does.
    PresentationControl& show = d.presentation();
    on(Cmd::CmdPptStart, [&show](PacketContext&) { show.StartShow(); });
    on(Cmd::CmdPptNext, [&show](PacketContext&) { show.NextStep(); });
    on(Cmd::CmdPptPageDown, [&show](PacketContext&) { show.NextStep(); });
    on(Cmd::CmdPptPageUp, [&show](PacketContext&) { show.PreviousStep(); });
    on(Cmd::CmdPptStop, [&show](PacketContext&) { show.EndShow(); });

    // Without the captioning program's window these two return at once and are not
    // handed over to the mirror.
    auto iptalk = [ctx](void (IptalkCooperation::*operation)()) {
        return [ctx, operation](PacketContext& c) {
            if (ctx->iptalk == nullptr || !ctx->iptalk->windowExists()) {
                c.handOver = false;
                return;
            }
            (ctx->iptalk->*operation)();
        };
    };
    on(Cmd::CmdIptalkHide, iptalk(&IptalkCooperation::HideIptalk));
    on(Cmd::CmdIptalkShow, iptalk(&IptalkCooperation::ShowIptalk));
}

}  // namespace zul
