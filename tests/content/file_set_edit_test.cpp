#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "content/Zul2_fileset.h"
#include "model/settings.h"
#include "recording_dialogs.h"
#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

const QString kDiffers = QStringLiteral(
    "現在の基本ディレクトリと設定ファイルの基本ディレクトリが相違しているので、"
    "設定を継続しても正しいファイルセットは作成できません。"
    "問題を解決するには、設定ファイルを変更してください。");
const QString kNoBaseDir = QStringLiteral(
    "実際使うときには現在の基本ディレクトリになるよう気をつけてください。"
    "異なると動作しなくなります。");
const QString kCheckCaption = QStringLiteral("**注意**");

// Also keeps the icons of messages and what the save dialog was opened with.
class EditorDialogs : public test::RecordingDialogs {
public:
    QList<Icon> icons;
    QString filter;
    QString startDir;

    void message(const QString& text, const QString& title, Icon icon) override {
        icons << icon;
        RecordingDialogs::message(text, title, icon);
    }
    QString saveFileName(const QString& title, const QString& f, const QString& dir) override {
        filter = f;
        startDir = dir;
        return RecordingDialogs::saveFileName(title, f, dir);
    }
};

QByteArray settingsFile(const QString& baseDir) {
    return "[Server]\r\nPort=30000\r\nBaseDir=" + sj(baseDir.toUtf8().constData()) +
           "\r\nStretch=1\r\n";
}

// A base directory with a file for every box, files no box offers, and a settings file
// whose base directory is this one.
class FileSetEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        base_ = dir_.path();
        for (const char* name : {"a.rp1", "B.RV1", "c.htm", "d.txt", "e.rw1", "g.dp9", "h.CSV",
                                 ".hidden.htm", "readonly.htm"}) {
            test::writeAll(path(QString::fromUtf8(name)), "x");
        }
        ASSERT_TRUE(QFile::setPermissions(
            path(QStringLiteral("readonly.htm")),
            QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        ASSERT_TRUE(QDir(base_).mkdir(QStringLiteral("folder.rp1")));
        test::writeAll(path(QStringLiteral("x.rd1")), settingsFile(base_));
        settings_.BaseDir.set(base_);
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QComboBox* box(const char* name) {
        return editor_.findChild<QComboBox*>(QString::fromLatin1(name));
    }
    QStringList offered(const char* name) {
        QStringList items;
        for (int i = 0; i < box(name)->count(); ++i) {
            items << box(name)->itemText(i);
        }
        return items;
    }
    void save() { editor_.findChild<QPushButton*>(QStringLiteral("Button1"))->click(); }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& m : dialogs_.messages) {
            texts << m.text;
        }
        return texts;
    }
    void expectOnlyMessage(const QString& text, const QString& title) {
        ASSERT_EQ(dialogs_.messages.size(), 1) << messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(dialogs_.messages[0].text, text);
        EXPECT_EQ(dialogs_.messages[0].title, title);
        EXPECT_EQ(dialogs_.icons[0], Dialogs::Icon::Information);
    }

    QTemporaryDir dir_;
    QString base_;
    Settings settings_;
    EditorDialogs dialogs_;
    TFileSet editor_{settings_, dialogs_};
};

}  // namespace

