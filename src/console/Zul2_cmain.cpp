#include "console/Zul2_cmain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QTimer>
#include <array>
#include <exception>
#include <utility>
#include <vector>

#include "console/caption_script.h"
#include "console/display_monitor.h"
#include "console/script_editor.h"
#include "content/parts_files.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/peer_list.h"
#include "platform/colour.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/log_view.h"
#include "protocol/connection.h"
#include "protocol/datagram_sender.h"
#include "protocol/packets.h"

namespace zul {
namespace {

const QString kCaption = QStringLiteral("ZUL 操作機");
constexpr QSize kStartSize{856, 510};

// A parts list request counts as being answered until the first answer is this long in
// coming, or the answers have paused this long (the display machine writes them at once).
constexpr int kPartsFirstAnswerMs = 1000;
constexpr int kPartsAnswerPauseMs = 50;
// Beyond these the window snaps to the wider size.
constexpr int kWidthLimit = 860;
constexpr int kSnappedWidth = 870;
constexpr int kHeightLimit = 520;
constexpr int kSnappedHeight = 530;

const QString kScriptHint = QStringLiteral("<<ここに文字を入力し、送信指示してください>>");
const QString kDefaultName = QStringLiteral("default");

const QString kValueFilter = QStringLiteral("ZUL値ファイル(*.rv1)|*.rv1|すべてのファイル(*.*)|*.*");
const QString kValueSaveCaption = QStringLiteral("保存");

constexpr int kMaxChatLines = 2000;
const QString kChatStart = QStringLiteral("【連絡メモ：Ｆ３キーで送られたものがここに残ります】");

constexpr int kPartColumns = 4;
constexpr int kValueColumn = 1;
constexpr int kFontColourColumn = 2;
constexpr int kBackColourColumn = 3;
// The texts as they arrived, so that cells nobody edited go back byte for byte.
constexpr int kBytesRole = Qt::UserRole;

const std::array<QString, kPartColumns> kPartTitles{QStringLiteral("部品名"), QStringLiteral("値"),
                                                    QStringLiteral("文字色"),
                                                    QStringLiteral("背景色")};

// The liaison memo's brackets around the host name, and the longest host name sent.
const QByteArray kMemoOpen = cp932::encode(u"【");
const QByteArray kMemoClose = cp932::encode(u"】");
constexpr qsizetype kMaxHostBytes = 259;

// Runs `work`; an error is written to the log instead of leaving through the event loop.
template <typename F>
void logErrors(DebugLog& log, F&& work) {
    try {
        std::forward<F>(work)();
    } catch (...) {
        log.add(QStringLiteral("エラー：%1").arg(describeCurrentException()));
    }
}

// Hands the key events of one widget to a function; it returns true for a key it used up.
class KeyHook : public QObject {
public:
    using Handler = std::function<bool(QEvent::Type, int)>;

    KeyHook(QWidget* watched, Handler handler) : QObject(watched), handler_(std::move(handler)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            return handler_(event->type(), static_cast<QKeyEvent*>(event)->key());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Handler handler_;
};

template <typename W>
W* place(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* widget = new W(parent);
    if (!name.isEmpty()) {
        widget->setObjectName(name);
    }
    widget->setGeometry(geometry);
    return widget;
}

QLabel* label(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* l = place<QLabel>(parent, QString(), geometry);
    l->setText(text);
    return l;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption,
                    const QRect& geometry) {
    auto* b = place<QPushButton>(parent, name, geometry);
    b->setText(caption);
    return b;
}

QGroupBox* group(QWidget* parent, const QString& title, const QRect& geometry) {
    auto* g = place<QGroupBox>(parent, QString(), geometry);
    g->setTitle(title);
    return g;
}

QSpinBox* spin(QWidget* parent, const QString& name, const QRect& geometry, int minimum,
               int maximum, int value) {
    auto* s = place<QSpinBox>(parent, name, geometry);
    s->setRange(minimum, maximum);
    s->setValue(value);
    return s;
}

QString backgroundSheet(const QString& selector, const QColor& background,
                        const QString& extra = {}) {
    return QStringLiteral("%1 { background-color: %2; %3}").arg(selector, background.name(), extra);
}

QByteArray joinCells(const QByteArrayList& cells) {
    return cells.join(',');
}

}  // namespace

struct TClientMain::Ui {
    QTabWidget* PageControl1 = nullptr;

    // "文字送信"
    QPlainTextEdit* Memo1 = nullptr;
    QComboBox* QueJump = nullptr;
    QComboBox* SelEnterMode = nullptr;
    ScriptEditor* script = nullptr;  // the editor's queue jump, caret steps, load and save
    bool enterPressed = false;       // an Enter press reached the editor, its release is due

    // "ファイル指示"
    QListWidget* FileList = nullptr;
    QComboBox* FileMask = nullptr;
    int maskIndex = -1;  // the chosen entry; -1 while the text is the operator's own
    std::array<QPushButton*, 11> instructions{};
    QSlider* WipeBlend = nullptr;

    // "部品の文字"
    QTableWidget* PartsList = nullptr;
    QMenu* PartsMenu = nullptr;
    bool titleRowFixed = false;
    QColor dialogColour{Qt::black};    // ColorDialog1's colour, kept between uses
    QTimer* partsAnswering = nullptr;  // runs while a parts list request is being answered
    bool partsAgain = false;           // a refresh was asked for meanwhile

