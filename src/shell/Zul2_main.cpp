#include "shell/Zul2_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMetaMethod>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QVBoxLayout>

#include "external/iptalk.h"
#include "model/bindings.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/line_list.h"
#include "model/peer_list.h"
#include "model/settings.h"
#include "platform/colour.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/log_view.h"
#include "protocol/packets.h"
#include "remote/qr_code.h"
#include "services/packet_mirror.h"
#include "services/settings_file.h"
#include "services/udp_discovery.h"
#include "shell/display_listener.h"
#include "shell/operator_connection.h"
#include "shell/screen_choice_box.h"

namespace zul {
namespace {

const char* const kWelcomeStatus = "ようこそZULへ／ユーザ指示待ち";

QCheckBox* check(const QString& caption, Setting<bool>& setting) {
    auto* box = new QCheckBox(caption);
    bind(box, setting);
    return box;
}

QLineEdit* edit(Setting<QString>& setting, int maxLength = 32767) {
    auto* e = new QLineEdit;
    e->setMaxLength(maxLength);
    bind(e, setting);
    return e;
}

QSpinBox* spin(RangedSetting& setting) {
    auto* s = new QSpinBox;
    bind(s, setting);
    return s;
}

QPushButton* button(const QString& caption, QObject* receiver, auto slot) {
    auto* b = new QPushButton(caption);
    QObject::connect(b, &QPushButton::clicked, receiver, slot);
    return b;
}

QWidget* column(std::initializer_list<QWidget*> widgets) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (QWidget* w : widgets) {
        layout->addWidget(w);
    }
    layout->addStretch(1);
    return page;
}

// A list box that shows a line list.
void bindLines(QListWidget* box, LineList& lines) {
    auto refresh = [box, &lines] {
        box->clear();
        for (const QByteArray& l : lines.lines()) {
            box->addItem(cp932::decode(l));
        }
    };
    QObject::connect(&lines, &LineList::changed, box, refresh);
    refresh();
}

QIcon trayPicture() {
    QPixmap pix(32, 32);
    pix.fill(QColor(20, 60, 140));
    QPainter p(&pix);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(22);
    p.setFont(f);
    p.drawText(pix.rect(), Qt::AlignCenter, QStringLiteral("Z"));
    return QIcon(pix);
}

}  // namespace

TSettingForm::TSettingForm(const HubContext& ctx, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), trayAvailable_(QSystemTrayIcon::isSystemTrayAvailable()) {
    setWindowTitle(QStringLiteral("ZUL"));
    auto* central = new QWidget;
    auto* layout = new QHBoxLayout(central);
    pages_ = new QTabWidget;
    pages_->addTab(buildWelcomePage(), QStringLiteral("ようこそ"));
    pages_->addTab(buildSaveLoadPage(), QStringLiteral("設定セーブ／ロード"));
    pages_->addTab(buildOperatorPage(), QStringLiteral("操作機としてつかう"));
    pages_->addTab(buildDisplayPage(), QStringLiteral("表示機として使う／表示機を操作する"));
    layout->addWidget(pages_, 1);
    layout->addWidget(buildPeerPanel());
    setCentralWidget(central);
    statusBar()->showMessage(QString::fromUtf8(kWelcomeStatus));
    buildTray();
    bindLog();
    wireConnections();
    wireRemoteOptions();
    refreshHideButton();
}

TSettingForm::~TSettingForm() = default;

template <typename F>
void TSettingForm::guard(F&& work) {
    guarded(ctx_.errors, std::forward<F>(work));
}

// ---- pages ---------------------------------------------------------------------------

QWidget* TSettingForm::buildWelcomePage() {
    QString intro = QStringLiteral(
        "ZULは、式典・競技会・Webページのデモなどで、聴衆に向いた表示機の画面を"
        "ネットワーク越しに操作するためのソフトです。\n\n"
        "・聴衆に向いたPCでは「表示機として起動」を押します。\n"
        "・操作するPCでは「操作機として起動」を押します。\n");
    if (trayAvailable_) {
        intro += QStringLiteral(
            "・1台で両方を行うときは、表示機の起動後にタスクトレイの「直接、操作する」を選びます"
            "。");
    } else {
        intro += QStringLiteral(
            "・1台で両方を行うときは、表示機の起動後に表示画面の左上の隅のメニューから"
            "「操作画面を出す」を選びます。\n\n"
            "このデスクトップにはタスクトレイがありません。タスクトレイのメニュー"
            "（表示機・操作機の停止、設定画面表示、強制終了など）は、表示画面の左上の隅"
            "（マウスを置くと水色になります）をクリックして出るメニューと、"
            "操作画面の「ZULメニュー」ボタンにあります。");
    }
    auto* text = new QLabel(intro);
    text->setObjectName(QStringLiteral("WelcomeText"));
    text->setWordWrap(true);
    ChgMode = button(QStringLiteral("上級モードにする"), this, [this] { ChgModeClick(); });
    return column({text, ChgMode});
}