TEST_F(FileSetEditor, WindowHasItsCaptionsInOrder) {
    editor_.show();
    EXPECT_EQ(editor_.windowTitle(), QStringLiteral("ファイルセットを作成する"));
    EXPECT_EQ(editor_.windowType(), Qt::Dialog);
    EXPECT_TRUE(editor_.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    const struct {
        const char* box;
        const char* caption;
    } boxes[] = {
        {"RD", "ロードする設定ファイル"},     {"TL", "ロードするテロップ"},
        {"FP", "ロードする部品設定ファイル"}, {"BG", "ロードする壁紙"},
        {"FV", "ロードする部品の値"},         {"DP", "ロードするIPtalkの設定ファイル"},
        {"CSV", "ロードするCSVファイル"},
    };
    int previousTop = -1;
    for (const auto& b : boxes) {
        QComboBox* combo = box(b.box);
        ASSERT_NE(combo, nullptr) << b.box;
        EXPECT_TRUE(combo->isEditable()) << b.box;
        auto* group = qobject_cast<QGroupBox*>(combo->parentWidget());
        ASSERT_NE(group, nullptr) << b.box;
        EXPECT_EQ(group->title(), QString::fromUtf8(b.caption));
        const int top = combo->mapTo(&editor_, QPoint(0, 0)).y();
        EXPECT_GT(top, previousTop) << b.box << " is not below the box before it";
        previousTop = top;
    }

    EXPECT_EQ(editor_.findChild<QPushButton*>(QStringLiteral("Button1"))->text(),
              QStringLiteral("保存"));
    auto* hint = editor_.findChild<QLabel*>(QStringLiteral("HintText"));
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(qobject_cast<QGroupBox*>(hint->parentWidget())->title(),
              QStringLiteral("作成のポイント"));
    EXPECT_EQ(hint->text(),
              QStringLiteral("現在指定されている基本ディレクトリにあるものが\n"
                             "リストとして表示されています。このファイルセットを\n"
                             "開いたときに必要なファイル名をえらびます。\n"
                             "\n"
                             "・空欄の場合、その項目の操作はしません。\n"
                             "・いま設定されているファイルの基本ディレクトリと\n"
                             "　「ロードする設定ファイル」に設定されている基本\n"
                             "　ディレクトリは同一でなければうまく動きません。\n"
                             "・ロードは設定→壁紙→テロップ→部品→IPtalkの順でおこなわれます。\n"
                             "・IPtalkの位置設定等はIPtalk設定ファイルが優先されます。"));
}

TEST_F(FileSetEditor, OffersThePlainFilesOfTheBaseDirectoryByExtension) {
    editor_.show();
    const QStringList others = {QStringLiteral("c.htm"), QStringLiteral("d.txt"),
                                QStringLiteral("e.rw1")};
    EXPECT_EQ(offered("RD"), QStringList{QStringLiteral("x.rd1")});
    EXPECT_EQ(offered("FP"), QStringList{QStringLiteral("a.rp1")});
    EXPECT_EQ(offered("FV"), QStringList{QStringLiteral("B.RV1")});
    EXPECT_EQ(offered("DP"), QStringList{QStringLiteral("g.dp9")});
    EXPECT_EQ(offered("CSV"), QStringList{QStringLiteral("h.CSV")});
    EXPECT_EQ(offered("BG"), others);
    EXPECT_EQ(offered("TL"), others);
    for (const char* name : {"RD", "TL", "FP", "BG", "FV", "DP", "CSV"}) {
        EXPECT_TRUE(box(name)->currentText().isEmpty()) << name;
    }
    EXPECT_TRUE(dialogs_.messages.isEmpty());
}

TEST_F(FileSetEditor, SettingsFilesAreOfferedBareOrWithTheBaseDirectory) {
    const struct {
        bool noTotalPath;
        QString baseDir;
        QString expected;
    } cases[] = {
        {true, base_, QStringLiteral("x.rd1")},
        {false, base_, path(QStringLiteral("x.rd1"))},
        {false, base_ + QLatin1Char('/'), path(QStringLiteral("x.rd1"))},
    };
    for (const auto& c : cases) {
        settings_.ChkNoTotalPath.set(c.noTotalPath);
        settings_.BaseDir.set(c.baseDir);
        editor_.show();
        EXPECT_EQ(offered("RD"), QStringList{c.expected})
            << c.noTotalPath << c.baseDir.toStdString();
        editor_.hide();
    }
}

TEST_F(FileSetEditor, ListsAreRefilledOnShowAndDoubleClickKeepingTheTexts) {
    editor_.show();
    // Chosen and typed texts; the chosen settings file warns each time it is checked.
    test::writeAll(path(QStringLiteral("x.rd1")), settingsFile(QStringLiteral("/elsewhere")));
    box("RD")->setFocus();
    QTest::keyClick(box("RD"), Qt::Key_Down);
    ASSERT_EQ(box("RD")->currentText(), QStringLiteral("x.rd1"));
    ASSERT_EQ(dialogs_.messages.size(), 1);
    dialogs_.messages.clear();
    box("BG")->setEditText(QStringLiteral("手入力.jpg"));

    test::writeAll(path(QStringLiteral("new.rp1")), "x");
    QTest::mouseDClick(&editor_, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(offered("FP"), QStringList({QStringLiteral("a.rp1"), QStringLiteral("new.rp1")}));
    EXPECT_EQ(offered("RD"), QStringList{QStringLiteral("x.rd1")});

    editor_.hide();
    QFile::remove(path(QStringLiteral("a.rp1")));
    settings_.ChkNoTotalPath.set(false);
    editor_.show();
    EXPECT_EQ(offered("FP"), QStringList{QStringLiteral("new.rp1")});
    EXPECT_EQ(offered("RD"), QStringList{path(QStringLiteral("x.rd1"))});

    EXPECT_EQ(box("RD")->currentText(), QStringLiteral("x.rd1"));
    EXPECT_EQ(box("BG")->currentText(), QStringLiteral("手入力.jpg"));
    // Refilling is no change of RD's text, so nothing was checked again.
    EXPECT_TRUE(dialogs_.messages.isEmpty()) << messageTexts().join(u'\n').toStdString();

    editor_.hide();
    settings_.BaseDir.set(path(QStringLiteral("does-not-exist")));
    editor_.show();
    for (const char* name : {"RD", "TL", "FP", "BG", "FV", "DP", "CSV"}) {
        EXPECT_EQ(box(name)->count(), 0) << name;
    }
}

TEST_F(FileSetEditor, BaseDirectoryCheckComparesTheSettingsFileWithTheHub) {
    enum class Warning { None, Differs, NoBaseDir };
    const struct {
        const char* hubBaseDir;
        // The settings file's [Server] section; nullptr: there is no settings file.
        const char* server;
        Warning expected;
    } cases[] = {
        {"/srv/show", "BaseDir=/srv/show", Warning::None},
        {"/srv/show", "BaseDir=/SRV/Show", Warning::None},
        {"/srv/show/", "BaseDir=/srv/show", Warning::None},
        {"/srv/show", "BaseDir=/srv/show/", Warning::None},
        {"/", "BaseDir=/", Warning::None},
        {"/srv/会場", "BaseDir=/srv/会場", Warning::None},
        {"/srv/show", "BaseDir=/srv/other", Warning::Differs},
        {"/srv/show", "BaseDir=/srv/show/sub", Warning::Differs},
        {"/srv/show", "BaseDir=/", Warning::Differs},
        {"/srv/会場", "BaseDir=/srv/会議", Warning::Differs},
        {"/srv/show", "BaseDir=", Warning::NoBaseDir},
        {"/srv/show", "Port=30000", Warning::NoBaseDir},
        {"/srv/show", nullptr, Warning::NoBaseDir},
        {"", "Port=30000", Warning::None},
        {"", nullptr, Warning::None},
    };
    const QString file = path(QStringLiteral("check.rd1"));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.hubBaseDir) + " / " + (c.server ? c.server : "no file"));
        QFile::remove(file);
        if (c.server != nullptr) {
            test::writeAll(file, sj((std::string("[Server]\r\n") + c.server + "\r\n").c_str()));
        }
        settings_.BaseDir.set(QString::fromUtf8(c.hubBaseDir));
        dialogs_.messages.clear();
        dialogs_.icons.clear();
        box("RD")->setEditText(QString());
        box("RD")->setEditText(file);
        switch (c.expected) {
            case Warning::None:
                EXPECT_TRUE(dialogs_.messages.isEmpty())
                    << messageTexts().join(u'\n').toStdString();
                break;
            case Warning::Differs:
                expectOnlyMessage(kDiffers, kCheckCaption);
                break;
            case Warning::NoBaseDir:
                expectOnlyMessage(kNoBaseDir, kCheckCaption);
                break;
        }
    }
}

