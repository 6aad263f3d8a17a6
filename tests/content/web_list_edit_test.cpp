#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "content/Zul2_weblst.h"
#include "model/settings.h"
#include "recording_dialogs.h"
#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

// Also keeps what the save dialog was opened with.
class SaveDialogs : public test::RecordingDialogs {
public:
    QString filter;
    QString startDir;

    QString saveFileName(const QString& title, const QString& f, const QString& dir) override {
        filter = f;
        startDir = dir;
        return RecordingDialogs::saveFileName(title, f, dir);
    }
};

// A base directory with files the drop-down offers and files it leaves out.
class WebListEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const char* name : {"b.jpg", "A.htm", "ニュース.rp1", ".hidden.jpg", "readonly.pdf"}) {
            test::writeAll(path(QString::fromUtf8(name)), "x");
        }
        ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("readonly.pdf")),
                                          QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("sub.jpg")));
        ASSERT_TRUE(QFile::link(path(QStringLiteral("b.jpg")), path(QStringLiteral("link.jpg"))));
        settings_.BaseDir.set(dir_.path());
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QPlainTextEdit* memo() { return editor_.findChild<QPlainTextEdit*>(QStringLiteral("Memo1")); }
    QComboBox* combo() { return editor_.findChild<QComboBox*>(QStringLiteral("BG")); }
    QStringList offered() {
        QStringList items;
        for (int i = 0; i < combo()->count(); ++i) {
            items << combo()->itemText(i);
        }
        return items;
    }
    void add(const QString& text) {
        combo()->setEditText(text);
        editor_.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    }
    void save() { editor_.findChild<QPushButton*>(QStringLiteral("Button2"))->click(); }

    QTemporaryDir dir_;
    Settings settings_;
    SaveDialogs dialogs_;
    TWebListEdit editor_{settings_, dialogs_};
};

}  // namespace

TEST_F(WebListEditor, OffersBareNamesOfPlainFilesEachTimeItIsShown) {
    EXPECT_EQ(editor_.windowTitle(), QStringLiteral("表示順リストの作成"));
    editor_.show();
    EXPECT_EQ(offered(), QStringList({QStringLiteral("A.htm"), QStringLiteral("b.jpg"),
                                      QStringLiteral("ニュース.rp1")}));
    EXPECT_TRUE(combo()->currentText().isEmpty());

    // A file added and a base directory changed while hidden show up at the next showing.
    editor_.hide();
    test::writeAll(path(QStringLiteral("c.pdf")), "x");
    editor_.show();
    EXPECT_TRUE(offered().contains(QStringLiteral("c.pdf")));

    editor_.hide();
    settings_.BaseDir.set(path(QStringLiteral("does-not-exist")));
    editor_.show();
    EXPECT_TRUE(offered().isEmpty());
}

TEST_F(WebListEditor, AddAppendsTheTextAsANewLastLine) {
    editor_.show();
    add(QString());
    EXPECT_EQ(editor_.lines(), QByteArrayList({""}));
    add(QStringLiteral("ニュース.rp1"));
    add(QString());
    EXPECT_EQ(editor_.lines(), QByteArrayList({"", sj("ニュース.rp1"), ""}));

    // A last line typed without a line end stays a line of its own.
    memo()->setPlainText(QStringLiteral("http://example.jp/"));
    add(QStringLiteral("b.jpg"));
    EXPECT_EQ(editor_.lines(), QByteArrayList({"http://example.jp/", "b.jpg"}));
}

TEST_F(WebListEditor, SavesCrLfCodePage932AndAddsTheDefaultExtension) {
    editor_.show();
    memo()->setPlainText(QStringLiteral("写真.jpg\n\nhttp://example.jp/お知らせ.htm"));
    add(QStringLiteral("ニュース.rp1"));
    dialogs_.files.enqueue(path(QStringLiteral("順番")));
    save();

    EXPECT_EQ(dialogs_.filter,
              QStringLiteral("ZUL 自動更新リスト(*.rw1)|*.rw1|テキスト形式(*.txt)|*.txt|"
                             "すべてのファイル(*.*)|*.*"));
    EXPECT_EQ(dialogs_.startDir, path(QStringLiteral("default")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("順番"))));
    EXPECT_EQ(test::readAll(path(QStringLiteral("順番.rw1"))),
              sj("写真.jpg\r\n\r\nhttp://example.jp/お知らせ.htm\r\nニュース.rp1\r\n"));
    EXPECT_TRUE(dialogs_.messages.isEmpty());

    // A name with an extension is kept as it is.
    dialogs_.files.enqueue(path(QStringLiteral("list.txt")));
    save();
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("list.txt"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("list.txt.rw1"))));
}

TEST_F(WebListEditor, CancelChangesNothing) {
    editor_.show();
    memo()->setPlainText(QStringLiteral("b.jpg\n"));
    const QStringList before = QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden);
    save();
    EXPECT_EQ(dialogs_.fileTitles.size(), 1);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    EXPECT_EQ(memo()->toPlainText(), QStringLiteral("b.jpg\n"));
    EXPECT_TRUE(dialogs_.messages.isEmpty());
}

TEST_F(WebListEditor, FailedSaveIsReportedAndTheListIsKept) {
    editor_.show();
    memo()->setPlainText(QStringLiteral("b.jpg\n"));
    dialogs_.files.enqueue(path(QStringLiteral("missing/list.rw1")));
    save();
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_TRUE(dialogs_.lastText().contains(path(QStringLiteral("missing/list.rw1"))));
    EXPECT_EQ(memo()->toPlainText(), QStringLiteral("b.jpg\n"));
}

TEST_F(WebListEditor, CharactersOutsideCodePage932AreSavedAsQuestionMarksWithAWarning) {
    editor_.show();
    memo()->setPlainText(QStringLiteral("\U0001F600.jpg\n"));
    dialogs_.files.enqueue(path(QStringLiteral("list.rw1")));
    save();
    EXPECT_EQ(test::readAll(path(QStringLiteral("list.rw1"))), QByteArray("?.jpg\r\n"));
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_TRUE(dialogs_.lastText().contains(QStringLiteral("「?」")));
}

TEST_F(WebListEditor, ListTextSurvivesHideAndShow) {
    editor_.show();
    add(QStringLiteral("b.jpg"));
    memo()->appendPlainText(QStringLiteral("手で書いた行"));
    const QString text = memo()->toPlainText();
    editor_.hide();
    editor_.show();
    EXPECT_EQ(memo()->toPlainText(), text);
}
