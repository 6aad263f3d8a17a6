#pragma once

// The browser remote's JSON edge: requests of the page turned into packets for the
// interpreter, and what the display machine says turned back into JSON. Texts are UTF-8 in
// JSON and code page 932 in packets; the conversion happens here and nowhere else.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/colour.h"
#include "protocol/command_table.h"

namespace zul {

// A request of POST /api/packet: the packet to run, or why nothing runs.
struct PacketRequest {
    QByteArray packet;  // command byte + operand, no line feed; empty on error
    QString error;      // Japanese message when the request is refused
    bool ok() const { return error.isEmpty(); }
};

// Reads {"command": "CmdLineUpdate", "operand": "text"}. The operand may be left out (empty)
// or be a whole number; it must be representable in code page 932, hold no line break or
// NUL, keep the packet within the bytes the interpreter reads, and fit what the command
// takes (nothing for the commands without operand, a number for the flag and level
// commands, four comma-separated fields for a part update).
PacketRequest parsePacketRequest(QByteArrayView json);

// {"replies":[{"command":"...","operand":"..."}]} of the packets (line feeds between them)
// that a request produced.
QByteArray repliesJson(QByteArrayView replyBytes);

// What a line of a caption script is to the console: sent as a caption, an operator's
// note, or a queue marker.
enum class ScriptLineKind { Send, Note, Marker };

struct ScriptLine {
    QString text;
    ScriptLineKind kind = ScriptLineKind::Send;
};

// The lines of a script file (code page 932, CR LF or LF), at most `maxLines`.
std::vector<ScriptLine> scriptLines(QByteArrayView fileBytes, qsizetype maxLines);
// {"lines":[{"text":"...","kind":"send"|"note"|"marker"}], "truncated": bool}
QByteArray scriptJson(const std::vector<ScriptLine>& lines, bool truncated);

// What the page shows of the display machine.
struct RemotePart {
    QByteArray name;
    QByteArray value;
    ColorValue fontColour = 0;
    ColorValue backColour = 0;
    bool shown = false;
};

struct RemoteState {
    QByteArray caption;
    bool scroll = false;
    bool hidden = false;
    QByteArray background;
    QString baseDir;
    QStringList files;
    bool filesTruncated = false;  // the folder holds more plain files than are listed
    std::vector<RemotePart> parts;
    int operators = 0;
    int opacity = 255;
    bool presentation = false;
    QStringList status;
};

// The state as one JSON object; with `pushed` it carries "type":"state" for the WebSocket.
QByteArray stateJson(const RemoteState& state, bool pushed);

// {"error": message}
QByteArray errorJson(const QString& message);

// "#rrggbb" of a stored colour (system colours as this machine shows them).
QString colourText(ColorValue colour);

// Whether a request may act: it names no origin (not sent by a page of a browser), or the
// page that sends it was served by this host ("http://" + the Host header). A page of another
// site, open in the same phone's browser, is kept from driving the display.
bool sameOrigin(QByteArrayView origin, QByteArrayView host);

// Whether the Host header of a request names this machine: an address (IPv4 or IPv6,
// with or without a port), or one of `ownNames` (with ".local", ignoring case). A page that
// a foreign name was made to point here ("DNS rebinding") names that foreign name instead.
// A request without the header (not from a browser) passes.
bool hostAllowed(QByteArrayView hostHeader, const QStringList& ownNames);

// Compares an offered access key with the set one without telling by its timing how much
// of it matched.
bool keyMatches(const QString& offered, const QString& expected);

}  // namespace zul
