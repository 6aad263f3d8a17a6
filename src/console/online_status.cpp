#include "console/online_status.h"

#include <QLabel>

#include "console/scoreboard.h"
#include "model/debug_log.h"
#include "platform/dialogs.h"
#include "services/operator_channel.h"

namespace zul {

QByteArray typedField(const QString& text, DebugLog& log) {
    int unmappable = 0;
    QByteArray bytes = packetField(text, &unmappable);
    if (unmappable > 0) {
        log.add(QStringLiteral("シフトJISで表せない文字 %1 個を「?」に置き換えて送信します。")
                    .arg(unmappable));
    }
    return bytes;
}

OnlineStatusBar::OnlineStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    label_ = new QLabel(this);
    addWidget(label_, 1);
    showState();
}

void OnlineStatusBar::toggle() {
    online_ = !online_;
    showState();
}

QString OnlineStatusBar::text() const {
    return label_->text();
}

bool OnlineStatusBar::readyToSendAll(Dialogs& dialogs) const {
    if (!online_) {
        dialogs.message(QStringLiteral("オンラインにしてから送信してください。"),
                        QStringLiteral("通信できません"), Dialogs::Icon::Information);
    }
    return online_;
}

void OnlineStatusBar::showState() {
    const OnlineLook look = onlineLook(online_);
    label_->setText(look.text);
    setStyleSheet(
        QStringLiteral("QStatusBar { background-color: %1; }").arg(toQColor(look.colour).name()));
}

}  // namespace zul