QWidget* TSettingForm::buildSaveLoadPage() {
    Settings& s = ctx_.settings;
    auto* save = button(QStringLiteral("設定を保存"), this, [this] { Set_SaveClick(); });
    save->setObjectName(QStringLiteral("Set_Save"));
    auto* load = button(QStringLiteral("設定を読出し"), this, [this] { Set_LoadClick(); });
    load->setObjectName(QStringLiteral("Set_Load"));
    return column(
        {save, load,
         check(QStringLiteral("読み込んだら自動的に表示機を起動するよう、設定保存する"), s.ckStart),
         check(QStringLiteral("通信設定と基本ディレクトリの設定を保存しない。"), s.ChkNoDir)});
}

QWidget* TSettingForm::buildOperatorPage() {
    Settings& s = ctx_.settings;
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    auto* host = new QHBoxLayout;
    host->addWidget(edit(s.ClientName));
    host->addWidget(button(QStringLiteral("PCを選択"), this, [this] {
        // Any way of choosing a host name will do: the name is typed or picked from the
        // peers found by discovery.
        if (NetList != nullptr && NetList->currentItem() != nullptr) {
            ctx_.udp.NetListDblClick(NetList->currentItem()->text());
        }
    }));
    form->addRow(QStringLiteral("表示機のPC名"), host);
    ClientPort = spin(s.ClientPort);
    ClientPort->setEnabled(false);
    ClientPortLabel = new QLabel(QStringLiteral("接続ポート"));
    ClientPortLabel->setEnabled(false);
    form->addRow(ClientPortLabel, ClientPort);
    auto* start = button(QStringLiteral("操作機として起動"), this, [this] { Button10Click(); });
    start->setObjectName(QStringLiteral("Button29"));
    form->addRow(start);
    auto* collect = button(QStringLiteral("表示機　状態収集ツール"), this,
                           [this] { Q_EMIT showToolRequested(QStringLiteral("TZUL_Err")); });
    collect->setObjectName(QStringLiteral("Button19"));
    form->addRow(collect);
    return page;
}

QWidget* TSettingForm::buildDisplayPage() {
    auto* inner = new QTabWidget;
    inner->addTab(buildStartTab(), QStringLiteral("起動する"));
    inner->addTab(buildFolderTab(), QStringLiteral("フォルダとネットワーク"));
    inner->addTab(buildAdjustTab(), QStringLiteral("表示位置の調整"));
    inner->addTab(buildIptalkTab(), QStringLiteral("IPtalkとの連携"));
    inner->addTab(buildMirrorTab(), QStringLiteral("情報の補償"));
    inner->addTab(buildWebTab(), QStringLiteral("ブラウザ操作"));
    inner->addTab(buildCaptionTab(), QStringLiteral("文字枠の設定"));
    inner->addTab(buildToolsTab(), QStringLiteral("編集ツール"));
    inner->addTab(buildTroubleTab(), QStringLiteral("トラブルシュート"));
    return inner;
}

QWidget* TSettingForm::buildStartTab() {
    auto* start = button(QStringLiteral("表示機として起動"), this, [this] { Button4Click(); });
    start->setObjectName(QStringLiteral("Button4"));
    ScreenChoice = new ScreenChoiceBox(ctx_.settings.Screen);
    return column({start, ScreenChoice});
}

