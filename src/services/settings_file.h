#pragma once

// The settings file (.rd1): one machine's whole configuration for both roles, written from
// and read back into the settings model. Reading assigns each value through its setting,
// so every loaded value takes effect exactly as an operator's change of the control would.

#include <QRect>
#include <QString>
#include <functional>
#include <optional>

namespace zul {

struct Settings;
class DebugLog;

class SettingsFile {
public:
    // Steps that belong to windows and services outside this layer. Any may be empty.
    struct Hooks {
        // Outer screen rectangle of the display window, when it exists.
        std::function<std::optional<QRect>()> displayWindowFrame;
        // Restyle the caption line from the sample text and lay out the content area.
        std::function<void()> restyleCaption;
        // Place the captioning program's window at the configured position.
        std::function<void()> placeIptalk;
        // Run an internal packet (without connection).
        std::function<void(const QByteArray&)> executePacket;
        // Start the display role.
        std::function<void()> startDisplayRole;
    };

    static constexpr const char* kExtension = "rd1";

    SettingsFile(Settings& settings, DebugLog& log, Hooks hooks = {});

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // Writes every key (the extension is forced to .rd1). The file is replaced atomically,
    // so a failed save leaves an older file whole. Returns false when nothing could be
    // saved; the failure is logged.
    bool SaveSettingsFile(const QString& path);

    // Reads the file into the settings and performs the after-load steps. A missing file
    // reads as empty. Throws ZulError when the file exists but is not read: no regular file,
    // too large, or a read error.
    void LoadSettingsFile(const QString& path);

    // The path a save really writes to (extension forced).
    static QString withExtension(const QString& path);

private:
    Settings& s_;
    DebugLog& log_;
    Hooks hooks_;
};

}  // namespace zul
