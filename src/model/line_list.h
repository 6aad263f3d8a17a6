#pragma once

// A list of text lines kept as code page 932 bytes, shown by a list box of the hub form:
// the text update list and the web update list.

#include <QByteArrayList>
#include <QObject>

namespace zul {

class LineList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QByteArrayList& lines() const { return lines_; }
    qsizetype size() const { return lines_.size(); }
    bool isEmpty() const { return lines_.isEmpty(); }
    const QByteArray& at(qsizetype i) const { return lines_.at(i); }

    void setLines(QByteArrayList lines) {
        lines_ = std::move(lines);
        Q_EMIT changed();
    }
    void append(const QByteArray& line) {
        lines_.append(line);
        Q_EMIT changed();
    }
    void clear() {
        lines_.clear();
        Q_EMIT changed();
    }

Q_SIGNALS:
    void changed();

private:
    QByteArrayList lines_;
};

}  // namespace zul
