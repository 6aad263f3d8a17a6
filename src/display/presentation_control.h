#pragma once

// The slide shows of the display machine, stepped by the operator's buttons "開始", "次へ",
// "後", "前" and "表示中止", in one of two ways:
//
// - the viewer (the default): the presentation, converted once to PDF, is shown page by page
//   in the display window's Office viewer; starting shows the first slide, a step goes one
//   slide on or back, ending goes back to the first page. A PDF that is shown pages the
//   same way.
// - automation (the hub's CkPptOleControl): LibreOffice Impress runs the real show, with its
//   transitions and animation steps, over the Office viewer's rectangle (ImpressShow).
//
// A failed Impress operation sends its status line (and a log line that says why); when
// Impress could not show the presentation at all, impressFailed() asks the display window
// to show it on the viewer instead, and the steps from then on page the viewer.

#include <QObject>
#include <QRect>
#include <QString>
#include <functional>

#include "external/slide_show.h"

namespace zul {

class DebugLog;
class ErrorSink;
class ImpressShow;
class PdfView;
class StatusBroadcaster;
struct HubState;

class PresentationControl : public QObject {
    Q_OBJECT

public:
    struct Context {
        HubState& hub;
        DebugLog& log;
        ErrorSink& errors;
        StatusBroadcaster& status;
        ImpressShow& impress;
        // The Office viewer and the PDF viewer of the display window.
        PdfView& office;
        PdfView& pdf;
        // The part of the Office viewer that can be seen, on the screen.
        std::function<QRect()> showRect;
    };

    explicit PresentationControl(Context ctx, QObject* parent = nullptr);

    // Opens `path` in Impress and runs its show over the Office viewer (the automation
    // path). The outcome arrives later: a failure calls impressFailed(path).
    void OpenPresentation(const QString& path);
    // Ends the show and closes the presentation that Impress holds, without saving; nothing
    // on the viewer path. Never reports.
    void ClosePresentation();

    // The operator's commands. They act while a presentation is shown (PresentationOpen),
    // and on the viewer path also while a PDF is shown; otherwise they do nothing.
    void StartShow();
    void NextStep();
    void PreviousStep();
    void EndShow();

    // Whether the presentation shown runs in Impress.
    bool byImpress() const { return byImpress_; }

signals:
    // Impress could not show `path`; its status line has gone out.
    void impressFailed(const QString& path);

private:
    void run(ShowOp op);
    void page(ShowOp op);
    PdfView* pagedViewer() const;
    void impressFailedOn(ShowOp op, const QString& detail);

    Context ctx_;
    bool byImpress_ = false;
    QString impressPath_;
};

}  // namespace zul
