#include "services/Zul2_ts.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/bindings.h"
#include "model/settings.h"

namespace zul {
namespace {

QCheckBox* switchBox(const char* name, const QString& caption, Setting<bool>& setting) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    bind(box, setting);
    return box;
}

QLabel* note(const QString& text) {
    auto* label = new QLabel(text);
    label->setIndent(24);
    return label;
}

}  // namespace

TZUL_ts::TZUL_ts(Settings& settings, QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setWindowTitle(QStringLiteral("トラブルシュート"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("トラブルが起きた時、このスイッチによって対処できるかもしれません。")));
    layout->addWidget(new QLabel(QStringLiteral("どうしようもない場合に利用してください。")));
    layout->addWidget(switchBox(
        "chkIntrupt",
        QStringLiteral("受信・送信の制御を Windows にすべて任せる(ソフト側での制御をやめる）。"),
        settings.chkIntrupt));
    layout->addWidget(
        note(QStringLiteral("(通信パケット制御 Nagle 等と相性が悪いときに使います）")));
    layout->addWidget(switchBox("chkWatchDog",
                                QStringLiteral("ウォッチドッグ（通信故障監視制御）をOFFにする"),
                                settings.chkWatchDog));
    layout->addWidget(
        note(QStringLiteral("（PCが遅く、ウォッチドッグの影響で処理ができないときに使います）")));
    layout->addWidget(switchBox("chkAllDisp",
                                QStringLiteral("表示機画面を最大化しない(デバッグ用）"),
                                settings.chkAllDisp));
    layout->addWidget(
        switchBox("chkUDPkick",
                  QStringLiteral("接続先を定期的に探すことをおこなわない（UDPを定期送信しない）"),
                  settings.chkUDPkick));
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("Button1"));
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setFixedSize(sizeHint().expandedTo(QSize(432, 180)));
}

}  // namespace zul
