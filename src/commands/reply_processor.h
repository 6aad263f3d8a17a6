#pragma once

// The operator machine's reply processing: every packet the display machine sends back
// arrives here from the operator connection and fills the operator's windows (console,
// easy panel, error information, directory change, worksheet) and the hub's settings. The
// only packets it sends itself are worksheet rows, when the display machine asks for them.

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

namespace zul {

class DebugLog;
class PacketConnection;
class Worksheet;
struct HubState;
struct Settings;

// Where the replies go in the windows. A window that does not exist (yet) leaves its hook
// empty; its replies are then dropped. Texts are code page 932 bytes.
struct ReplyWindows {
    // The console's chat memo.
    std::function<void(const QByteArray& line)> chatLine;
    // One file of the display machine's list: the console's file list and the sixteen
    // easy-panel lists.
    std::function<void(const QByteArray& name)> fileListItem;
    // The file list is complete: the easy-panel lists select their current texts again.
    std::function<void()> fileListDone;
    // One row of the console's parts grid.
    std::function<void(const QByteArray& name, const QByteArray& caption,
                       const QByteArray& fontColour, const QByteArray& backColour)>
        partsInfo;
    // The console's processor gauge.
    std::function<void(int percent)> cpuLoad;
    // The console's "ファイルリスト更新".
    std::function<void()> refreshFileList;
    // One line of the display machine's log for the error information window.
    std::function<void(const QByteArray& line)> errorLogLine;
    // One folder of the display machine for the directory change window.
    std::function<void(const QByteArray& folder)> folder;
};

// The answers to the console's file list requests arrive in order on one connection: for
// each request the file names, the base directory and the end mark, then the folders and the
// base directory again. A request made while an earlier one is still being answered replaces
// it: what still arrives for the earlier one is left out, so the lists are filled once.
class FileListAnswers {
public:
    void requested() { ++pending_; }
    // The connection ended: nothing asked on it will be answered any more.
    void reset() {
        pending_ = 0;
        baseDirs_ = 0;
    }
    // Whether a file name or a folder that arrives now answers the newest request.
    bool current() const { return pending_ <= 1; }
    // Two base directories close one request.
    void baseDirectoryArrived() {
        if (pending_ > 0 && ++baseDirs_ == 2) {
            baseDirs_ = 0;
            --pending_;
        }
    }

private:
    int pending_ = 0;
    int baseDirs_ = 0;
};

// Everything is owned elsewhere and outlives the processor.
struct ReplyContext {
    Settings& settings;
    HubState& hub;
    DebugLog& log;
    Worksheet& worksheet;
    ReplyWindows windows;
};

class ReplyProcessor {
public:
    // The chat text by which the display machine reports a changed base directory.
    static QByteArrayView folderChangedText();

    explicit ReplyProcessor(ReplyContext context);

    // Acts on one packet (command byte and operand, no line feed) of any length; `connection`
    // is where it came from and where worksheet rows go. A command the operator does not
    // handle only writes its log line. Hooks may let events run and so re-enter; each call
    // works on its own copy of the packet.
    void ProcessReply(const QByteArray& packet, PacketConnection* connection);

    // The console asked for the file and folder lists again; the connection ended.
    void fileListRequested() { fileLists_.requested(); }
    void connectionClosed() { fileLists_.reset(); }

private:
    void message(const QByteArray& operand);
    void partsInfo(const QByteArray& operand);
    void captionSettings(const QByteArray& operand);
    void cpuLoad(const QByteArray& operand);
    void sendWorksheet(PacketConnection* connection);
    void receiveWorksheetRow(const QByteArray& operand);
    void captionPosition(const QByteArray& operand);
    void unhandled(const QByteArray& packet, const PacketConnection* connection);

    ReplyContext c_;
    FileListAnswers fileLists_;
};

}  // namespace zul