    // "更新タイミング"
    QSpinBox* WebTm = nullptr;
    QSpinBox* StrTm = nullptr;
    QSpinBox* StrScTm = nullptr;
    QSpinBox* StrDot = nullptr;

    // "遠隔保存"
    QLineEdit* trans_filename = nullptr;

    // Outside the tabs.
    QPlainTextEdit* MemoChat = nullptr;
    QListWidget* NetList = nullptr;
    QProgressBar* PingTime = nullptr;
    QLabel* cpu_status = nullptr;
    QCheckBox* CkRunCM = nullptr;
    QTimer* cpusend = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusText = nullptr;
    QColor pingColour;
    QColor statusColour;

    QPushButton* instruction(FileInstruction id) const {
        return instructions[static_cast<std::size_t>(id)];
    }
};

TClientMain::TClientMain(Context ctx, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui>()), ctx_(ctx) {
    setObjectName(QStringLiteral("TClientMain"));
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* client = new QWidget(this);
    setCentralWidget(client);
    buildFrame(client);
    buildMonitor(client);

    ui_->partsAnswering = new QTimer(this);
    ui_->partsAnswering->setSingleShot(true);
    connect(ui_->partsAnswering, &QTimer::timeout, this, &TClientMain::partsAnswered);

    ui_->StatusBar1 = new QStatusBar(this);
    ui_->StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    ui_->StatusBar1->setSizeGripEnabled(false);
    ui_->statusText = new QLabel(ui_->StatusBar1);
    ui_->StatusBar1->addWidget(ui_->statusText, 1);
    setStatusBar(ui_->StatusBar1);

    resize(kStartSize);
}

TClientMain::~TClientMain() = default;

// ---- building ---------------------------------------------------------------------------

void TClientMain::buildFrame(QWidget* client) {
    Ui& ui = *ui_;
    ui.PageControl1 = place<QTabWidget>(client, QStringLiteral("PageControl1"), {4, 4, 592, 338});
    ui.PageControl1->setDocumentMode(true);
    const std::array<std::pair<const char*, QString>, 6> tabs{{
        {"TabSheet1", QStringLiteral("文字送信")},
        {"TabSheet2", QStringLiteral("ファイル指示")},
        {"TabSheet3", QStringLiteral("部品の文字")},
        {"TabSheet4", QStringLiteral("更新タイミング")},
        {"TabSheet6", QStringLiteral("ツール")},
        {"TabSheet5", QStringLiteral("遠隔保存")},
    }};
    std::array<QWidget*, 6> pages{};
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        pages[i] = new QWidget(ui.PageControl1);
        pages[i]->setObjectName(QString::fromLatin1(tabs[i].first));
        ui.PageControl1->addTab(pages[i], tabs[i].second);
    }
    buildTextTab(pages[0]);
    buildFileTab(pages[1]);
    buildPartsTab(pages[2]);
    buildTimingTab(pages[3]);
    buildToolsTab(pages[4]);
    buildRemoteSaveTab(pages[5]);
    ui.PageControl1->setCurrentWidget(pages[1]);

    ui.MemoChat = place<QPlainTextEdit>(client, QStringLiteral("MemoChat"), {4, 346, 592, 134});
    ui.MemoChat->setPlainText(kChatStart);
    // Every machine's status lines come here: keep the newest lines only.
    makeAppendOnly(ui.MemoChat, kMaxChatLines);
    ui.MemoChat->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    label(client, QStringLiteral("起動中の仲間"), {602, 4, 248, 16});
    ui.NetList = place<QListWidget>(client, QStringLiteral("NetList"), {602, 22, 248, 118});
    label(client, QStringLiteral("[S] 表示機 [C]操作機"), {602, 142, 248, 16});
    label(client, QStringLiteral("[W] 起動待ち"), {602, 158, 248, 16});
    connect(&ctx_.peers, &PeerList::changed, this, &TClientMain::refreshPeers);
    refreshPeers();

    QGroupBox* iptalk = group(client, QStringLiteral("IPtalkの表示を"), {602, 178, 248, 52});
    connect(button(iptalk, QStringLiteral("Button15"), QStringLiteral("隠す"), {8, 20, 110, 24}),
            &QPushButton::clicked, this, [this] { send(Cmd::CmdIptalkHide); });
    connect(button(iptalk, QStringLiteral("Button20"), QStringLiteral("出す"), {128, 20, 110, 24}),
            &QPushButton::clicked, this, [this] { send(Cmd::CmdIptalkShow); });

