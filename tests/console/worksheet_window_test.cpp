#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "console/Zul2_ws.h"
#include "fakes.h"
#include "model/worksheet.h"
#include "recording_dialogs.h"
#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

// Also keeps the filters the file dialogs were opened with.
class FilterDialogs : public test::RecordingDialogs {
public:
    QStringList filters;
    QString openFileName(const QString& title, const QString& filter, const QString& dir) override {
        filters << filter;
        return RecordingDialogs::openFileName(title, filter, dir);
    }
    QString saveFileName(const QString& title, const QString& filter, const QString& dir) override {
        filters << filter;
        return RecordingDialogs::saveFileName(title, filter, dir);
    }
};

class WorksheetWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        window_.setConnection(&connection_);
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QTableView* sheet() { return window_.findChild<QTableView*>(QStringLiteral("Sheet")); }
    QProgressBar* progress() { return window_.findChild<QProgressBar*>(QStringLiteral("pg")); }

    QMenu* menu(const QString& title) {
        for (QAction* a : window_.menuBar()->actions()) {
            if (a->menu() != nullptr && a->text() == title) {
                return a->menu();
            }
        }
        return nullptr;
    }
    QStringList itemsOf(const QString& title) {
        QStringList texts;
        if (QMenu* m = menu(title)) {
            for (QAction* a : m->actions()) {
                texts << a->text();
            }
        }
        return texts;
    }
    void choose(const QString& menuTitle, const QString& item) {
        QMenu* m = menu(menuTitle);
        ASSERT_NE(m, nullptr) << menuTitle.toStdString();
        for (QAction* a : m->actions()) {
            if (a->text() == item) {
                a->trigger();
                return;
            }
        }
        FAIL() << "no item " << item.toStdString();
    }

    QTemporaryDir dir_;
    Worksheet worksheet_;
    FilterDialogs dialogs_;
    test::RecordingConnection connection_;
    Tzul_ws window_{worksheet_, dialogs_};
};

}  // namespace

TEST_F(WorksheetWindow, HasItsCaptionMenusAndLayout) {
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("ＺＵＬワークシート"));
    EXPECT_EQ(window_.size(), QSize(725, 531));
    EXPECT_EQ(itemsOf(QStringLiteral("ファイル(&F)")),
              QStringList({QStringLiteral("読み込み(&L)"), QStringLiteral("保存（&S)")}));
    EXPECT_EQ(itemsOf(QStringLiteral("編集(&E)")), QStringList({QStringLiteral("表をクリア(&A)")}));
    EXPECT_EQ(
        itemsOf(QStringLiteral("通信(&X)")),
        QStringList({QStringLiteral("表示機へ送信(&T)"), QStringLiteral("表示機から受信(&R)")}));

    window_.show();
    window_.resize(800, 600);
    EXPECT_EQ(sheet()->geometry(), QRect(0, 0, 784, 518));
    EXPECT_EQ(progress()->geometry(), QRect(0, 518, 784, 30));
}

TEST_F(WorksheetWindow, ShowsTheModelWithItsHeadingsAsHeaders) {
    QAbstractItemModel* model = sheet()->model();
    EXPECT_EQ(model->rowCount(), 199);
    EXPECT_EQ(model->columnCount(), 199);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("1"));
    EXPECT_EQ(model->headerData(198, Qt::Vertical).toString(), QStringLiteral("199"));

    worksheet_.setCell(3, 2, sj("表"));
    EXPECT_EQ(model->index(1, 2).data().toString(), QStringLiteral("表"));

    // Headings overwritten in the model are written again when the window is shown.
    worksheet_.setCell(5, 0, "x");
    EXPECT_EQ(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("x"));
    window_.show();
    EXPECT_EQ(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("5"));
}

TEST_F(WorksheetWindow, EditsInTheGridGoIntoTheModel) {
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    const QModelIndex index = sheet()->model()->index(2, 1);  // column 2, row 3
    sheet()->setCurrentIndex(index);
    sheet()->edit(index);
    auto* editor = sheet()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("先攻 3"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the view commits the editor's text queued
    EXPECT_EQ(worksheet_.cell(2, 3), sj("先攻 3"));
    EXPECT_EQ(worksheet_.rowCommaText(3), sj("3,,\"先攻 3\"") + QByteArray(197, ','));
}

TEST_F(WorksheetWindow, SendWritesOnePacketPerRow) {
    worksheet_.setRowCommaText(1, "1,\"a b\",,x");  // the empty field is kept as " "
    worksheet_.setCell(1, 199, "last");
    choose(QStringLiteral("通信(&X)"), QStringLiteral("表示機へ送信(&T)"));
    ASSERT_EQ(connection_.sent.size(), 199);
    EXPECT_EQ(connection_.sent.front(),
              "\x50"
              "1 1,\"a b\",\" \",x" +
                  QByteArray(196, ',') + "\n");
    EXPECT_EQ(connection_.sent.back(),
              "\x50"
              "199 199,last" +
                  QByteArray(198, ',') + "\n");
    EXPECT_EQ(progress()->maximum(), 200);
    EXPECT_EQ(progress()->value(), 199);
}

TEST_F(WorksheetWindow, ReceiveAsksTheDisplayForItsRows) {
    choose(QStringLiteral("通信(&X)"), QStringLiteral("表示機から受信(&R)"));
    EXPECT_EQ(connection_.sent, QByteArrayList({"\x51\n"}));
}

TEST_F(WorksheetWindow, WithoutAConnectionNothingIsSent) {
    window_.setConnection(nullptr);
    window_.sendClick();
    window_.receiveClick();
    EXPECT_TRUE(connection_.sent.isEmpty());
}

TEST_F(WorksheetWindow, LoadsSavesAndClearsThroughTheMenus) {
    test::writeAll(path(QStringLiteral("in.csv")), sj("a,b\r\n名前,\"x y\"\r\n"));
    dialogs_.files.enqueue(path(QStringLiteral("in.csv")));
    choose(QStringLiteral("ファイル(&F)"), QStringLiteral("読み込み(&L)"));
    EXPECT_EQ(worksheet_.cell(2, 2), "x y");
    EXPECT_EQ(sheet()->model()->index(1, 0).data().toString(), QStringLiteral("名前"));

    dialogs_.files.enqueue(path(QStringLiteral("out.txt")));
    choose(QStringLiteral("ファイル(&F)"), QStringLiteral("保存（&S)"));
    const QByteArray saved = test::readAll(path(QStringLiteral("out.csv")));
    EXPECT_TRUE(saved.startsWith("a,b" + QByteArray(197, ',') + "\r\n" + sj("名前,\"x y\",")));
    EXPECT_EQ(
        dialogs_.filters,
        QStringList({QStringLiteral("カンマ区切りファイル(*.csv)|*.csv|すべてのファイル(*.*)|*.*"),
                     QStringLiteral("カンマ区切りファイル(*.csv)|*.csv")}));
    EXPECT_TRUE(dialogs_.messages.isEmpty());

    choose(QStringLiteral("編集(&E)"), QStringLiteral("表をクリア(&A)"));
    EXPECT_EQ(worksheet_.rowCommaText(2), "2" + QByteArray(199, ','));

    // Cancelled dialogs do nothing; a failed save is reported.
    choose(QStringLiteral("ファイル(&F)"), QStringLiteral("読み込み(&L)"));
    dialogs_.files.enqueue(path(QStringLiteral("no/such/dir/out")));
    choose(QStringLiteral("ファイル(&F)"), QStringLiteral("保存（&S)"));
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_TRUE(dialogs_.lastText().contains(path(QStringLiteral("no/such/dir/out.csv"))));
}
