#pragma once

// The peers found by discovery: entries "[S]host", "[C]host" or "[W]host", kept sorted as
// the list boxes that show them keep them. There is no duplicate check: every discovery
// request empties the list and the answers fill it again.

#include <QObject>
#include <QStringList>

namespace zul {

class PeerList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QStringList& entries() const { return entries_; }

    void clear() {
        entries_.clear();
        Q_EMIT changed();
    }

    void add(const QString& entry) {
        const auto pos = std::lower_bound(entries_.begin(), entries_.end(), entry,
                                          [](const QString& a, const QString& b) {
                                              return a.compare(b, Qt::CaseInsensitive) < 0;
                                          });
        entries_.insert(pos, entry);
        Q_EMIT changed();
    }

Q_SIGNALS:
    void changed();

private:
    QStringList entries_;
};

}  // namespace zul