    connect(button(client, QStringLiteral("ezp"), QStringLiteral("簡単操作（EazyPanel）"),
                   {602, 236, 248, 26}),
            &QPushButton::clicked, this,
            [this] { Q_EMIT showToolRequested(QStringLiteral("TZUL_ezpnl")); });
    connect(button(client, QStringLiteral("Button9"), QStringLiteral("フォント設定送信"),
                   {602, 266, 248, 26}),
            &QPushButton::clicked, this, &TClientMain::showCaptionPageRequested);
    connect(button(client, QStringLiteral("Button8"), QStringLiteral("クライアント終了"),
                   {602, 296, 248, 26}),
            &QPushButton::clicked, this, &QWidget::close);
}

void TClientMain::buildTextTab(QWidget* page) {
    Ui& ui = *ui_;
    label(page, QStringLiteral("☆文字送信はＦ１キー"), {8, 6, 150, 16});
    label(page, QStringLiteral("☆連絡メモはＦ3キー"), {160, 6, 150, 16});
    label(page, QStringLiteral("Enter時の動作"), {330, 6, 88, 16});
    ui.SelEnterMode = place<QComboBox>(page, QStringLiteral("SelEnterMode"), {420, 2, 156, 22});
    ui.SelEnterMode->addItems(
        {QStringLiteral("改行"), QStringLiteral("Ｆ１送信"), QStringLiteral("Ｆ３送信")});
    ui.SelEnterMode->setCurrentIndex(0);

    ui.Memo1 = place<QPlainTextEdit>(page, QStringLiteral("Memo1"), {4, 28, 576, 246});
    ui.Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    ui.Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.Memo1->setPlainText(kScriptHint);
    new KeyHook(ui.Memo1, [this](QEvent::Type type, int key) { return memoKeyEvent(type, key); });

    label(page, QStringLiteral("キュージャンプ"), {4, 284, 80, 16});
    ui.QueJump = place<QComboBox>(page, QStringLiteral("QueJump"), {84, 280, 220, 24});
    ui.QueJump->setEditable(false);
    ui.script = new ScriptEditor(ui.Memo1, ui.QueJump, ctx_.dialogs, ctx_.log);

    connect(button(page, QStringLiteral("Button1"), QStringLiteral("テキスト読み込み"),
                   {310, 280, 92, 24}),
            &QPushButton::clicked, ui.script, &ScriptEditor::load);
    connect(
        button(page, QStringLiteral("Button2"), QStringLiteral("テキスト保存"), {406, 280, 92, 24}),
        &QPushButton::clicked, ui.script, &ScriptEditor::save);
    connect(button(page, QStringLiteral("Txt_clr"), QStringLiteral("クリア"), {502, 280, 76, 24}),
            &QPushButton::clicked, ui.Memo1, &QPlainTextEdit::clear);
}

void TClientMain::buildFileTab(QWidget* page) {
    Ui& ui = *ui_;
    QGroupBox* box = group(page, QStringLiteral("背景・定期更新文字の指示"), {4, 4, 576, 300});

    ui.FileList = place<QListWidget>(box, QStringLiteral("FileList"), {8, 20, 250, 198});
    ui.FileList->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ui.FileList, &QListWidget::itemSelectionChanged, this,
            &TClientMain::applyEnablingRules);
    connect(ui.FileList, &QListWidget::itemDoubleClicked, this,
            &TClientMain::runDoubleClickInstruction);
    new KeyHook(ui.FileList, [this](QEvent::Type type, int key) {
        if (!isEnterKey(key)) {
            return false;
        }
        if (type == QEvent::KeyPress) {
            runDoubleClickInstruction();
        }
        return true;
    });
    label(box, QStringLiteral("★ダブルクリックで自動送信します。"), {8, 220, 250, 16});

    ui.FileMask = place<QComboBox>(box, QStringLiteral("FileMask"), {8, 240, 250, 24});
    ui.FileMask->setEditable(true);
    ui.FileMask->setInsertPolicy(QComboBox::NoInsert);
    ui.FileMask->addItems(fileMaskEntries());
    ui.FileMask->setCurrentIndex(-1);
    ui.FileMask->setEditText(QStringLiteral("*.*"));
    connect(ui.FileMask, &QComboBox::activated, this, &TClientMain::maskChosen);
    connect(ui.FileMask->lineEdit(), &QLineEdit::textEdited, this, [this] { ui_->maskIndex = -1; });

    connect(button(box, QStringLiteral("Button5"), QStringLiteral("ファイルリスト更新"),
                   {8, 268, 250, 24}),
            &QPushButton::clicked, this, &TClientMain::Button5Click);

    // The shown buttons in two columns of three; the hidden ones share the places.
    int shown = 0;
    for (const FileInstructionInfo& info : fileInstructions()) {
        const int slot = info.shown ? shown++ : 0;
        const QRect geometry(266 + (slot / 3) * 154, 20 + (slot % 3) * 28, 150, 24);
        QPushButton* b =
            button(box, QString::fromLatin1(info.name), QString::fromUtf8(info.caption), geometry);
        b->setEnabled(info.enabledAtStart);
        b->setVisible(info.shown);
        connect(b, &QPushButton::clicked, this, [this, id = info.id] { runInstruction(id); });
        ui.instructions[static_cast<std::size_t>(info.id)] = b;
    }

    connect(button(box, QStringLiteral("Button10"), QStringLiteral("文字更新を停止"),
                   {266, 108, 150, 24}),
            &QPushButton::clicked, this, [this] { send(Cmd::CmdLineUpdateStop); });
    connect(
        button(box, QStringLiteral("DirCng"), QStringLiteral("Dir変更指示"), {420, 108, 150, 24}),
        &QPushButton::clicked, this,
        [this] { Q_EMIT showToolRequested(QStringLiteral("TDirChange")); });

