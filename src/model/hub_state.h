#pragma once

// The private values that the interpreter, the connections and the display share.
// They live for the process; only the settings file and file sets persist anything.

#include <QByteArray>

namespace zul {

// What the interpreter last loaded; written out as a file set on request.
struct CurrentFiles {
    QByteArray CurBackground;
    QByteArray CurTextList;
    QByteArray CurParts;
    QByteArray CurPartValues;
    QByteArray CurCsvFile;
};

struct HubState {
    static constexpr int kInitialWebSeconds = 10;
    static constexpr int kInitialTextSeconds = 5;
    static constexpr int kInitialScrollMs = 20;
    static constexpr int kInitialScrollStep = 4;

    QByteArray BroadcastAddress;
    int OperatorCount = 0;
    int ReconnectTries = 0;
    bool Reconnecting = false;
    bool PresentationOpen = false;
    bool PartsLoading = false;
    bool FromWebList = false;
    // Settings files being loaded because a packet asked for it (CmdSettingsLoad, a file
    // set's settings file): what such a load starts must not open a modal box.
    int PacketSettingsLoads = 0;
    bool HubShown = false;
    QByteArray MirrorIdentity;
    CurrentFiles Current;
    int WebSeconds = kInitialWebSeconds;
    int TextSeconds = kInitialTextSeconds;
    int ScrollMs = kInitialScrollMs;
    int ScrollStep = kInitialScrollStep;
    int WebIndex = -1;
    int TextIndex = -1;
    // 0: list mode (the text list loops); 1: queue mode (lines queued by the caption
    // command, the end of the list ends scrolling); -1: a queued empty line ended the queue.
    int LineAppend = 0;
    int CpuPending = 0;

    // Back to the values at start: flags and counters cleared, timings initial.
    void reset() { *this = HubState(); }
};

}  // namespace zul
