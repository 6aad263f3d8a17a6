#include "display/presentation_control.h"

#include "display/viewers.h"
#include "external/impress_show.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "services/status_broadcaster.h"

namespace zul {

PresentationControl::PresentationControl(Context ctx, QObject* parent)
    : QObject(parent), ctx_(std::move(ctx)) {
    connect(&ctx_.impress, &ImpressShow::failed, this, [this](ShowOp op, const QString& detail) {
        guarded(ctx_.errors, [&] { impressFailedOn(op, detail); });
    });
    connect(&ctx_.impress, &ImpressShow::helperEnded, this, [this](const QString& why) {
        if (byImpress_) {
            ctx_.log.add(QStringLiteral("Impress が終了しました：%1").arg(why));
        }
    });
}

void PresentationControl::OpenPresentation(const QString& path) {
    ClosePresentation();
    byImpress_ = true;
    impressPath_ = path;
    ctx_.impress.open(path, ctx_.showRect());
}

void PresentationControl::ClosePresentation() {
    if (byImpress_) {
        byImpress_ = false;
        impressPath_.clear();
        ctx_.impress.close();
    }
}

void PresentationControl::StartShow() {
    run(ShowOp::Start);
}

void PresentationControl::NextStep() {
    run(ShowOp::Next);
}

void PresentationControl::PreviousStep() {
    run(ShowOp::Previous);
}

void PresentationControl::EndShow() {
    run(ShowOp::End);
}

void PresentationControl::run(ShowOp op) {
    if (!byImpress_ || !ctx_.hub.PresentationOpen) {
        page(op);
        return;
    }
    switch (op) {
        case ShowOp::Start:
            ctx_.impress.start(ctx_.showRect());
            break;
        case ShowOp::Next:
            ctx_.impress.next();
            break;
        case ShowOp::Previous:
            ctx_.impress.previous();
            break;
        case ShowOp::End:
            ctx_.impress.end();
            break;
        case ShowOp::Open:
            break;
    }
}

void PresentationControl::page(ShowOp op) {
    if (PdfView* viewer = pagedViewer()) {
        viewer->setPage(pageAfter(op, viewer->currentPage(), viewer->pageCount()));
    }
}

PdfView* PresentationControl::pagedViewer() const {
    if (ctx_.hub.PresentationOpen && !ctx_.office.isHidden() && ctx_.office.isLoaded()) {
        return &ctx_.office;
    }
    if (!ctx_.pdf.isHidden() && ctx_.pdf.isLoaded()) {
        return &ctx_.pdf;
    }
    return nullptr;
}

void PresentationControl::impressFailedOn(ShowOp op, const QString& detail) {
    if (!byImpress_) {
        return;  // about a presentation that is no longer shown
    }
    const QByteArray message = failureMessage(op);
    ctx_.log.add(QStringLiteral("%1（%2）").arg(cp932::decode(message), detail));
    if (op == ShowOp::Open) {
        byImpress_ = false;
        emit impressFailed(impressPath_);
    }
    ctx_.status.SendStatusText(message);
}

}  // namespace zul