    label(box, QStringLiteral("フェードイン・アウト"), {266, 140, 150, 16});
    ui.WipeBlend = place<QSlider>(box, QStringLiteral("WipeBlend"), {266, 158, 304, 24});
    ui.WipeBlend->setOrientation(Qt::Horizontal);
    ui.WipeBlend->setRange(kFadeMinPosition, kFadeMaxPosition);
    ui.WipeBlend->setPageStep(1);
    ui.WipeBlend->setTickPosition(QSlider::TicksBelow);
    ui.WipeBlend->setValue(kFadeMaxPosition);
    connect(ui.WipeBlend, &QSlider::valueChanged, this,
            [this](int position) { send(Cmd::CmdFade, QByteArray::number(fadeLevel(position))); });

    QGroupBox* ppt = group(box, QStringLiteral("パワーポイント表示時のみ"), {266, 190, 304, 84});
    ppt->setObjectName(QStringLiteral("PptGrp"));
    const std::array<std::tuple<const char*, QString, Cmd, QRect>, 5> pptButtons{{
        {"Pptrun", QStringLiteral("開始"), Cmd::CmdPptStart, {8, 20, 92, 24}},
        {"PptNext", QStringLiteral("次へ"), Cmd::CmdPptNext, {104, 20, 92, 24}},
        {"PptEsc", QStringLiteral("表示中止"), Cmd::CmdPptStop, {200, 20, 92, 24}},
        {"PptUp", QStringLiteral("前"), Cmd::CmdPptPageUp, {8, 50, 92, 24}},
        {"PptDown", QStringLiteral("後"), Cmd::CmdPptPageDown, {104, 50, 92, 24}},
    }};
    for (const auto& [name, caption, cmd, geometry] : pptButtons) {
        connect(button(ppt, QString::fromLatin1(name), caption, geometry), &QPushButton::clicked,
                this, [this, cmd = cmd] { sendWhenFileSelected(cmd); });
    }
}

void TClientMain::buildPartsTab(QWidget* page) {
    Ui& ui = *ui_;
    QGroupBox* box = group(page, QStringLiteral("パーツの文字変更"), {4, 4, 576, 300});

    ui.PartsList = place<QTableWidget>(box, QStringLiteral("PartsList"), {8, 20, 404, 250});
    ui.PartsList->setColumnCount(kPartColumns);
    ui.PartsList->setRowCount(1);
    ui.PartsList->horizontalHeader()->hide();
    ui.PartsList->verticalHeader()->hide();
    ui.PartsList->horizontalHeader()->setDefaultSectionSize(100);
    ui.PartsList->verticalHeader()->setDefaultSectionSize(20);
    ui.PartsList->setContextMenuPolicy(Qt::CustomContextMenu);
    label(box, QStringLiteral("☆表を右クリックで連続送信モード"), {8, 274, 300, 16});

    ui.PartsMenu = new QMenu(this);
    ui.PartsMenu->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* r1 = ui.PartsMenu->addAction(QStringLiteral("連続送信をする(&r)"));
    r1->setObjectName(QStringLiteral("r1"));
    connect(r1, &QAction::triggered, this,
            [this] { Q_EMIT continuousSenderNames(partNames(), true); });
    connect(ui.PartsList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ui_->PartsMenu->popup(ui_->PartsList->viewport()->mapToGlobal(at));
    });

    const auto add = [box](const char* name, const QString& caption, const QRect& geometry) {
        return button(box, QString::fromLatin1(name), caption, geometry);
    };
    connect(add("Button4", QStringLiteral("リスト更新"), {420, 20, 150, 24}), &QPushButton::clicked,
            this, &TClientMain::Button4Click);
    connect(add("Button3", QStringLiteral("変更を送信"), {420, 48, 150, 24}), &QPushButton::clicked,
            this, &TClientMain::sendAllRows);
    connect(add("Button13", QStringLiteral("文字色"), {420, 80, 150, 24}), &QPushButton::clicked,
            this, [this] { pickColour(kFontColourColumn); });
    connect(add("Button14", QStringLiteral("背景色"), {420, 108, 150, 24}), &QPushButton::clicked,
            this, [this] { pickColour(kBackColourColumn); });
    connect(add("Button11", QStringLiteral("値ﾌｧｲﾙを開く"), {420, 140, 150, 24}),
            &QPushButton::clicked, this, &TClientMain::openValueFile);
    connect(add("Button12", QStringLiteral("値を保存"), {420, 168, 150, 24}), &QPushButton::clicked,
            this, &TClientMain::saveValueFile);

    QGroupBox* parts = group(box, QStringLiteral("部品を・・・"), {420, 200, 150, 76});
    connect(button(parts, QStringLiteral("Button6"), QStringLiteral("破棄"), {8, 20, 134, 22}),
            &QPushButton::clicked, this, [this] {
                resetPartsGrid();
                send(Cmd::CmdPartsClear);
            });
    connect(button(parts, QStringLiteral("HideParts"), QStringLiteral("隠す"), {8, 46, 64, 22}),
            &QPushButton::clicked, this, [this] { send(Cmd::CmdPartsHide); });
    connect(button(parts, QStringLiteral("ShowParts"), QStringLiteral("出す"), {78, 46, 64, 22}),
            &QPushButton::clicked, this, [this] { send(Cmd::CmdPartsShow); });
}