TEST_F(FileSetEditor, ABareSettingsFileNameIsLookedForInTheBaseDirectory) {
    editor_.show();
    box("RD")->setFocus();
    QTest::keyClick(box("RD"), Qt::Key_Down);
    EXPECT_EQ(box("RD")->currentText(), QStringLiteral("x.rd1"));
    EXPECT_TRUE(dialogs_.messages.isEmpty()) << messageTexts().join(u'\n').toStdString();

    test::writeAll(path(QStringLiteral("y.rd1")), settingsFile(QStringLiteral("/elsewhere")));
    editor_.hide();
    editor_.show();
    QTest::keyClick(box("RD"), Qt::Key_Down);
    EXPECT_EQ(box("RD")->currentText(), QStringLiteral("y.rd1"));
    expectOnlyMessage(kDiffers, kCheckCaption);
}

TEST_F(FileSetEditor, TypingChecksAfterEveryLetter) {
    test::writeAll(path(QStringLiteral("other.rd1")), settingsFile(QStringLiteral("/elsewhere")));
    // A full path, so that no offered bare name completes what is typed.
    const QString typed = path(QStringLiteral("other.rd1"));
    editor_.show();
    box("RD")->lineEdit()->setFocus();
    QTest::keyClicks(box("RD")->lineEdit(), typed);
    ASSERT_EQ(box("RD")->currentText(), typed);

    // Every shorter text names no settings file; the whole name names one that differs.
    QStringList expected(typed.size() - 1, kNoBaseDir);
    expected << kDiffers;
    EXPECT_EQ(messageTexts(), expected);

    // Emptying the box names no settings file at all: nothing to compare.
    dialogs_.messages.clear();
    box("RD")->lineEdit()->selectAll();
    QTest::keyClick(box("RD")->lineEdit(), Qt::Key_Delete);
    EXPECT_TRUE(box("RD")->currentText().isEmpty());
    EXPECT_TRUE(dialogs_.messages.isEmpty()) << messageTexts().join(u'\n').toStdString();
}