QWidget* TSettingForm::buildFolderTab() {
    Settings& s = ctx_.settings;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    SevPort = new QGroupBox(QStringLiteral("通信ポート"));
    SevPort->setEnabled(false);
    auto* portRow = new QHBoxLayout(SevPort);
    PortLabel = new QLabel(QStringLiteral("ポート番号（TCP/UDP）"));
    Port = spin(s.Port);
    portRow->addWidget(PortLabel);
    portRow->addWidget(Port);
    layout->addWidget(SevPort);

    auto* dirBox = new QGroupBox(QStringLiteral("基本ディレクトリ"));
    auto* dirRow = new QHBoxLayout(dirBox);
    auto* baseDir = edit(s.BaseDir);
    baseDir->setObjectName(QStringLiteral("BaseDir"));
    dirRow->addWidget(baseDir, 1);
    dirRow->addWidget(button(QStringLiteral("選択する"), this, [this] { Button1Click(); }));
    layout->addWidget(dirBox);

    auto* keyBox = new QGroupBox(
        QStringLiteral("遠隔操作で基本ティレクトリを変更するときにつかう合言葉（パスワード）"));
    auto* keyRow = new QHBoxLayout(keyBox);
    keyRow->addWidget(edit(s.remo_key, 50));
    layout->addWidget(keyBox);

    layout->addWidget(check(
        QStringLiteral(
            "表示機として動いているときは設定ファイルを読み込んでも、重要項目を変更させない。"),
        s.ChkNoLoadDir));
    layout->addWidget(
        check(QStringLiteral("保存するファイルはすべて基本ディレクトリからの相対パスにする。"),
              s.ChkNoTotalPath));
    // The setup wizard takes the hub's place until it ends.
    auto* wizard = button(QStringLiteral("簡単－表示機設定ツール"), this, [this] {
        Q_EMIT showToolRequested(QStringLiteral("TEasyZUL"));
        hide();
    });
    wizard->setObjectName(QStringLiteral("Button17"));
    layout->addWidget(wizard);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingForm::buildAdjustTab() {
    Settings& s = ctx_.settings;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* edges = new QGroupBox(QStringLiteral("表示位置の調整"));
    auto* grid = new QHBoxLayout(edges);
    struct EdgeButton {
        const char* name;
        const char* caption;
        int edge;
        const char* up;
        const char* down;
    };
    for (const EdgeButton& e :
         {EdgeButton{"DspTop", "上端", 1, "▲", "▼"}, EdgeButton{"DspBotm", "下端", 4, "▲", "▼"},
          EdgeButton{"DspLeft", "左端", 2, "▶", "◀"},
          EdgeButton{"DspRight", "右端", 3, "▶", "◀"}}) {
        auto* box = new QWidget;
        box->setObjectName(QString::fromLatin1(e.name));
        auto* row = new QHBoxLayout(box);
        row->addWidget(new QLabel(QString::fromUtf8(e.caption)));
        const int edge = e.edge;
        row->addWidget(
            button(QString::fromUtf8(e.up), this, [this, edge] { edgeClicked(edge, true); }));
        row->addWidget(
            button(QString::fromUtf8(e.down), this, [this, edge] { edgeClicked(edge, false); }));
        grid->addWidget(box);
    }
    layout->addWidget(edges);
    layout->addWidget(check(QStringLiteral("表示フレーム自体を移動する。"), s.MoveFrame));

    auto* fade = new QHBoxLayout;
    fade->addWidget(check(QStringLiteral("画像切り替えにフェードをつかう　"), s.ChangeWall));
    auto* wallColour = new QPushButton(QStringLiteral("切り替え背景色"));
    connect(wallColour, &QPushButton::clicked, this, [this] {
        guard([this] {
            if (auto c = ctx_.dialogs.color(toQColor(ctx_.settings.WallColor()))) {
                ctx_.settings.WallColor.set(fromQColor(*c));
                Q_EMIT wallColourPicked();
            }
        });
    });
    fade->addWidget(wallColour);
    layout->addLayout(fade);
    auto* coverPicture = button(QStringLiteral("単色カバーではなく絵を使用する"), this, [this] {
        const QString path = ctx_.dialogs.openFileName(
            QStringLiteral("背景画面をロード"),
            QStringLiteral("画像ファイル(*.bmp;*.jpg;*.jpeg;*.ico;*.emf;*.wmf)|*.bmp;*.jpg;*.jpeg;*"
                           ".ico;*.emf;*.wmf|すべてのファイル(*.*)|*.*"),
            ctx_.settings.BaseDir());
        if (!path.isEmpty()) {
            Q_EMIT coverPictureChosen(path);
        }
    });
    coverPicture->setObjectName(QStringLiteral("Button24"));
    layout->addWidget(coverPicture);
    layout->addWidget(check(QStringLiteral("指定色でフォームを透過させる"), s.ckCrom));
    layout->addWidget(
        check(QStringLiteral("絵を画面サイズに合うようにサイズ調整する"), s.TransChk));
    layout->addWidget(
        check(QStringLiteral("画像のアスペクト比(縦横比率）を維持する"), s.AspectChk));
    layout->addWidget(check(QStringLiteral("PowerPoint等のファイルを画面幅調整する"), s.PptChk));
    layout->addWidget(check(QStringLiteral("メモリ・CPUを犠牲にして、切替を早くする"), s.SpeedUp));
    layout->addWidget(
        check(QStringLiteral("画面表示させない（IPtalk/PowerPoint制御専用）"), s.HideDisp));
    layout->addWidget(
        check(QStringLiteral("PowerPoint 拡張サポートを有効にする。"), s.CkPptOleControl));
    DspRemBox = new QCheckBox(QStringLiteral("表示機を遠隔操作する"));
    DspRemBox->setObjectName(QStringLiteral("DspRem"));
    bind(DspRemBox, s.DspRem);
    connect(&s.DspRem, &SettingBase::changed, this, [this] { DspRemClick(); });
    layout->addWidget(DspRemBox);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingForm::buildIptalkTab() {
    Settings& s = ctx_.settings;
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    form->addRow(named(check(QStringLiteral("IPtalkを常に表示する設定にする"), s.Iptalk_topmost),
                       "Iptalk_topmost"));
    form->addRow(named(check(QStringLiteral("設定ロード時、IPtalkを隠す"), s.Iptalk_ldhide),
                       "Iptalk_ldhide"));
    form->addRow(named(check(QStringLiteral("設定ロード時、IPtalk位置を維持"), s.Iptalk_notouch),
                       "Iptalk_notouch"));
    form->addRow(
        named(check(QStringLiteral("ワイプを同期させない"), s.IPtalk_sync), "IPtalk_sync"));
    auto* channel = new QComboBox;
    channel->setObjectName(QStringLiteral("IPtalkCh"));
    for (int i = s.IPtalkCh.minimum(); i <= s.IPtalkCh.maximum(); ++i) {
        channel->addItem(iptalkChannelText(i));
    }
    bind(channel, s.IPtalkCh);
    form->addRow(QStringLiteral("設定送信チャンネル"), channel);
    // "位置": x (Iptalk_top) X y (Iptalk_left); "幅": width X height.
    const auto pair = [&named](QSpinBox* first, const char* firstName, QSpinBox* second,
                               const char* secondName) {
        auto* row = new QHBoxLayout;
        row->addWidget(named(first, firstName));
        row->addWidget(new QLabel(QStringLiteral("X")));
        row->addWidget(named(second, secondName));
        row->addStretch(1);
        return row;
    };
    form->addRow(QStringLiteral("位置"),
                 pair(spin(s.Iptalk_top), "Iptalk_top", spin(s.Iptalk_left), "Iptalk_left"));
    form->addRow(QStringLiteral("幅"), pair(spin(s.Iptalk_width), "Iptalk_width",
                                            spin(s.Iptalk_height), "Iptalk_height"));
    IptalkCooperation& iptalk = ctx_.iptalk;
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(named(button(QStringLiteral("現状のサイズを取得"), this,
                                    [this, &iptalk] { guard([&] { iptalk.CaptureIptalk(); }); }),
                             "Button11"));
    buttons->addWidget(named(button(QStringLiteral("自分のPCで試す"), this,
                                    [this, &iptalk] { guard([&] { iptalk.PlaceIptalk(); }); }),
                             "Button12"));
    buttons->addWidget(
        named(button(QStringLiteral("表示機に設定を送る"), this,
                     [this, &iptalk] { guard([&] { iptalk.SendIptalkPlacement(); }); }),
              "Button13"));
    buttons->addWidget(named(button(QStringLiteral("位置設定ウインドウ"), this,
                                    [this] { Q_EMIT showToolRequested(QStringLiteral("Ttalk2")); }),
                             "Button21"));
    form->addRow(buttons);
    return page;
}

QWidget* TSettingForm::buildMirrorTab() {
    Settings& s = ctx_.settings;
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow(new QLabel(
        QStringLiteral("受信した指示をほかの表示機へ転送します。予備のPCが常に同じ画面を表示"
                       "するので、故障のときにすぐ切り替えられます。")));
    form->addRow(
        check(QStringLiteral("パケットミラー（他の表示機を連動）をおこなう"), s.MirrorSel));
    auto* host = new QHBoxLayout;
    host->addWidget(edit(s.MirrorName));
    auto* pick = button(QStringLiteral("PC選択"), this, [this] { MS_selectClick(); });
    pick->setObjectName(QStringLiteral("MS_select"));
    host->addWidget(pick);
    form->addRow(QStringLiteral("ミラー先のPC名"), host);
    MirrorPort = spin(s.MirrorPort);
    MirrorPort->setEnabled(false);
    form->addRow(QStringLiteral("ミラー先のポート"), MirrorPort);
    return page;
}

QWidget* TSettingForm::buildWebTab() {
    Settings& s = ctx_.settings;
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    auto* about = new QLabel(
        QStringLiteral("表示機として起動している間、同じネットワークのスマートフォンやタブレットの"
                       "ブラウザから、字幕・ファイル・部品・スライドを操作できます。"));
    about->setWordWrap(true);
    form->addRow(about);
    auto* allow = check(QStringLiteral("ブラウザからの操作を許可"), s.WebRemote);
    allow->setObjectName(QStringLiteral("WebRemote"));
    form->addRow(allow);
    auto* port = spin(s.WebPort);
    port->setObjectName(QStringLiteral("WebPort"));
    form->addRow(QStringLiteral("ポート"), port);
    auto* key = edit(s.WebKey, 64);
    key->setObjectName(QStringLiteral("WebKey"));
    key->setPlaceholderText(QStringLiteral("空ならキーなし"));
    form->addRow(QStringLiteral("アクセスキー"), key);
    WebAddress = new QLabel;
    WebAddress->setObjectName(QStringLiteral("WebAddress"));
    WebAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    WebAddress->setWordWrap(true);
    form->addRow(WebAddress);
    WebQr = new QLabel;
    WebQr->setObjectName(QStringLiteral("WebQr"));
    form->addRow(WebQr);
    showWebAddresses({});
    return page;
}

void TSettingForm::showWebAddresses(const QStringList& addresses) {
    if (WebAddress == nullptr) {
        return;
    }
    // The first address is the network card's: the one a phone on the LAN can open.
    WebQr->setPixmap(addresses.isEmpty() ? QPixmap()
                                         : QPixmap::fromImage(qrCodeImage(addresses.first(), 4)));
    if (addresses.isEmpty()) {
        WebAddress->setText(QStringLiteral(
            "いまは受け付けていません（「ブラウザからの操作を許可」を入れて表示機として起動すると"
            "始まります）。"));
        return;
    }
    WebAddress->setText(QStringLiteral("ブラウザで開くアドレス：\n") +
                        addresses.join(QLatin1Char('\n')));
}

QWidget* TSettingForm::buildCaptionTab() {
    Settings& s = ctx_.settings;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    SampleText = new QLineEdit(QStringLiteral("あいうaiu"));
    SampleText->setReadOnly(true);
    SampleText->setObjectName(QStringLiteral("SampleText"));
    layout->addWidget(SampleText);
    bindSampleText();
    layout->addWidget(check(QStringLiteral("文字スクロールを有効にする(&S)"), s.ckStrScroll));
    layout->addWidget(check(QStringLiteral("文字表示欄を隠す(&H)"), s.ckStrHide));
    auto* center = check(QStringLiteral("文字表示をセンタリングする(&C)"), s.ckCenter);
    layout->addWidget(center);
    connect(&s.ckCenter, &SettingBase::changed, this,
            [this] { ctx_.settings.StrFlameCentered.set(ctx_.settings.ckCenter()); });
    layout->addWidget(check(QStringLiteral("表示位置を上部に移動する。"), s.ckTextPos));
    auto* row = new QHBoxLayout;
    row->addWidget(button(QStringLiteral("背景色"), this, [this] { Button5Click(); }));
    row->addWidget(button(QStringLiteral("文字色"), this, [this] { Button6Click(); }));
    row->addWidget(button(QStringLiteral("フォント変更"), this, [this] { Button7Click(); }));
    layout->addLayout(row);
    auto* remote = new QHBoxLayout;
    auto* send = button(QStringLiteral("設定送信"), this, [this] { Button2Click(); });
    send->setObjectName(QStringLiteral("Button2"));
    auto* receive = button(QStringLiteral("設定受信"), this, [this] { Button22Click(); });
    receive->setObjectName(QStringLiteral("Button22"));
    remote->addWidget(send);
    remote->addWidget(receive);
    layout->addLayout(remote);
    layout->addWidget(new QLabel(QStringLiteral("☆表示機に接続中のみ、設定送受信ができます")));
    layout->addStretch(1);
    return page;
}

QWidget* TSettingForm::buildToolsTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (const auto& [tool, caption] :
         {std::pair{"TFP_Edit", "部品設定ツール"}, std::pair{"TFileSet", "ファイルセット作成"},
          std::pair{"TWebListEdit", "Ｗｅｂリスト作成"}, std::pair{"Tzul_ws", "ワークシート"}}) {
        const QString name = QString::fromLatin1(tool);
        layout->addWidget(button(QString::fromUtf8(caption), this,
                                 [this, name] { Q_EMIT showToolRequested(name); }));
    }
    layout->addStretch(1);
    return page;
}

QWidget* TSettingForm::buildTroubleTab() {
    Settings& s = ctx_.settings;
    auto* inner = new QTabWidget;

    auto* errors = new QWidget;
    auto* errLayout = new QVBoxLayout(errors);
    errLayout->addWidget(
        check(QStringLiteral("基本エラーメッセージをポップアップする"), s.ShowErr));
    DebugLogMemo = new QPlainTextEdit;
    DebugLogMemo->setObjectName(QStringLiteral("DebugLog"));
    // The log empties itself at its size limit; the view follows it without undo history.
    makeAppendOnly(DebugLogMemo);
    DebugLogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    errLayout->addWidget(DebugLogMemo, 1);
    inner->addTab(errors, QStringLiteral("エラーメッセージ"));

    StrList = new QListWidget;
    StrList->setObjectName(QStringLiteral("StrList"));
    bindLines(StrList, ctx_.strList);
    inner->addTab(StrList, QStringLiteral("文字更新リスト"));
    WebList = new QListWidget;
    WebList->setObjectName(QStringLiteral("WebList"));
    bindLines(WebList, ctx_.webList);
    inner->addTab(WebList, QStringLiteral("Web更新リスト"));
    auto* special = button(QStringLiteral("トラブルシュート用コマンド"), this,
                           [this] { Q_EMIT showToolRequested(QStringLiteral("TZUL_ts")); });
    special->setObjectName(QStringLiteral("Button23"));
    inner->addTab(column({special}), QStringLiteral("特殊設定など"));
    inner->addTab(buildCardTab(), QStringLiteral("通信カード設定"));
    return inner;
}

QWidget* TSettingForm::buildCardTab() {
    auto* group = new QGroupBox(QStringLiteral("ネットワークカードの選択（UDP通信のみ）"));
    auto* layout = new QVBoxLayout(group);
    auto* combo = new QComboBox;
    combo->setObjectName(QStringLiteral("SelectNIC"));
    QFont fixed(QStringLiteral("ＭＳ ゴシック"));
    fixed.setStyleHint(QFont::Monospace);
    combo->setFont(fixed);
    layout->addWidget(combo);
    auto refresh = [this, combo] {
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(ctx_.udp.nicEntries());
        combo->setCurrentIndex(ctx_.udp.nicSelected());
    };
    connect(&ctx_.udp, &UdpDiscovery::nicListChanged, combo, refresh);
    connect(combo, &QComboBox::activated, this,
            [this](int index) { guard([this, index] { ctx_.udp.SelectNICChange(index); }); });
    refresh();
    return column({group});
}

QWidget* TSettingForm::buildPeerPanel() {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(new QLabel(QStringLiteral("接続中の仲間")));
    NetList = new QListWidget;
    NetList->setObjectName(QStringLiteral("NetList"));
    connect(&ctx_.peers, &PeerList::changed, NetList, [this] {
        NetList->clear();
        NetList->addItems(ctx_.peers.entries());
    });
    connect(NetList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { ctx_.udp.NetListDblClick(item->text()); });
    layout->addWidget(NetList, 1);
    layout->addWidget(new QLabel(QStringLiteral("[S] 表示機 [C]操作機\n[W] 起動待ち")));
    auto* search = button(QStringLiteral("PC検索"), this,
                          [this] { guard([this] { ctx_.udp.Button25Click(); }); });
    search->setObjectName(QStringLiteral("Button25"));
    layout->addWidget(search);
    HideButton = button(QStringLiteral("隠す"), this, [this] { hide(); });
    layout->addWidget(HideButton);
    auto* quit = button(QStringLiteral("ZULを終了"), this, [this] { Button8Click(); });
    quit->setObjectName(QStringLiteral("Button8"));
    layout->addWidget(quit);
    return panel;
}

void TSettingForm::buildTray() {
    WinPop_ = new QMenu(this);
    WinPop_->setObjectName(QStringLiteral("WinPop"));
    addTrayItems(*WinPop_);

    if (!trayAvailable_) {
        return;
    }
    tray_ = new QSystemTrayIcon(trayPicture(), this);
    tray_->setToolTip(QStringLiteral("ZUL <<稼動中>>"));
    tray_->setContextMenu(WinPop_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) {
            showNormal();
            raise();
            activateWindow();
        }
    });
    tray_->show();
}