void TClientMain::buildTimingTab(QWidget* page) {
    Ui& ui = *ui_;
    QGroupBox* box = group(page, QStringLiteral("更新タイミングの指定"), {4, 4, 400, 200});
    const auto row = [box](int index, const QString& caption, const QString& unit) {
        const int y = 24 + index * 32;
        label(box, caption, {10, y, 120, 20});
        label(box, unit, {216, y, 60, 20});
        return QRect(130, y, 80, 22);
    };
    ui.WebTm = spin(box, QStringLiteral("WebTm"),
                    row(0, QStringLiteral("Ｗｅｂ更新"), QStringLiteral("秒毎")), 1, 3600, 10);
    ui.StrTm = spin(box, QStringLiteral("StrTm"),
                    row(1, QStringLiteral("文字更新"), QStringLiteral("秒毎")), 1, 3600, 5);
    ui.StrScTm =
        spin(box, QStringLiteral("StrScTm"),
             row(2, QStringLiteral("スクロール"), QStringLiteral("ﾐﾘ秒毎")), 10, 10000, 20);
    ui.StrDot = spin(box, QStringLiteral("StrDot"),
                     row(3, QStringLiteral("スクロール移動量"), QStringLiteral("ﾄﾞｯﾄ")), 1, 72, 4);

    connect(button(box, QStringLiteral("Button7"), QStringLiteral("設定送信"), {10, 160, 120, 26}),
            &QPushButton::clicked, this, [this] {
                const QByteArrayList values{QByteArray::number(ui_->WebTm->value()),
                                            QByteArray::number(ui_->StrTm->value()),
                                            QByteArray::number(ui_->StrScTm->value()),
                                            QByteArray::number(ui_->StrDot->value())};
                send(Cmd::CmdTimingUpdate, joinCells(values));
            });
}

void TClientMain::buildToolsTab(QWidget* page) {
    QGroupBox* box = group(page, QStringLiteral("連携ツール"), {4, 4, 300, 124});
    QPushButton* basket = button(box, QStringLiteral("Basketball"),
                                 QStringLiteral("バスケット得点版"), {10, 22, 200, 26});
    basket->setToolTip(QStringLiteral("バスケットボール補助ツール"));
    connect(basket, &QPushButton::clicked, this,
            [this] { Q_EMIT showToolRequested(QStringLiteral("Tzul_pb_main")); });
    QPushButton* baseball =
        button(box, QStringLiteral("Baseball"), QStringLiteral("野球得点版"), {10, 54, 200, 26});
    baseball->setToolTip(QStringLiteral("野球補助ツール"));
    connect(baseball, &QPushButton::clicked, this, [this] {
        ctx_.dialogs.message(
            QStringLiteral("作成中です。ご利用になれませんが、サンプル画面をみることができます"),
            QStringLiteral("ごめんなさい"), Dialogs::Icon::None);
        Q_EMIT showToolRequested(QStringLiteral("Tzul_py_main"));
    });
    connect(button(box, QStringLiteral("Worksheet"), QStringLiteral("ZULワークシート"),
                   {10, 86, 200, 26}),
            &QPushButton::clicked, this,
            [this] { Q_EMIT showToolRequested(QStringLiteral("Tzul_ws")); });
}

