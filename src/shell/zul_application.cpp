#include "shell/zul_application.h"

#include "platform/errors.h"

namespace zul {

ZulApplication::ZulApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZulApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    if (sink_ == nullptr) {
        return QApplication::notify(receiver, event);
    }
    guarded(*sink_, [&] { result = QApplication::notify(receiver, event); });
    return result;
}

}  // namespace zul