void TSettingForm::addTrayItems(QMenu& menu) {
    addTrayMenuItems(menu, [this](TrayAction action) { runTrayAction(action); });
}

void TSettingForm::runTrayAction(TrayAction action) {
    guard([this, action] {
        switch (action) {
            case TrayAction::StopDisplay:
                N1Click();
                break;
            case TrayAction::ShowDisplay:
                Q_EMIT showDisplayWindowRequested();
                break;
            case TrayAction::ToggleDisplayFrame:
                Q_EMIT toggleDisplayFrameRequested();
                break;
            case TrayAction::OperateDirectly:
                X2Click();
                break;
            case TrayAction::StopOperator:
                C1Click();
                break;
            case TrayAction::ShowConsole:
                if (operatorRoleRunning()) {
                    Q_EMIT showConsoleRequested();
                }
                break;
            case TrayAction::PartsEditor:
                Q_EMIT showToolRequested(QStringLiteral("TFP_Edit"));
                break;
            case TrayAction::FileSetEditor:
                Q_EMIT showToolRequested(QStringLiteral("TFileSet"));
                break;
            case TrayAction::WebListEditor:
                Q_EMIT showToolRequested(QStringLiteral("TWebListEdit"));
                break;
            case TrayAction::ScoreBoard:
                Q_EMIT showToolRequested(QStringLiteral("Tzul_pb_main"));
                break;
            case TrayAction::ShowHub:
                showNormal();
                raise();
                break;
            case TrayAction::Quit:
                X1Click();
                break;
        }
    });
}