void TClientMain::buildRemoteSaveTab(QWidget* page) {
    Ui& ui = *ui_;
    label(page, QStringLiteral("表示機で保存するときにつけるファイルの名前"), {8, 8, 300, 16});
    ui.trans_filename = place<QLineEdit>(page, QStringLiteral("trans_filename"), {8, 28, 300, 22});
    ui.trans_filename->setText(QStringLiteral("保存ファイル名"));

    const auto saveButton = [this, page](const char* name, const QString& caption, int mode,
                                         int y) {
        connect(button(page, QString::fromLatin1(name), caption, {8, y, 300, 26}),
                &QPushButton::clicked, this, [this, mode] {
                    send(Cmd::CmdSettingsSave, QByteArray::number(mode) + ',' +
                                                   cp932::encode(ui_->trans_filename->text()));
                });
    };
    saveButton("Button16", QStringLiteral("位置・設定を保存（設定ファイルのみ）"), 1, 60);
    saveButton("Button17", QStringLiteral("表示設定も保存（ファイルセット）"), 2, 92);

    const QStringList hint{QStringLiteral("☆保存について☆"),
                           QString(),
                           QStringLiteral("①ファイルは今　表示機に設定されている"),
                           QStringLiteral("　基本フォルダ（基本ディレクトリ）に保存されます。"),
                           QString(),
                           QStringLiteral("②名前を入れてから指示を選択をしてください。"),
                           QString(),
                           QStringLiteral("③重複する名前があった場合、上書きされます")};
    QLabel* hintLabel = label(page, hint.join(QLatin1Char('\n')), {316, 8, 264, 200});
    hintLabel->setObjectName(QStringLiteral("SaveHint"));
    hintLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TClientMain::buildMonitor(QWidget* client) {
    Ui& ui = *ui_;
    label(client, QStringLiteral("表示機のCPU負荷率"), {602, 330, 248, 16});
    ui.PingTime = place<QProgressBar>(client, QStringLiteral("PingTime"), {602, 348, 248, 18});
    ui.PingTime->setRange(0, 100);
    ui.PingTime->setValue(0);
    ui.PingTime->setTextVisible(false);
    showGauge(0, toQColor(kMonitorNavy));

    ui.cpu_status = place<QLabel>(client, QStringLiteral("cpu_status"), {602, 370, 248, 20});
    ui.cpu_status->setAutoFillBackground(true);
    const MonitorLabel start = initialMonitorLabel();
    showMonitorLabel(start.text, toQColor(start.background));

    ui.CkRunCM = place<QCheckBox>(client, QStringLiteral("CkRunCM"), {602, 394, 248, 20});
    ui.CkRunCM->setText(QStringLiteral("CPUモニターを実行"));
    ui.CkRunCM->setChecked(false);

    ui.cpusend = new QTimer(this);
    ui.cpusend->setObjectName(QStringLiteral("cpusend"));
    ui.cpusend->setInterval(1000);
    connect(ui.cpusend, &QTimer::timeout, this, &TClientMain::cpusendTimer);
    ui.cpusend->start();
}

// ---- sending ----------------------------------------------------------------------------

QMenu* TClientMain::addTrayMenuButton() {
    if (auto* existing = findChild<QPushButton*>(QStringLiteral("TrayMenu"))) {
        return existing->menu();
    }
    QPushButton* b = button(centralWidget(), QStringLiteral("TrayMenu"),
                            QStringLiteral("ZULメニュー"), {602, 446, 248, 26});
    b->setMenu(new QMenu(b));
    b->show();
    return b->menu();
}

void TClientMain::send(Cmd cmd, const QByteArray& operand) {
    logErrors(ctx_.log, [&] { ctx_.connection.send(makePacket(cmd, operand)); });
}

void TClientMain::sendDatagram(const QByteArray& datagram) {
    logErrors(ctx_.log, [&] {
        if (!ctx_.udp.sendDatagram(datagram)) {
            ctx_.log.add(QStringLiteral("連絡メモを送信できませんでした。"));
        }
    });
}

// ---- "文字送信" -----------------------------------------------------------------------

// The editor never sees Enter: its line breaks are made on the key's release, by the mode.
// Only a release whose press the editor saw counts, so that the Enter that closed a dialog
// or reached another control first adds no line here.
bool TClientMain::memoKeyEvent(QEvent::Type type, int key) {
    if (type == QEvent::KeyRelease) {
        if (!isEnterKey(key)) {
            return false;
        }
        if (std::exchange(ui_->enterPressed, false)) {
            enterReleased();
        }
        return true;
    }
    if (isEnterKey(key)) {
        ui_->enterPressed = true;
    }
    switch (editorKey(key, ui_->SelEnterMode->currentIndex())) {
        case EditorKey::F1:
            sendCaretLineAsCaption();
            return true;
        case EditorKey::F3:
            sendCaretLineAsMemo();
            return true;
        case EditorKey::Enter:
            return true;
        case EditorKey::Other:
            break;
    }
    return false;
}

void TClientMain::sendCaretLineAsCaption() {
    if (const auto line = ui_->script->caretLineToSend()) {
        send(Cmd::CmdLineUpdate, *line);
    }
}

void TClientMain::sendCaretLineAsMemo() {
    const QByteArray host = cp932::truncate(ctx_.hostName, kMaxHostBytes);
    if (const auto line = ui_->script->caretLineToSend()) {
        sendDatagram(statusLineRaw(kMemoOpen + host + kMemoClose + *line));
    }
}

void TClientMain::enterReleased() {
    QPlainTextEdit* memo = ui_->Memo1;
    if (ui_->SelEnterMode->currentIndex() == 0) {
        // A new empty line below the caret's line; the line itself is never split.
        QTextCursor cursor = memo->textCursor();
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertBlock();
        memo->setTextCursor(cursor);
        memo->ensureCursorVisible();
    } else {
        ui_->script->stepToNextLine();
    }
}

// ---- "ファイル指示" -----------------------------------------------------------------------

void TClientMain::Button5Click() {
    ui_->FileList->clear();
    Q_EMIT fileListCleared();
    send(Cmd::CmdDirListGet, fileListMask(ui_->maskIndex, ui_->FileMask->currentText()));
    send(Cmd::CmdDirListSend, "*.*");
}

void TClientMain::addFileListItem(const QByteArray& name) {
    auto* item = new QListWidgetItem(cp932::decode(name), ui_->FileList);
    item->setData(kBytesRole, name);
}

std::optional<QByteArray> TClientMain::selectedFile() const {
    const QList<QListWidgetItem*> selected = ui_->FileList->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return selected.first()->data(kBytesRole).toByteArray();
}

// Whenever the selection moves, by a click or by a key, the buttons follow the file now
// selected.
void TClientMain::applyEnablingRules() {
    const auto name = selectedFile();
    if (!name) {
        return;
    }
    const std::vector<FileInstruction> enabled = enabledInstructions(*name);
    for (const FileInstructionInfo& info : fileInstructions()) {
        ui_->instruction(info.id)->setEnabled(std::find(enabled.begin(), enabled.end(), info.id) !=
                                              enabled.end());
    }
}

void TClientMain::runInstruction(FileInstruction id) {
    const auto name = selectedFile();
    if (!name) {
        return;
    }
    const FileInstructionInfo& info = fileInstruction(id);
    if (info.command) {
        send(*info.command, *name);
    } else {
        Q_EMIT iptalkFileChosen(*name);
    }
    if (info.requestsParts) {
        Button4Click();
    }
}

void TClientMain::runDoubleClickInstruction() {
    const auto name = selectedFile();
    if (!name) {
        return;
    }
    if (const auto id = doubleClickInstruction(*name)) {
        runInstruction(*id);
    }
}

void TClientMain::showFileAt(int index) {
    QListWidget* list = ui_->FileList;
    if (index >= 0 && index < list->count()) {
        list->setCurrentRow(index);
    } else {
        list->clearSelection();
        list->setCurrentRow(-1);
    }
    runDoubleClickInstruction();
}

void TClientMain::maskChosen(int index) {
    ui_->maskIndex = index;
    Button5Click();
}

void TClientMain::sendWhenFileSelected(Cmd cmd) {
    if (selectedFile()) {
        send(cmd);
    }
}

// ---- "部品の文字" ---------------------------------------------------------------------------

QByteArray TClientMain::cell(int row, int column) const {
    const QTableWidgetItem* item = ui_->PartsList->item(row, column);
    if (item == nullptr) {
        return {};
    }
    const QByteArray original = item->data(kBytesRole).toByteArray();
    if (cp932::decode(original) == item->text()) {
        return original;
    }
    return cp932::encode(item->text());
}

void TClientMain::setCell(int row, int column, const QByteArray& text) {
    QTableWidgetItem* item = ui_->PartsList->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        ui_->PartsList->setItem(row, column, item);
    }
    item->setText(cp932::decode(text));
    item->setData(kBytesRole, text);
    if (row == 0) {
        setTitleRowFixed(ui_->titleRowFixed);
    }
}

