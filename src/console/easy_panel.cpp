#include "console/easy_panel.h"

#include <algorithm>

#include "console/file_instructions.h"
#include "platform/errors.h"
#include "platform/file_extension.h"
#include "platform/profile_file.h"

namespace zul {
namespace {

constexpr char kSection[] = "EazyPanel";

QByteArray keyOf(int row) {
    return "Combo" + QByteArray::number(row + 1);
}

}  // namespace

FadeTick fadeInTick(int step) {
    step = std::clamp(step, kFadeInFirstStep, kFadeOutFirstStep);
    const int next = step + 1;
    if (next > kFadeOutFirstStep) {
        return {fadeLevel(step), kFadeInFirstStep, true};
    }
    return {fadeLevel(step), next, false};
}

FadeTick fadeOutTick(int step) {
    step = std::clamp(step, kFadeInFirstStep, kFadeOutFirstStep);
    const int next = step - 1;
    if (next < kFadeInFirstStep) {
        return {fadeLevel(step), kFadeOutFirstStep, true};
    }
    return {fadeLevel(step), next, false};
}

PanelTexts readPanelFile(const QString& path) {
    const ProfileFile file = ProfileFile::read(path);
    if (!file.exists()) {
        throw ZulError(QStringLiteral("%1 がありません。").arg(path));
    }
    PanelTexts texts;
    for (int row = 0; row < kPanelRows; ++row) {
        texts[static_cast<std::size_t>(row)] = file.getString(kSection, keyOf(row), "");
    }
    return texts;
}

bool writePanelFile(const QString& path, const PanelTexts& texts, QString* error,
                    QString* writtenPath) {
    const QString target = replaceExtension(path, u".rz1");
    if (writtenPath != nullptr) {
        *writtenPath = target;
    }
    ProfileFile file;
    for (int row = 0; row < kPanelRows; ++row) {
        if (!file.writeString(kSection, keyOf(row), texts[static_cast<std::size_t>(row)])) {
            if (error != nullptr) {
                *error = QStringLiteral("Combo%1 の値は書けません").arg(row + 1);
            }
            return false;
        }
    }
    return file.save(target, error);
}

int matchingEntry(const QStringList& entries, const QString& text) {
    const auto it = std::find(entries.rbegin(), entries.rend(), text);
    return it == entries.rend() ? -1 : static_cast<int>(entries.rend() - it) - 1;
}

}  // namespace zul