// ---- log and caption sample ----------------------------------------------------------

// The log is the store; the memo shows it only while its page is on the screen.
void TSettingForm::bindLog() {
    auto* feed = new LogViewFeed(DebugLogMemo, [this] { return ctx_.log.lines(); });
    connect(&ctx_.log, &DebugLog::lineAdded, feed, &LogViewFeed::lineAdded);
    connect(&ctx_.log, &DebugLog::cleared, feed, &LogViewFeed::cleared);
}

void TSettingForm::bindSampleText() {
    SampleTextLook& look = ctx_.settings.SampleText;
    for (SettingBase* s : std::initializer_list<SettingBase*>{&look.fontName, &look.fontSize,
                                                              &look.fontColor, &look.backColor}) {
        connect(s, &SettingBase::changed, this, [this] { refreshSampleText(); });
    }
    refreshSampleText();
}

void TSettingForm::refreshSampleText() {
    const SampleTextLook& look = ctx_.settings.SampleText;
    QFont font(look.fontName());
    font.setPointSize(std::max(1, std::abs(look.fontSize())));
    SampleText->setFont(font);
    QPalette palette = SampleText->palette();
    palette.setColor(QPalette::Text, toQColor(look.fontColor()));
    palette.setColor(QPalette::Base, toQColor(look.backColor()));
    SampleText->setPalette(palette);
}

