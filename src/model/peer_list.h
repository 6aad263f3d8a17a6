#pragma once

// The peers found by discovery: entries "[S]host", "[C]host" or "[W]host", kept sorted as
// the list boxes that show them keep them. There is no duplicate check: every discovery
// request empties the list and the answers fill it again, up to kMaxEntries.

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

    // Answers beyond this many are not listed (one datagram each could add one, without
    // end, and every list box shows the whole list anew for each).
    static constexpr qsizetype kMaxEntries = 1000;

    // False, and nothing listed, when the list is full.
    bool add(const QString& entry) {
        if (entries_.size() >= kMaxEntries) {
            return false;
        }
        const auto pos = std::lower_bound(entries_.begin(), entries_.end(), entry,
                                          [](const QString& a, const QString& b) {
                                              return a.compare(b, Qt::CaseInsensitive) < 0;
                                          });
        entries_.insert(pos, entry);
        Q_EMIT changed();
        return true;
    }

Q_SIGNALS:
    void changed();

private:
    QStringList entries_;
};

}  // namespace zul
