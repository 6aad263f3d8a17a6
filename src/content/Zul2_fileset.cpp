#include "content/Zul2_fileset.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/directory_listing.h"
#include "platform/paths.h"
#include "platform/profile_file.h"

namespace zul {
namespace {

const QString kCaption = QStringLiteral("ファイルセットを作成する");
const QString kSaveCaption = QStringLiteral("保存");
const QString kSaveFilter = QStringLiteral("ZULファイルセット(*.rf1)|*.rf1");
const QString kSaved = QStringLiteral("保存しました");
const QString kSaveFailed = QStringLiteral("保存失敗です。");
const QString kCheckCaption = QStringLiteral("**注意**");
const QString kBaseDirDiffers = QStringLiteral(
    "現在の基本ディレクトリと設定ファイルの基本ディレクトリが相違しているので、"
    "設定を継続しても正しいファイルセットは作成できません。"
    "問題を解決するには、設定ファイルを変更してください。");
const QString kNoBaseDir = QStringLiteral(
    "実際使うときには現在の基本ディレクトリになるよう気をつけてください。"
    "異なると動作しなくなります。");

const QStringList kHintLines = {
    QStringLiteral("現在指定されている基本ディレクトリにあるものが"),
    QStringLiteral("リストとして表示されています。このファイルセットを"),
    QStringLiteral("開いたときに必要なファイル名をえらびます。"),
    QString(),
    QStringLiteral("・空欄の場合、その項目の操作はしません。"),
    QStringLiteral("・いま設定されているファイルの基本ディレクトリと"),
    QStringLiteral("　「ロードする設定ファイル」に設定されている基本"),
    QStringLiteral("　ディレクトリは同一でなければうまく動きません。"),
    QStringLiteral("・ロードは設定→壁紙→テロップ→部品→IPtalkの順でおこなわれます。"),
    QStringLiteral("・IPtalkの位置設定等はIPtalk設定ファイルが優先されます。"),
};

// The extension of a file name from its last dot, in lower case; empty without a dot.
QString lowerExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.sliced(dot).toLower();
}

// Folder names compare ignoring case, and a trailing separator does not make another
// folder: "/srv/show/" and "/srv/show" name the same base directory.
QStringView withoutTrailingSeparators(QStringView folder) {
    while (folder.size() > 1 && folder.endsWith(u'/')) {
        folder.chop(1);
    }
    return folder;
}

bool sameFolder(const QString& a, const QString& b) {
    return withoutTrailingSeparators(a).compare(withoutTrailingSeparators(b),
                                                Qt::CaseInsensitive) == 0;
}

// New entries for a box while its text stays as typed or chosen before; a text that is
// still offered stays the chosen entry.
void replaceEntries(QComboBox* box, const QStringList& entries) {
    const QSignalBlocker blocker(box);
    const QString text = box->currentText();
    box->clear();
    box->addItems(entries);
    box->setCurrentIndex(box->findText(text));
    box->setEditText(text);
}

}  // namespace

TFileSet::TFileSet(Settings& settings, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      settings_(settings),
      dialogs_(dialogs) {
    setWindowTitle(kCaption);

    auto* boxes = new QWidget;
    auto* boxesLayout = new QVBoxLayout(boxes);
    boxesLayout->setContentsMargins(0, 0, 0, 0);
    RD = addBox("RD", QStringLiteral("ロードする設定ファイル"), boxes);
    TL = addBox("TL", QStringLiteral("ロードするテロップ"), boxes);
    FP = addBox("FP", QStringLiteral("ロードする部品設定ファイル"), boxes);
    BG = addBox("BG", QStringLiteral("ロードする壁紙"), boxes);
    FV = addBox("FV", QStringLiteral("ロードする部品の値"), boxes);
    DP = addBox("DP", QStringLiteral("ロードするIPtalkの設定ファイル"), boxes);
    CSV = addBox("CSV", QStringLiteral("ロードするCSVファイル"), boxes);
    boxesLayout->addStretch(1);
    // Every change of RD's text, an entry chosen or a letter typed, checks the named file.
    connect(RD, &QComboBox::editTextChanged, this, &TFileSet::RDChange);

    auto* hint = new QGroupBox(QStringLiteral("作成のポイント"));
    auto* hintText = new QLabel(kHintLines.join(QLatin1Char('\n')));
    hintText->setObjectName(QStringLiteral("HintText"));
    hintText->setTextFormat(Qt::PlainText);
    (new QVBoxLayout(hint))->addWidget(hintText);

    Button1 = new QPushButton(kSaveCaption);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, &TFileSet::Button1Click);

    auto* side = new QVBoxLayout;
    side->addWidget(hint);
    side->addStretch(1);
    side->addWidget(Button1, 0, Qt::AlignRight);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(boxes, 1);
    layout->addLayout(side);
}