// ---- role actions --------------------------------------------------------------------

void TSettingForm::showCaptionPage() {
    pages_->setCurrentIndex(3);
    if (auto* inner = qobject_cast<QTabWidget*>(pages_->widget(3))) {
        inner->setCurrentIndex(5);
    }
    showNormal();
    raise();
}

void TSettingForm::setStatusText(const QString& text) {
    statusBar()->showMessage(text);
}

QString TSettingForm::statusText() const {
    return statusBar()->currentMessage();
}

void TSettingForm::refreshHideButton() {
    HideButton->setEnabled(displayRoleRunning() || operatorRoleRunning());
}

bool TSettingForm::displayRoleRunning() const {
    return ctx_.listener.isOpen();
}

bool TSettingForm::operatorRoleRunning() const {
    return ctx_.connection.isEstablished();
}

void TSettingForm::wireConnections() {
    connect(&ctx_.listener, &DisplayListener::statusChanged, this,
            [this](const QString& text) { setStatusText(text); });
    connect(&ctx_.connection, &OperatorConnection::hubStatus, this,
            [this](const QString& text) { setStatusText(text); });
    connect(&ctx_.mirror, &PacketMirror::statusChanged, this,
            [this](const QString& text) { setStatusText(text); });
    connect(&ctx_.connection, &OperatorConnection::connectedToDisplay, this, [this] {
        refreshHideButton();
        hide();
        Q_EMIT showConsoleRequested();
    });
    connect(&ctx_.connection, &OperatorConnection::returnedToHub, this, [this] {
        refreshHideButton();
        showNormal();
        Q_EMIT hideConsoleRequested();
    });
}

void TSettingForm::sendRemote(Cmd cmd, const QByteArray& operand) {
    if (ctx_.settings.DspRem()) {
        ctx_.connection.send(makePacket(cmd, operand));
    }
}

