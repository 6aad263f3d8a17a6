// The easy panel: its fade steps and panel files as tables, and the window driven by mouse
// clicks and keys, its fades on their real timers.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "console/Zul2_ezpanel.h"
#include "console/easy_panel.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "platform/errors.h"
#include "recording_dialogs.h"
#include "test_support.h"
#include "typing.h"

using namespace zul;
using test::readAll;
using test::sj;
using test::writeAll;

namespace {

std::vector<int> fadeLevels(FadeTick (*tick)(int), int step) {
    std::vector<int> levels;
    for (int i = 0; i < 20; ++i) {
        const FadeTick t = tick(step);
        levels.push_back(t.level);
        step = t.nextStep;
        if (t.finished) {
            break;
        }
    }
    return levels;
}

// Keeps when each packet was sent, in milliseconds from its creation.
class TimedConnection : public test::RecordingConnection {
public:
    std::vector<qint64> times;
    void send(const QByteArray& bytes) override {
        RecordingConnection::send(bytes);
        times.push_back(clock_.elapsed());
    }
    TimedConnection() { clock_.start(); }

private:
    QElapsedTimer clock_;
};

QByteArray fade(int level) {
    return "\x3c" + QByteArray::number(level) + '\n';
}

}  // namespace

TEST(EasyPanelRules, OnePressFadesInOrOutInNineStepsAndContinuesFromWhereItStands) {
    const struct {
        const char* name;
        FadeTick (*tick)(int);
        int step;
        std::vector<int> levels;
    } cases[] = {
        {"in", fadeInTick, 0, {0, 32, 64, 96, 128, 160, 192, 224, 255}},
        {"in from step 5", fadeInTick, 5, {160, 192, 224, 255}},
        {"in from the last step", fadeInTick, 8, {255}},
        {"out", fadeOutTick, 8, {255, 224, 192, 160, 128, 96, 64, 32, 0}},
        {"out from step 3", fadeOutTick, 3, {96, 64, 32, 0}},
        {"out from the last step", fadeOutTick, 0, {0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fadeLevels(c.tick, c.step), c.levels) << c.name;
    }
    // After the last step each counter starts again from its first.
    EXPECT_EQ(fadeInTick(8), (FadeTick{255, 0, true}));
    EXPECT_EQ(fadeOutTick(0), (FadeTick{0, 8, true}));
    EXPECT_EQ(fadeInTick(3), (FadeTick{96, 4, false}));
}

TEST(EasyPanelRules, TheLastEqualEntryIsChosen) {
    const QStringList entries{"a.jpg", "b.ppt", "c.rp1", "b.ppt"};
    EXPECT_EQ(matchingEntry(entries, QStringLiteral("a.jpg")), 0);
    EXPECT_EQ(matchingEntry(entries, QStringLiteral("b.ppt")), 3);
    EXPECT_EQ(matchingEntry(entries, QStringLiteral("B.PPT")), -1);
    EXPECT_EQ(matchingEntry(entries, QString()), -1);
    EXPECT_EQ(matchingEntry({}, QStringLiteral("a.jpg")), -1);
}

TEST(EasyPanelRules, PanelFilesHoldSixteenKeysInCodePage932) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PanelTexts texts;
    texts[0] = sj("開会.jpg");
    texts[4] = "b.ppt";
    QString written;
    ASSERT_TRUE(writePanelFile(dir.filePath("show.txt"), texts, nullptr, &written));
    EXPECT_EQ(written, dir.filePath("show.rz1"));
    QByteArray expected = "[EazyPanel]\r\nCombo1=" + sj("開会.jpg") + "\r\n";
    for (int row = 2; row <= 16; ++row) {
        expected += "Combo" + QByteArray::number(row) + '=' + (row == 5 ? "b.ppt" : "") + "\r\n";
    }
    EXPECT_EQ(readAll(written), expected);
    EXPECT_EQ(readPanelFile(written), texts);

    // Keys that are missing read as empty; keys and section in any case.
    writeAll(dir.filePath("short.rz1"), "[eazypanel]\r\ncombo5=c.rp1\r\nCombo17=x\r\n");
    const PanelTexts read = readPanelFile(dir.filePath("short.rz1"));
    EXPECT_EQ(read[4], QByteArray("c.rp1"));
    EXPECT_EQ(std::count(read.begin(), read.end(), QByteArray()), 15);

    EXPECT_THROW(readPanelFile(dir.filePath("missing.rz1")), ZulError);
    EXPECT_THROW(readPanelFile(dir.path()), ZulError);
}