QComboBox* TFileSet::addBox(const char* name, const QString& caption, QWidget* column) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    // Enter in a box must not turn a typed text into one of the offered files.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(32);

    auto* group = new QGroupBox(caption);
    (new QVBoxLayout(group))->addWidget(box);
    column->layout()->addWidget(group);
    return box;
}

void TFileSet::showEvent(QShowEvent* event) {
    fillBoxes();
    QWidget::showEvent(event);
}

// A double click on the window's own background (not on a box or group) lists the base
// directory again, for files that appeared while the window was open.
void TFileSet::mouseDoubleClickEvent(QMouseEvent* event) {
    fillBoxes();
    event->accept();
}

// Offers the plain files of the base directory, each in the boxes its extension belongs to;
// every extension that no other box takes goes to both the background and the caption text
// box. Texts already typed or chosen stay until the user picks another entry.
void TFileSet::fillBoxes() {
    const QString base = settings_.BaseDir();
    const QHash<QString, QComboBox*> boxByExtension = {
        {QStringLiteral(".rd1"), RD}, {QStringLiteral(".rp1"), FP},  {QStringLiteral(".rv1"), FV},
        {QStringLiteral(".dp9"), DP}, {QStringLiteral(".csv"), CSV},
    };
    QHash<QComboBox*, QStringList> entries;
    for (const DirectoryEntry& entry : listDirectory(base, u"*.*")) {
        if (entry.kind != EntryKind::PlainFile) {
            continue;
        }
        QComboBox* box = boxByExtension.value(lowerExtension(entry.name));
        if (box == RD && !settings_.ChkNoTotalPath()) {
            entries[RD] << joinBaseDir(base, entry.name);
        } else if (box != nullptr) {
            entries[box] << entry.name;
        } else {
            entries[BG] << entry.name;
            entries[TL] << entry.name;
        }
    }
    for (QComboBox* box : {RD, TL, FP, BG, FV, DP, CSV}) {
        replaceEntries(box, entries.value(box));
    }
}

// Warns when the settings file named in RD would move the base directory away from the
// one the offered names belong to. The file set's settings file is loaded before every other
// item, so with another base directory the remaining names would be looked for elsewhere.
void TFileSet::RDChange(const QString& text) {
    // An empty box loads no settings file, so there is no base directory to compare.
    if (text.isEmpty()) {
        return;
    }
    // A name without a directory is looked for in the base directory, where the display
    // machine's file-set load resolves its SettingFile as well.
    const QString path = resolveName(settings_.BaseDir(), text);
    const QString fileBaseDir = cp932::decode(ProfileFile::load(path).getString(
        QByteArrayView("Server"), QByteArrayView("BaseDir"), QByteArrayView("")));
    if (sameFolder(fileBaseDir, settings_.BaseDir())) {
        return;
    }
    dialogs_.message(fileBaseDir.isEmpty() ? kNoBaseDir : kBaseDirDiffers, kCheckCaption,
                     Dialogs::Icon::Information);
}

FileSet TFileSet::fileSet() const {
    return encodeBoxes(nullptr);
}

FileSet TFileSet::encodeBoxes(int* unmappable) const {
    int count = 0;
    const auto encode = [&count](const QComboBox* box) {
        int missing = 0;
        QByteArray bytes = cp932::encode(box->currentText(), &missing);
        count += missing;
        return bytes;
    };
    FileSet set;
    set.BackGround = encode(BG);
    set.TextFile = encode(TL);
    set.SettingFile = encode(RD);
    set.FlowParts = encode(FP);
    set.PartsValue = encode(FV);
    set.IPtalkFile = encode(DP);
    set.CSVFile = encode(CSV);
    if (unmappable != nullptr) {
        *unmappable = count;
    }
    return set;
}

void TFileSet::Button1Click() {
    // An empty title leaves the dialog's own "save as" title.
    const QString chosen = dialogs_.saveFileName(
        QString(), kSaveFilter, joinBaseDir(settings_.BaseDir(), QStringLiteral("default")));
    if (chosen.isEmpty()) {
        return;
    }
    const QString path = withExtension(chosen, u"rf1");
    int unmappable = 0;
    const FileSet set = encodeBoxes(&unmappable);
    if (!writeFileSet(path, set)) {
        // The boxes stay as they are, so the user can try another name.
        dialogs_.message(kSaveFailed, kSaveCaption, Dialogs::Icon::Information);
        return;
    }
    if (unmappable > 0) {
        reportUnmappable(path, unmappable);
    }
    dialogs_.message(kSaved, kSaveCaption, Dialogs::Icon::Information);
    close();
}

// Characters that code page 932 cannot hold are saved as '?'; the user is told so instead
// of finding a file set on the display machine that names files it cannot find.
void TFileSet::reportUnmappable(const QString& path, int count) {
    dialogs_.message(QStringLiteral("%1 に保存しましたが、シフトJISで表せない文字 %2 個を"
                                    "「?」に置き換えました。")
                         .arg(path)
                         .arg(count),
                     kSaveCaption, Dialogs::Icon::Warning);
}

}  // namespace zul