void TSettingForm::wireRemoteOptions() {
    // With "表示機を遠隔操作する" ticked, the display options change the connected display
    // machine instead of this one.
    Settings& s = ctx_.settings;
    auto flag = [](bool on) { return QByteArray(on ? "1" : "0"); };
    auto box = [this, &flag](Setting<bool>& setting, Cmd cmd) {
        connect(&setting, &SettingBase::changed, this,
                [this, &setting, cmd, flag] { sendRemote(cmd, flag(setting())); });
    };
    box(s.TransChk, Cmd::CmdStretch);
    box(s.AspectChk, Cmd::CmdAspect);
    box(s.PptChk, Cmd::CmdPptWidth);
    box(s.SpeedUp, Cmd::CmdSpeedUp);
    box(s.HideDisp, Cmd::CmdHideDisplay);
    auto withColour = [this, flag](Setting<bool>& setting, Cmd cmd) {
        return [this, &setting, cmd, flag] {
            sendRemote(cmd, flag(setting()) + ',' + QByteArray::number(ctx_.settings.WallColor()));
        };
    };
    connect(&s.ckCrom, &SettingBase::changed, this, withColour(s.ckCrom, Cmd::CmdChromaKey));
    connect(&s.ChangeWall, &SettingBase::changed, this,
            withColour(s.ChangeWall, Cmd::CmdFadeSetting));
    connect(&s.WallColor, &SettingBase::changed, this,
            withColour(s.ChangeWall, Cmd::CmdFadeSetting));
}

void TSettingForm::edgeClicked(int edge, bool up) {
    if (ctx_.settings.DspRem()) {
        const QByteArray operand = QByteArray::number(edge) + ' ' + (up ? "1" : "0");
        ctx_.connection.send(makePacket(
            ctx_.settings.MoveFrame() ? Cmd::CmdFramePosition : Cmd::CmdScreenAdjust, operand));
        return;
    }
    Q_EMIT edgeAdjustRequested(edge, up);
}

void TSettingForm::Button4Click() {
    setStatusText(ctx_.listener.statusText());
    if (!ctx_.listener.open(ctx_.settings.Port())) {
        ctx_.log.add(QStringLiteral("エラー：%1").arg(ctx_.listener.errorString()));
        ctx_.dialogs.message(QStringLiteral("通信ポートが使用中か、エラーが発生しました。"),
                             QStringLiteral("エラー"));
    } else if (ctx_.settings.MirrorSel()) {
        ctx_.mirror.open();
    }
    refreshHideButton();
    bool sent = false;
    try {
        ctx_.udp.UpdateBroadcastAddress();
        sent = ctx_.udp.sendLine(QByteArrayLiteral("ZUL,1,\n"));
    } catch (...) {
        // Logged by the socket's handler; the message below says it.
    }
    if (!sent) {
        ctx_.dialogs.message(QStringLiteral("UDP通信ができませんでした。"),
                             QStringLiteral("エラー"));
    }
    if (ctx_.settings.HideDisp()) {
        ctx_.dialogs.message(
            QStringLiteral("表示機を起動しましたが、ユーザ指示により水面下で作動しています。\n"
                           "この機能はIPtalkやPowerPointを制御するためだけに利用すると便利です。"
                           "\n\n（通常表示にしたいときはタスクトレイ内の表示機→表示を選ぶ）"),
            QStringLiteral("表示機起動"));
    } else {
        Q_EMIT showDisplayWindowRequested();
        // The hub steps aside only when a display window took its place.
        if (isSignalConnected(QMetaMethod::fromSignal(&TSettingForm::showDisplayWindowRequested))) {
            hide();
        }
    }
    // Also without a display window: the machine may only drive IPtalk.
    if (ctx_.settings.Iptalk_topmost()) {
        ctx_.iptalk.Idle().start();
    }
}

void TSettingForm::Button10Click() {
    if (ctx_.connection.isEstablished()) {
        Q_EMIT showConsoleRequested();
    }
    if (!ctx_.connection.open(ctx_.settings.ClientName(), ctx_.settings.ClientPort())) {
        ctx_.dialogs.message(QStringLiteral("サーバに接続できません。"), QStringLiteral("エラー"));
    }
}

void TSettingForm::X2Click() {
    ctx_.settings.ClientName.set(QStringLiteral("localhost"));
    Button10Click();
}

void TSettingForm::N1Click() {
    Q_EMIT closeDisplayWindowRequested();
    showNormal();
    ctx_.iptalk.Idle().stop();
    ctx_.mirror.close();
    ctx_.listener.close();
    refreshHideButton();
}

void TSettingForm::MS_selectClick() {
    // The peers found by discovery are the network's computers to pick from.
    if (NetList == nullptr || NetList->currentItem() == nullptr) {
        return;
    }
    if (const auto host = displayHostOf(NetList->currentItem()->text())) {
        ctx_.settings.MirrorName.set(*host);
    }
}

void TSettingForm::C1Click() {
    ctx_.log.add(QStringLiteral("【(タスクトレイより)接続終了】"));
    setStatusText(QStringLiteral("未接続：ユーザ指示待ち"));
    // A deliberate stop: the disconnect handling shows its message and closes the console.
    ctx_.hub.Reconnecting = false;
    ctx_.connection.close();
    showNormal();
    Q_EMIT hideConsoleRequested();
    refreshHideButton();
}

