#pragma once

// The peers found by discovery: entries "[S]host", "[C]host" or "[W]host", kept sorted as
// the list boxes that show them keep them. There is no duplicate check: every discovery
// request empties the list and the answers fill it again, up to kMaxEntries.

#include <QObject>
#include <QStringList>
#include <optional>

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

// The host name of a display machine's entry ("[S]host", the letter in either case; only
// the entry's first 49 characters count); nothing for the entries of other roles.
inline std::optional<QString> displayHostOf(const QString& entry) {
    const QString text = entry.left(49);
    if (!text.startsWith(QLatin1String("[S]"), Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    return text.mid(3);
}

}  // namespace zul
