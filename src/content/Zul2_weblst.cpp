#include "content/Zul2_weblst.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "content/web_list.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/directory_listing.h"
#include "platform/paths.h"

namespace zul {
namespace {

const QString kCaption = QStringLiteral("表示順リストの作成");
const QString kSaveTitle = QStringLiteral("表示順リストの保存");
const QString kSaveFilter = QStringLiteral(
    "ZUL 自動更新リスト(*.rw1)|*.rw1|テキスト形式(*.txt)|*.txt|すべてのファイル(*.*)|*.*");

// A name typed without an extension is saved as a web update list.
QString withDefaultExtension(const QString& path) {
    const QString name = path.section(QLatin1Char('/'), -1);
    return name.contains(QLatin1Char('.')) ? path : path + QStringLiteral(".rw1");
}

}  // namespace

TWebListEdit::TWebListEdit(Settings& settings, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Dialog), settings_(settings), dialogs_(dialogs) {
    setWindowTitle(kCaption);

    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    BG = new QComboBox;
    BG->setObjectName(QStringLiteral("BG"));
    BG->setEditable(true);
    // Enter in the box must not turn a typed text into one of the offered files.
    BG->setInsertPolicy(QComboBox::NoInsert);
    BG->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    BG->setMinimumContentsLength(24);

    Button1 = new QPushButton(QStringLiteral("追加"));
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, &TWebListEdit::Button1Click);

    Button2 = new QPushButton(QStringLiteral("保存"));
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button2, &QPushButton::clicked, this, &TWebListEdit::Button2Click);

    auto* group = new QGroupBox(QStringLiteral("基本ディレクトリから選択"));
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(BG, 1);
    groupLayout->addWidget(Button1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1, 1);
    layout->addWidget(group);
    layout->addWidget(Button2, 0, Qt::AlignRight);
    resize(480, 400);
}

void TWebListEdit::showEvent(QShowEvent* event) {
    fillBaseDirChoices();
    QWidget::showEvent(event);
}

// The display machine appends picture and document entries to its own base directory, so a
// full path in such an entry would never be found there. Files of the base directory are
// therefore offered by their bare names, which every kind of entry resolves against the
// base directory: pictures and documents by appending, parts and file sets by the base
// directory join of a relative name, and web pages because the display machine resolves a
// relative address against its base directory as well.
void TWebListEdit::fillBaseDirChoices() {
    BG->clear();
    for (const DirectoryEntry& entry : listDirectory(settings_.BaseDir(), u"*.*")) {
        if (entry.kind == EntryKind::PlainFile) {
            BG->addItem(entry.name);
        }
    }
    // Nothing is chosen until the user picks or types a name.
    BG->setCurrentIndex(-1);
    BG->setEditText(QString());
}

void TWebListEdit::Button1Click() {
    // Each line of the list ends with a line end, so that the new line starts on a line of
    // its own and an empty text still counts as a line.
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    const QString text = Memo1->toPlainText();
    QString addition = BG->currentText() + QLatin1Char('\n');
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) {
        addition.prepend(QLatin1Char('\n'));
    }
    cursor.insertText(addition);
    Memo1->setTextCursor(cursor);
    Memo1->ensureCursorVisible();
}

QByteArrayList TWebListEdit::lines() const {
    return splitTextLines(cp932::encode(Memo1->toPlainText()));
}

void TWebListEdit::Button2Click() {
    const QString chosen = dialogs_.saveFileName(
        kSaveTitle, kSaveFilter, joinBaseDir(settings_.BaseDir(), QStringLiteral("default")));
    if (chosen.isEmpty()) {
        return;
    }
    const QString path = withDefaultExtension(chosen);
    int unmappable = 0;
    const QByteArrayList entries = splitTextLines(cp932::encode(Memo1->toPlainText(), &unmappable));
    QString error;
    if (!writeWebList(path, entries, &error)) {
        // The list stays in the window, so the user can try another name.
        dialogs_.message(
            QStringLiteral("表示順リストを保存できませんでした。\n%1\n%2").arg(path, error),
            kSaveTitle, Dialogs::Icon::Error);
        return;
    }
    if (unmappable > 0) {
        reportUnmappable(path, unmappable);
    }
}

// Characters that code page 932 cannot hold are saved as '?'; the user is told so instead
// of finding broken entries on the display machine later.
void TWebListEdit::reportUnmappable(const QString& path, int count) {
    dialogs_.message(QStringLiteral("%1 に保存しましたが、シフトJISで表せない文字 %2 個を"
                                    "「?」に置き換えました。")
                         .arg(path)
                         .arg(count),
                     kSaveTitle, Dialogs::Icon::Warning);
}

}  // namespace zul