void TSettingForm::Button8Click() {
    Q_EMIT quitRequested();
}

void TSettingForm::X1Click() {
    Q_EMIT quitRequested();
}

void TSettingForm::ChgModeClick() {
    SevPort->setEnabled(true);
    Port->setEnabled(true);
    PortLabel->setEnabled(true);
    ClientPort->setEnabled(true);
    ClientPortLabel->setEnabled(true);
    MirrorPort->setEnabled(true);
    ChgMode->setEnabled(false);
}

bool TSettingForm::advancedMode() const {
    return !ChgMode->isEnabled();
}

void TSettingForm::DspRemClick() {
    if (ctx_.settings.DspRem() && !operatorRoleRunning()) {
        ctx_.settings.DspRem.set(false);
        ctx_.dialogs.message(QStringLiteral("サーバへ接続しないと制御できません。"),
                             QStringLiteral("注意事項"));
    }
}

// ---- settings file buttons -----------------------------------------------------------

void TSettingForm::Set_SaveClick() {
    const QString path = ctx_.dialogs.saveFileName(
        QStringLiteral("設定を保存"),
        QStringLiteral("ZUL 設定ファイル(*.RD1)|*.rd1|すべてのファイル(*.*)|*.*"),
        ctx_.settings.BaseDir());
    if (path.isEmpty()) {
        return;
    }
    if (ctx_.settingsFile.SaveSettingsFile(path)) {
        ctx_.dialogs.message(QStringLiteral("保存しました"), QStringLiteral("保存"),
                             Dialogs::Icon::Information);
    } else {
        ctx_.dialogs.message(QStringLiteral("保存失敗です。"), QStringLiteral("保存"));
    }
}

void TSettingForm::Set_LoadClick() {
    const QString path = ctx_.dialogs.openFileName(
        QStringLiteral("設定をロード"),
        QStringLiteral("ZUL 設定ファイル(*.rd1)|*.rd1|すべてのファイル(*.*)|*.*"),
        ctx_.settings.BaseDir());
    if (path.isEmpty()) {
        return;
    }
    bool ok = true;
    try {
        ctx_.settingsFile.LoadSettingsFile(path);
    } catch (...) {
        ok = false;
        ctx_.log.add(QStringLiteral("エラー：%1").arg(describeCurrentException()));
    }
    if (ok) {
        ctx_.dialogs.message(QStringLiteral("ロードしました"), QStringLiteral("設定"),
                             Dialogs::Icon::Information);
    } else {
        ctx_.dialogs.message(QStringLiteral("ロード失敗です。"), QStringLiteral("設定"));
    }
}

// ---- local buttons -------------------------------------------------------------------

void TSettingForm::Button1Click() {
    const QString dir =
        ctx_.dialogs.folder(QStringLiteral("基本ディレクトリの選択"), ctx_.settings.BaseDir());
    if (!dir.isEmpty()) {
        ctx_.settings.BaseDir.set(dir);
    }
}

void TSettingForm::Button5Click() {
    SampleTextLook& look = ctx_.settings.SampleText;
    if (auto c = ctx_.dialogs.color(toQColor(look.backColor()))) {
        look.backColor.set(fromQColor(*c));
    }
}

void TSettingForm::Button6Click() {
    SampleTextLook& look = ctx_.settings.SampleText;
    if (auto c = ctx_.dialogs.color(toQColor(look.fontColor()))) {
        look.fontColor.set(fromQColor(*c));
    }
}

void TSettingForm::Button7Click() {
    ctx_.dialogs.message(
        QStringLiteral("表示される項目のうち、フォント種類とサイズしか反映されません。"),
        QStringLiteral("**注意**"));
    SampleTextLook& look = ctx_.settings.SampleText;
    QFont initial(look.fontName());
    initial.setPointSize(std::max(1, std::abs(look.fontSize())));
    if (auto f = ctx_.dialogs.font(initial, true)) {
        look.fontName.set(f->family());
        look.fontSize.set(f->pointSize());
    }
}

void TSettingForm::Button2Click() {
    const Settings& s = ctx_.settings;
    const SampleTextLook& look = s.SampleText;
    const QByteArray font = QByteArray::number(look.fontSize()) + ' ' +
                            QByteArray::number(look.fontColor()) + ' ' +
                            QByteArray::number(look.backColor()) + ' ' +
                            (s.ckStrScroll() ? "1 " : "0 ") + (s.ckStrHide() ? "1 " : "0 ") +
                            (s.ckCenter() ? "1 " : "0 ") + cp932::encode(look.fontName());
    ctx_.connection.send(makePacket(Cmd::CmdFontUpdate, font));
    ctx_.connection.send(makePacket(Cmd::CmdCaptionPosition, s.ckTextPos() ? "1" : "0"));
}

void TSettingForm::Button22Click() {
    ctx_.connection.send(makePacket(Cmd::CmdFontRequest));
}

// ---- window events -------------------------------------------------------------------

void TSettingForm::showEvent(QShowEvent* event) {
    ctx_.hub.HubShown = true;
    QMainWindow::showEvent(event);
}

void TSettingForm::closeEvent(QCloseEvent* event) {
    // The hub form is the main window: closing it ends the program.
    event->accept();
    Q_EMIT quitRequested();
}

}  // namespace zul
