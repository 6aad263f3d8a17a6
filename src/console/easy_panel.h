#pragma once

// Rules of the easy panel: the fade steps of its two buttons and its panel files (".rz1"),
// a profile file with one section "EazyPanel" whose keys "Combo1" to "Combo16" hold the
// file names of the sixteen rows.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

namespace zul {

inline constexpr int kPanelRows = 16;
// Time between two fade steps.
inline constexpr int kFadeStepMs = 300;
// Where the step counters start, and where each goes back to after its last step.
inline constexpr int kFadeInFirstStep = 0;
inline constexpr int kFadeOutFirstStep = 8;

// One tick of a fade timer: the level sent (CmdFade), the step after it, and whether the
// timer stops (the counter then starts again from its first step).
struct FadeTick {
    int level;
    int nextStep;
    bool finished;

    friend bool operator==(const FadeTick&, const FadeTick&) = default;
};

// "フェードイン": levels 0, 32 ... 224, 255 for the steps 0 to 8.
FadeTick fadeInTick(int step);
// "フェードアウト": levels 255, 224 ... 0 for the steps 8 down to 0.
FadeTick fadeOutTick(int step);

// The file names of the sixteen rows, code page 932.
using PanelTexts = std::array<QByteArray, kPanelRows>;

// Reads a panel file; a key that is missing reads as empty. Throws ZulError when the file
// does not exist or cannot be read.
PanelTexts readPanelFile(const QString& path);

// Writes the texts as a new panel file at `path` with its extension replaced by ".rz1",
// in one step: a failed save leaves an older file whole. Returns false with the reason in
// `error`; `writtenPath` receives the file name used.
bool writePanelFile(const QString& path, const PanelTexts& texts, QString* error = nullptr,
                    QString* writtenPath = nullptr);

// The entry a drop-down chooses for its text: the last entry equal to it, or -1.
int matchingEntry(const QStringList& entries, const QString& text);

}  // namespace zul
