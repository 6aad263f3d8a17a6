#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "fakes.h"
#include "model/debug_log.h"
#include "services/Zul2_dircng.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

namespace {

class DirChangeWindow : public ::testing::Test {
protected:
    void click() {
        window.show();
        QTest::mouseClick(window.Button1(), Qt::LeftButton);
    }

    test::RecordingConnection connection{QStringLiteral("display-pc")};
    bool open = true;
    DebugLog log;
    TDirChange window{OperatorChannel{&connection, [this] { return open; }}, log};
};

TEST_F(DirChangeWindow, LooksAsADialogOnTop) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("基本ディレクトリ変更"));
    EXPECT_EQ(window.windowType(), Qt::Dialog);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window.minimumSize(), QSize(612, 124));
    EXPECT_EQ(window.maximumSize(), QSize(612, 124));
    EXPECT_TRUE(window.path()->isEditable());
    EXPECT_EQ(window.Button1()->text(), QStringLiteral("変更指示"));
}

// Nothing is checked here: the display machine decides about the key and the folder.
TEST_F(DirChangeWindow, ChangeSendsKeyAndFolderUnchecked) {
    struct Case {
        QString key;
        QString folder;
        QByteArray expected;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("secret"), QStringLiteral("/srv/催し物"),
         "5secret," + sj("/srv/催し物") + '\n'},
        {{}, {}, "5,\n"},
        {QStringLiteral("a,b"), QStringLiteral("/x"), "5a,b,/x\n"},
        {QStringLiteral("鍵 1"), QStringLiteral("C:\\show"), sj("5鍵 1,C:\\show\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        connection.sent.clear();
        window.Passwd()->setText(c.key);
        window.path()->setEditText(c.folder);
        click();
        EXPECT_EQ(connection.sent, QByteArrayList{c.expected});
        EXPECT_FALSE(window.isVisible());
    }
}

TEST_F(DirChangeWindow, ClosedOrMissingConnectionDropsTheChange) {
    window.Passwd()->setText(QStringLiteral("secret"));
    window.path()->setEditText(QStringLiteral("/srv"));
    open = false;
    click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(connection.sent.isEmpty());

    TDirChange unconnected(OperatorChannel{nullptr, [] { return true; }}, log);
    unconnected.show();
    QTest::mouseClick(unconnected.Button1(), Qt::LeftButton);
    EXPECT_FALSE(unconnected.isVisible());
}

// A line feed would end the packet early and send the rest as a packet of its own.
TEST_F(DirChangeWindow, ChangeIsAlwaysOnePacket) {
    window.Passwd()->setText(QStringLiteral("k\n1"));
    window.path()->setEditText(QStringLiteral("/srv\n/x"));
    click();
    EXPECT_EQ(connection.sent, QByteArrayList{"5k 1,/srv /x\n"});
}

// The log can be fetched over the network, so it never shows the key.
TEST_F(DirChangeWindow, UnrepresentableCharactersGoAsQuestionMarksWithALogLine) {
    window.Passwd()->setText(QStringLiteral("zq한"));
    window.path()->setEditText(QStringLiteral("/srv/한"));
    const qsizetype before = log.lines().size();
    click();
    EXPECT_EQ(connection.sent, QByteArrayList{"5zq?,/srv/?\n"});
    const QByteArrayList added = log.lines().mid(before);
    ASSERT_EQ(added.size(), 2);
    EXPECT_FALSE(added[0].contains("zq"));
    EXPECT_TRUE(added[1].endsWith(": /srv/?"));
}

TEST_F(DirChangeWindow, FolderListIsFilledAndEmptiedKeepingTheTypedText) {
    window.addFolder(sj("/srv/催し物"));
    window.addFolder("/srv/other");
    ASSERT_EQ(window.path()->count(), 2);
    EXPECT_EQ(window.path()->itemText(0), QStringLiteral("/srv/催し物"));

    window.path()->setEditText(QStringLiteral("/srv/typed"));
    window.clearFolders();
    EXPECT_EQ(window.path()->count(), 0);
    EXPECT_EQ(window.path()->currentText(), QStringLiteral("/srv/typed"));

    window.addFolder("/srv/new");
    window.path()->setCurrentIndex(0);
    click();
    EXPECT_EQ(connection.sent, QByteArrayList{"5,/srv/new\n"});
}

}  // namespace