namespace {

class EasyPanel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        panel.show();
    }

    void fill(const QByteArrayList& names) {
        panel.clearFileEntries();
        for (const QByteArray& name : names) {
            panel.addFileEntry(name);
        }
        panel.reselectEntries();
    }
    QPushButton* button(int number) {
        return panel.findChild<QPushButton*>(QStringLiteral("Button%1").arg(number));
    }
    void click(int number) { QTest::mouseClick(button(number), Qt::LeftButton); }
    QAction* menuItem(const QString& text) {
        for (QAction* top : panel.menuBar()->actions()) {
            for (QAction* a : top->menu()->actions()) {
                if (a->text() == text) {
                    return a;
                }
            }
        }
        return nullptr;
    }
    void waitForFades() {
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return !panel.Fin()->isActive() && !panel.Fout()->isActive(); }, 8000));
    }

    QTemporaryDir dir;
    DebugLog log;
    test::RecordingDialogs dialogs;
    TimedConnection connection;
    TZUL_ezpnl panel{OperatorChannel{&connection, {}}, dialogs, log};
};

}  // namespace

TEST_F(EasyPanel, RowsButtonsMenuAndTimersAsBuilt) {
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("ZUL-EazyPanel"));
    for (int n = 1; n <= 16; ++n) {
        ASSERT_NE(button(n), nullptr) << n;
        EXPECT_EQ(button(n)->text(), QStringLiteral("【表示】"));
        EXPECT_EQ(panel.comboBox(n - 1)->objectName(), QStringLiteral("ComboBox%1").arg(n));
    }
    EXPECT_EQ(button(17)->text(), QStringLiteral("フェードイン"));
    EXPECT_EQ(button(18)->text(), QStringLiteral("フェードアウト"));
    EXPECT_NE(menuItem(QStringLiteral("開く(&O)")), nullptr);
    EXPECT_NE(menuItem(QStringLiteral("名前をつけて保存(&A)")), nullptr);
    EXPECT_EQ(panel.Fin()->interval(), 300);
    EXPECT_FALSE(panel.Fin()->isActive());
    EXPECT_FALSE(panel.Fout()->isActive());
}

TEST_F(EasyPanel, TheShowButtonAsksForTheChosenPositionOfTheConsolesList) {
    fill({"a.jpg", "b.ppt", "c.rp1"});
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(panel.comboBox(row)->count(), 3);
        EXPECT_EQ(panel.comboBox(row)->currentText(), QString()) << "nothing chosen by itself";
    }
    QSignalSpy shown(&panel, &TZUL_ezpnl::showFileRequested);

    // b.ppt chosen in ComboBox3 with the arrow keys.
    QComboBox* third = panel.comboBox(2);
    QTest::keyClick(third, Qt::Key_Down);
    QTest::keyClick(third, Qt::Key_Down);
    ASSERT_EQ(third->currentText(), QStringLiteral("b.ppt"));
    click(3);
    click(1);  // nothing chosen
    // A text typed over the choice names no entry any more.
    QTest::keyClick(third->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    test::typeText(third->lineEdit(), QStringLiteral("zzz"));
    click(3);
    ASSERT_EQ(shown.count(), 3);
    EXPECT_EQ(shown.at(0).at(0).toInt(), 1);
    EXPECT_EQ(shown.at(1).at(0).toInt(), -1);
    EXPECT_EQ(shown.at(2).at(0).toInt(), -1);
    EXPECT_TRUE(connection.sent.isEmpty());
}

TEST_F(EasyPanel, ANewFileListKeepsTheTextsAndChoosesThemAgainWhenComplete) {
    fill({"a.jpg", "b.ppt", "c.rp1"});
    panel.comboBox(0)->setCurrentIndex(2);
    panel.comboBox(1)->setCurrentIndex(0);

    panel.clearFileEntries();
    EXPECT_EQ(panel.comboBox(0)->count(), 0);
    EXPECT_EQ(panel.comboBox(0)->currentText(), QStringLiteral("c.rp1"));
    for (const QByteArray name : {"c.rp1", "new.jpg", "b.ppt"}) {
        panel.addFileEntry(name);
    }
    EXPECT_EQ(panel.comboBox(0)->currentText(), QStringLiteral("c.rp1"));
    EXPECT_EQ(panel.comboBox(1)->currentText(), QStringLiteral("a.jpg"));
    panel.reselectEntries();
    EXPECT_EQ(panel.comboBox(0)->currentIndex(), 0);
    EXPECT_EQ(panel.comboBox(1)->currentIndex(), -1) << "a.jpg has gone";
    EXPECT_EQ(panel.comboBox(1)->currentText(), QStringLiteral("a.jpg"));
    EXPECT_EQ(panel.comboBox(2)->currentIndex(), -1);
}

