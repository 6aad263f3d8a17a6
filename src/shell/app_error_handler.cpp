#include "shell/app_error_handler.h"

#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "services/status_broadcaster.h"

namespace zul {

AppErrorHandler::AppErrorHandler(DebugLog& log, Settings& settings, Dialogs& dialogs,
                                 StatusBroadcaster& status)
    : log_(log), settings_(settings), dialogs_(dialogs), status_(status) {}

void AppErrorHandler::reportError(const QString& message) {
    const QString text = QStringLiteral("エラー：%1").arg(message);
    log_.add(text);
    // An error raised while the pop-up of another one is open is logged and sent only, so
    // a burst of errors never stacks message boxes.
    if (settings_.ShowErr() && !reporting_) {
        reporting_ = true;
        dialogs_.message(text, QStringLiteral("想定外エラー"), Dialogs::Icon::Error);
        reporting_ = false;
    }
    status_.SendStatusLine(cp932::encode(text));
}

}  // namespace zul