TEST_F(FileSetEditor, SavingAllEmptyWritesSevenEmptyKeysAndCloses) {
    editor_.show();
    dialogs_.files.enqueue(path(QStringLiteral("blank")));
    save();

    EXPECT_EQ(dialogs_.filter, QStringLiteral("ZULファイルセット(*.rf1)|*.rf1"));
    EXPECT_EQ(dialogs_.startDir, path(QStringLiteral("default")));
    EXPECT_EQ(test::readAll(path(QStringLiteral("blank.rf1"))),
              QByteArray("[FileSet]\r\nBackGround=\r\nTextFile=\r\nSettingFile=\r\nFlowParts=\r\n"
                         "PartsValue=\r\nIPtalkFile=\r\nCSVFile=\r\n"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("blank"))));
    expectOnlyMessage(QStringLiteral("保存しました"), QStringLiteral("保存"));
    EXPECT_FALSE(editor_.isVisible());
}

TEST_F(FileSetEditor, SavesEveryBoxUnderItsKeyWithTheExtensionForced) {
    editor_.show();
    box("RD")->setFocus();
    QTest::keyClick(box("RD"), Qt::Key_Down);
    const struct {
        const char* box;
        const char* text;
    } texts[] = {
        {"TL", "テロップ.txt"}, {"FP", "a.rp1"}, {"BG", "e.rw1"},
        {"FV", "B.RV1"},        {"DP", "g.dp9"}, {"CSV", "/srv/進行表.csv"},
    };
    for (const auto& t : texts) {
        box(t.box)->setEditText(QString::fromUtf8(t.text));
    }
    // An existing file set of the final name is replaced.
    test::writeAll(path(QStringLiteral("本番.rf1")), "[Old]\r\nA=1\r\n");
    dialogs_.files.enqueue(path(QStringLiteral("本番.txt")));
    save();

    FileSet expected;
    expected.BackGround = "e.rw1";
    expected.TextFile = sj("テロップ.txt");
    expected.SettingFile = "x.rd1";
    expected.FlowParts = "a.rp1";
    expected.PartsValue = "B.RV1";
    expected.IPtalkFile = "g.dp9";
    expected.CSVFile = sj("/srv/進行表.csv");
    EXPECT_EQ(editor_.fileSet(), expected);
    EXPECT_EQ(readFileSet(path(QStringLiteral("本番.rf1"))), expected);
    EXPECT_FALSE(test::readAll(path(QStringLiteral("本番.rf1"))).contains("Old"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("本番.txt"))));
    expectOnlyMessage(QStringLiteral("保存しました"), QStringLiteral("保存"));
}

TEST_F(FileSetEditor, CharactersOutsideCodePage932AreSavedAsQuestionMarksWithAWarning) {
    editor_.show();
    box("BG")->setEditText(QStringLiteral("\U0001F600.jpg"));
    dialogs_.files.enqueue(path(QStringLiteral("set.rf1")));
    save();
    EXPECT_EQ(readFileSet(path(QStringLiteral("set.rf1"))).BackGround, QByteArray("?.jpg"));
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("「?」")));
    EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral("保存しました"));
}

TEST_F(FileSetEditor, AFailedSaveKeepsTheWindowOpen) {
    editor_.show();
    box("TL")->setEditText(QStringLiteral("d.txt"));
    dialogs_.files.enqueue(path(QStringLiteral("missing/set.rf1")));
    save();
    expectOnlyMessage(QStringLiteral("保存失敗です。"), QStringLiteral("保存"));
    EXPECT_TRUE(editor_.isVisible());
    EXPECT_EQ(box("TL")->currentText(), QStringLiteral("d.txt"));

    // The next try with a good name succeeds.
    dialogs_.messages.clear();
    dialogs_.icons.clear();
    dialogs_.files.enqueue(path(QStringLiteral("set.rf1")));
    save();
    EXPECT_EQ(readFileSet(path(QStringLiteral("set.rf1"))).TextFile, QByteArray("d.txt"));
    EXPECT_FALSE(editor_.isVisible());
}

TEST_F(FileSetEditor, CancellingTheSaveDialogChangesNothing) {
    editor_.show();
    box("TL")->setEditText(QStringLiteral("d.txt"));
    const QStringList before = QDir(base_).entryList(QDir::AllEntries | QDir::Hidden);
    save();
    EXPECT_EQ(dialogs_.fileTitles.size(), 1);
    EXPECT_EQ(QDir(base_).entryList(QDir::AllEntries | QDir::Hidden), before);
    EXPECT_TRUE(dialogs_.messages.isEmpty());
    EXPECT_TRUE(editor_.isVisible());
    EXPECT_EQ(box("TL")->currentText(), QStringLiteral("d.txt"));
}
