#include "model/debug_log.h"

#include <QSaveFile>

#include "platform/cp932.h"

namespace zul {

DebugLog::DebugLog(QObject* parent) : QObject(parent) {
    for (const QByteArray& line : banner()) {
        add(line);
    }
}

QByteArrayList DebugLog::banner() {
    const QByteArray rule(33, '=');
    return {rule, QByteArray("ZUL Version ") + ZUL_VERSION, rule,
            cp932::encode(u"#不具合時はこのデータを添付ください。"), "Debug Information :"};
}

void DebugLog::add(const QByteArray& line) {
    lines_.append(line);
    bytes_ += line.size() + 2;
    Q_EMIT lineAdded(lines_.constLast());
    if (bytes_ > kLimitBytes) {
        lines_.clear();
        bytes_ = 0;
        Q_EMIT cleared();
    }
}

void DebugLog::add(const QString& line) {
    add(cp932::encode(line));
}

bool DebugLog::writeFile(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    for (const QByteArray& line : lines_) {
        file.write(line);
        file.write("\r\n", 2);
    }
    if (!file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

}  // namespace zul
