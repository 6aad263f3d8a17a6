#pragma once

// What the display machine does with a presentation, apart from any window: which files are
// presentations, which of them LibreOffice Impress runs as a real slide show, where a paged
// viewer goes on each step, and the status line texts of a failed step.

#include <QByteArray>
#include <QString>

namespace zul {

// The operations of a slide show as the operator's buttons ask for them.
enum class ShowOp {
    Open,      // open the presentation and run its show (showing the file)
    Start,     // "開始": run the show from its first slide
    Next,      // "次へ", "後": one step forward
    Previous,  // "前": one step back
    End,       // "表示中止": end the show, keeping the presentation open
};

// Presentations by their extension (lower case, without the dot): "ppt", "pptx", "odp" and
// the drawing "sxd". Showing one sets the hub's PresentationOpen.
bool isPresentationExtension(const QString& ext);

// The presentations that Impress runs as a slide show when automation is on: all but the
// drawing .sxd, which has no slide show and always goes to the viewer.
bool isImpressShowExtension(const QString& ext);

// The page (zero-based) that a paged viewer shows after `op`, from page `current` of `count`
// pages: Start and End go to the first page, Next and Previous one page on, stopping at the
// last and the first. Out-of-range input is brought into range first; with no pages, 0.
int pageAfter(ShowOp op, int current, int count);

// The message of the status line that reports a failed operation (code page 932).
QByteArray failureMessage(ShowOp op);

}  // namespace zul