// A fixed title row cannot be edited or selected and looks like a heading; an ordinary
// row 0 is a cell row like the others.
void TClientMain::setTitleRowFixed(bool fixed) {
    ui_->titleRowFixed = fixed;
    QTableWidget* grid = ui_->PartsList;
    if (grid->rowCount() == 0) {
        return;
    }
    for (int column = 0; column < kPartColumns; ++column) {
        QTableWidgetItem* item = grid->item(0, column);
        if (item == nullptr) {
            item = new QTableWidgetItem;
            grid->setItem(0, column, item);
        }
        if (fixed) {
            item->setFlags(Qt::ItemIsEnabled);
            item->setBackground(grid->palette().button());
            item->setForeground(grid->palette().buttonText());
        } else {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            item->setData(Qt::BackgroundRole, QVariant());
            item->setData(Qt::ForegroundRole, QVariant());
        }
    }
}

void TClientMain::resetPartsGrid() {
    ui_->PartsList->setRowCount(1);
    setTitleRowFixed(false);
}

void TClientMain::Button4Click() {
    resetPartsGrid();
    send(Cmd::CmdListSend);
    ui_->partsAgain = false;
    ui_->partsAnswering->start(kPartsFirstAnswerMs);
}

void TClientMain::refreshPartsList() {
    if (ui_->partsAnswering->isActive()) {
        ui_->partsAgain = true;
    } else {
        Button4Click();
    }
}

// What changed after the display machine had answered is asked for once more.
void TClientMain::partsAnswered() {
    if (ui_->partsAgain) {
        Button4Click();
    }
}

void TClientMain::partsInfo(const QByteArray& name, const QByteArray& caption,
                            const QByteArray& fontColour, const QByteArray& backColour) {
    if (ui_->partsAnswering->isActive()) {
        ui_->partsAnswering->start(kPartsAnswerPauseMs);
    }
    QTableWidget* grid = ui_->PartsList;
    int row = 1;
    while (row < grid->rowCount() && cell(row, 0) != name) {
        ++row;
    }
    if (row == grid->rowCount()) {
        grid->setRowCount(row + 1);
    }
    const QByteArrayList values{name, caption, fontColour, backColour};
    for (int column = 0; column < kPartColumns; ++column) {
        setCell(row, column, values[column]);
    }
    ui_->titleRowFixed = true;
    for (int column = 0; column < kPartColumns; ++column) {
        setCell(0, column, cp932::encode(kPartTitles[static_cast<std::size_t>(column)]));
    }
    Q_EMIT continuousSenderNames(partNames(), false);
}

QByteArrayList TClientMain::partNames() const {
    QByteArrayList names;
    for (int row = 1; row < ui_->PartsList->rowCount(); ++row) {
        names << cell(row, 0);
    }
    return names;
}

void TClientMain::sendAllRows() {
    for (int row = 1; row < ui_->PartsList->rowCount(); ++row) {
        if (cell(row, kValueColumn).isEmpty()) {
            setCell(row, kValueColumn, " ");
        }
        QByteArrayList cells;
        for (int column = 0; column < kPartColumns; ++column) {
            cells << cell(row, column);
        }
        send(Cmd::CmdPartUpdate, joinCells(cells));
    }
}

// The dialog's colour is written even after Cancel: it is then the colour chosen last.
void TClientMain::pickColour(int column) {
    if (const auto chosen = ctx_.dialogs.color(ui_->dialogColour)) {
        ui_->dialogColour = *chosen;
    }
    const int row = ui_->PartsList->currentRow();
    if (row < 0 || (row == 0 && ui_->titleRowFixed)) {
        return;
    }
    setCell(row, column, QByteArray::number(fromQColor(ui_->dialogColour)));
}

void TClientMain::openValueFile() {
    const QString path = ctx_.dialogs.openFileName(QString(), kValueFilter, kDefaultName);
    if (path.isEmpty()) {
        return;
    }
    logErrors(ctx_.log, [&] {
        const std::vector<QByteArrayList> records = readPartValuesForConsole(path);
        ui_->PartsList->setRowCount(static_cast<int>(records.size()) + 1);
        for (std::size_t i = 0; i < records.size(); ++i) {
            for (int column = 0; column < kPartColumns; ++column) {
                setCell(static_cast<int>(i) + 1, column, records[i].value(column));
            }
        }
    });
}