TEST_F(EasyPanel, OpeningAPanelFileChoosesTheNamesThatAreInTheList) {
    fill({"a.jpg", "b.ppt", "c.rp1"});
    writeAll(dir.filePath("show.rz1"),
             "[EazyPanel]\r\nCombo1=missing.jpg\r\nCombo5=b.ppt\r\nCombo16=c.rp1\r\n");
    panel.comboBox(7)->setCurrentIndex(0);
    dialogs.files.enqueue(dir.filePath("show.rz1"));
    menuItem(QStringLiteral("開く(&O)"))->trigger();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("読込みを完了しました"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("パネル設定の読込"));
    EXPECT_EQ(panel.comboBox(4)->currentIndex(), 1);
    EXPECT_EQ(panel.comboBox(15)->currentIndex(), 2);
    EXPECT_EQ(panel.comboBox(0)->currentText(), QStringLiteral("missing.jpg"));
    EXPECT_EQ(panel.comboBox(0)->currentIndex(), -1);
    EXPECT_EQ(panel.comboBox(7)->currentText(), QString()) << "every row comes from the file";

    QSignalSpy shown(&panel, &TZUL_ezpnl::showFileRequested);
    click(5);
    click(1);
    ASSERT_EQ(shown.count(), 2);
    EXPECT_EQ(shown.at(0).at(0).toInt(), 1);
    EXPECT_EQ(shown.at(1).at(0).toInt(), -1);

    // A file that is not there, or not a file: reported, the panel stays as it is.
    for (const QString& bad : {dir.filePath("none.rz1"), dir.path()}) {
        dialogs.files.enqueue(bad);
        menuItem(QStringLiteral("開く(&O)"))->trigger();
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("ロード失敗です。"));
        EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("設定"));
        EXPECT_EQ(panel.comboBox(4)->currentText(), QStringLiteral("b.ppt"));
    }
}

TEST_F(EasyPanel, SavingWritesTheRz1FileAndAFailedSaveKeepsTheOldOne) {
    fill({"a.jpg", "b.ppt"});
    panel.comboBox(0)->setCurrentIndex(1);
    panel.comboBox(2)->setEditText(QStringLiteral("typed.pdf"));

    QAction* save = menuItem(QStringLiteral("名前をつけて保存(&A)"));
    save->trigger();  // cancelled
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    dialogs.files.enqueue(dir.filePath("show.txt"));
    save->trigger();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("保存を完了しました"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("パネル設定の保存"));
    const QByteArray saved = readAll(dir.filePath("show.rz1"));
    EXPECT_TRUE(saved.startsWith("[EazyPanel]\r\nCombo1=b.ppt\r\nCombo2=\r\nCombo3=typed.pdf\r\n"))
        << saved.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"show.rz1"});

    // Longer names than the disk takes: the old file stays whole.
    for (int row = 0; row < 16; ++row) {
        panel.comboBox(row)->setEditText(QString(40, QLatin1Char('x')));
    }
    dialogs.files.enqueue(dir.filePath("show.rz1"));
    {
        const test::FileSizeLimit limit(300);
        ASSERT_TRUE(limit.active());
        save->trigger();
    }
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("保存失敗です。"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("保存"));
    EXPECT_EQ(readAll(dir.filePath("show.rz1")), saved);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"show.rz1"});
}

TEST_F(EasyPanel, FadeButtonsSendTheirNineLevelsThreeHundredMillisecondsApart) {
    click(17);
    waitForFades();
    const QByteArrayList in{fade(0),   fade(32),  fade(64),  fade(96), fade(128),
                            fade(160), fade(192), fade(224), fade(255)};
    ASSERT_EQ(connection.sent, in);
    for (std::size_t i = 1; i < connection.times.size(); ++i) {
        EXPECT_GE(connection.times[i] - connection.times[i - 1], 250) << i;
    }
    EXPECT_GE(connection.times.back() - connection.times.front(), 2300);

    // A second press sends the same again; the fade-out runs from 255 down.
    connection.sent.clear();
    click(17);
    waitForFades();
    EXPECT_EQ(connection.sent, in);
    connection.sent.clear();
    click(18);
    waitForFades();
    EXPECT_EQ(connection.sent, QByteArrayList(in.rbegin(), in.rend()));
}

TEST_F(EasyPanel, BothFadesRunInterleavedAndAPressDuringAFadeContinuesIt) {
    click(17);
    QTest::qWait(700);  // two steps of the fade-in are out
    click(18);
    click(17);  // running already: it goes on from its step
    waitForFades();
    ASSERT_EQ(connection.sent.size(), 18);
    const QByteArrayList in{fade(0),   fade(32),  fade(64),  fade(96), fade(128),
                            fade(160), fade(192), fade(224), fade(255)};
    // Each run's nine packets, in its order, with the other run's packets between them.
    const auto runsWithin = [this](const QByteArrayList& run) {
        qsizetype next = 0;
        for (const QByteArray& p : connection.sent) {
            next += next < run.size() && p == run[next] ? 1 : 0;
        }
        return next == run.size();
    };
    EXPECT_TRUE(runsWithin(in));
    EXPECT_TRUE(runsWithin(QByteArrayList(in.rbegin(), in.rend())));
    EXPECT_NE(connection.sent.mid(0, 9), in) << "the fade-out started before the fade-in ended";
}
