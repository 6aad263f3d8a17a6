#include "model/debug_log.h"

#include "platform/cp932.h"
#include "platform/file_write.h"

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
    QByteArray out;
    for (const QByteArray& line : lines_) {
        out.append(line).append("\r\n", 2);
    }
    return replaceFile(path, out, error);
}

}  // namespace zul