void TClientMain::saveValueFile() {
    const QString path = ctx_.dialogs.saveFileName(QString(), kValueFilter, kDefaultName);
    if (path.isEmpty()) {
        return;
    }
    std::vector<QByteArrayList> rows;
    for (int row = 1; row < ui_->PartsList->rowCount(); ++row) {
        QByteArrayList cells;
        for (int column = 0; column < kPartColumns; ++column) {
            cells << cell(row, column);
        }
        rows.push_back(cells);
    }
    QString error;
    QString written;
    if (!writePartValuesFile(path, rows, &error, &written)) {
        ctx_.log.add(
            QStringLiteral("エラー：%1 %2").arg(written.isEmpty() ? path : written, error));
        ctx_.dialogs.message(QStringLiteral("保存失敗です。"), kValueSaveCaption,
                             Dialogs::Icon::Information);
        return;
    }
    ctx_.dialogs.message(QStringLiteral("保存しました"), kValueSaveCaption,
                         Dialogs::Icon::Information);
}

// ---- outside the tabs ---------------------------------------------------------------------

void TClientMain::addChatLine(const QByteArray& line) {
    ui_->MemoChat->appendPlainText(cp932::decode(line));
}

void TClientMain::refreshPeers() {
    ui_->NetList->clear();
    ui_->NetList->addItems(ctx_.peers.entries());
}

void TClientMain::setStatus(const QString& text, const QColor& colour) {
    ui_->statusText->setText(text);
    ui_->StatusBar1->setStyleSheet(backgroundSheet(QStringLiteral("QStatusBar"), colour));
}

// ---- display monitor ----------------------------------------------------------------------

void TClientMain::showMonitorLabel(const QString& text, const QColor& background) {
    ui_->statusColour = background;
    ui_->cpu_status->setText(text);
    ui_->cpu_status->setStyleSheet(
        backgroundSheet(QStringLiteral("QLabel"), background, QStringLiteral("color: white; ")));
}

void TClientMain::showGauge(int value, const QColor& colour) {
    ui_->pingColour = colour;
    ui_->PingTime->setValue(value);
    ui_->PingTime->setStyleSheet(backgroundSheet(QStringLiteral("QProgressBar::chunk"), colour));
}

void TClientMain::cpusendTimer() {
    const MonitorTick tick = monitorTick(ui_->CkRunCM->isChecked(), ctx_.hub.CpuPending);
    if (tick.sendRequest) {
        send(Cmd::CmdCpuLoadRequest, ",");
    }
    ctx_.hub.CpuPending = tick.pending;
    showMonitorLabel(tick.label.text, toQColor(tick.label.background));
}

void TClientMain::cpuLoadReply(int percent) {
    const CpuGauge gauge = cpuGauge(percent, ctx_.hub.CpuPending);
    showGauge(gauge.value, toQColor(gauge.colour));
    if (gauge.label) {
        showMonitorLabel(gauge.label->text, toQColor(gauge.label->background));
    }
    ctx_.hub.CpuPending = 0;
}

// ---- life cycle -----------------------------------------------------------------------------

// Only showing and hiding by the program count: a window that the operator minimises and
// restores keeps its lists and its connection.
void TClientMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        Button5Click();
        Button4Click();
    }
}

void TClientMain::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (!event->spontaneous()) {
        Q_EMIT consoleClosed();
    }
}

// Closing only hides the console; the hub takes over from consoleClosed.
void TClientMain::closeEvent(QCloseEvent* event) {
    event->accept();
}

void TClientMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const QSize size = event->size();
    const QSize limited(size.width() > kWidthLimit ? kSnappedWidth : size.width(),
                        size.height() > kHeightLimit ? kSnappedHeight : size.height());
    if (limited != size) {
        resize(limited);
    }
}

// ---- test access ----------------------------------------------------------------------------

QPlainTextEdit* TClientMain::Memo1() const {
    return ui_->Memo1;
}
QPlainTextEdit* TClientMain::MemoChat() const {
    return ui_->MemoChat;
}
QComboBox* TClientMain::QueJump() const {
    return ui_->QueJump;
}
QComboBox* TClientMain::SelEnterMode() const {
    return ui_->SelEnterMode;
}
QListWidget* TClientMain::FileList() const {
    return ui_->FileList;
}
QComboBox* TClientMain::FileMask() const {
    return ui_->FileMask;
}
QTableWidget* TClientMain::PartsList() const {
    return ui_->PartsList;
}
QSlider* TClientMain::WipeBlend() const {
    return ui_->WipeBlend;
}
QProgressBar* TClientMain::PingTime() const {
    return ui_->PingTime;
}
QLabel* TClientMain::cpu_status() const {
    return ui_->cpu_status;
}
QTabWidget* TClientMain::PageControl1() const {
    return ui_->PageControl1;
}
QColor TClientMain::pingColour() const {
    return ui_->pingColour;
}
QColor TClientMain::statusColour() const {
    return ui_->statusColour;
}
QTimer* TClientMain::cpusend() const {
    return ui_->cpusend;
}
QListWidget* TClientMain::NetList() const {
    return ui_->NetList;
}

}  // namespace zul
