#pragma once

// A console window on recording fakes: the packets it writes, the datagrams it sends and
// the dialogs it opens are kept for the test to read.

#include <gtest/gtest.h>

#include <QByteArrayList>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>
#include <QTimer>
#include <memory>

#include "console/Zul2_cmain.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/peer_list.h"
#include "model/settings.h"
#include "recording_dialogs.h"
#include "test_support.h"

namespace zul::test {

// Command byte + operand + line feed.
inline QByteArray packet(int byte, const QByteArray& operand = {}) {
    return QByteArray(1, static_cast<char>(byte)) + operand + '\n';
}

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<TClientMain>(TClientMain::Context{
            settings, hub, log, dialogs, connection, udp, peers, QByteArray("opmachine")});
        // The monitor's ticks are driven by the tests.
        window->cpusend()->stop();
    }

    // Shown as the program shows it; the requests of showing are forgotten.
    void showWindow() {
        window->show();
        connection.sent.clear();
    }

    template <typename T>
    T* child(const QString& name) const {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    QPlainTextEdit* memo() const { return window->Memo1(); }

    void setScript(const QStringList& lines) const { memo()->setPlainText(lines.join('\n')); }

    QStringList scriptLines() const {
        QStringList lines;
        for (QTextBlock b = memo()->document()->firstBlock(); b.isValid(); b = b.next()) {
            lines << b.text();
        }
        return lines;
    }

    void putCaret(int line, int column = 0) const {
        QTextCursor cursor(memo()->document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, column);
        memo()->setTextCursor(cursor);
    }

    int caretLine() const { return memo()->textCursor().blockNumber(); }
    int caretColumn() const { return memo()->textCursor().positionInBlock(); }

    Settings settings;
    HubState hub;
    DebugLog log;
    RecordingDialogs dialogs;
    RecordingConnection connection;
    RecordingDatagrams udp;
    PeerList peers;
    std::unique_ptr<TClientMain> window;
};

}  // namespace zul::test
