#pragma once

// The program's in-memory log. Lines are code page 932 bytes; the whole text (every line
// plus its CR LF) may hold up to 63000 bytes, beyond which the log is emptied completely
// and goes on from nothing. At exit the lines are written to the log file.

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QString>

namespace zul {

class DebugLog : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kLimitBytes = 63000;
    static constexpr const char* kFileName = "zul_dbg.log";

    explicit DebugLog(QObject* parent = nullptr);

    void add(const QByteArray& line);
    void add(const QString& line);

    const QByteArrayList& lines() const { return lines_; }
    // Size of the whole text: each line with its CR LF.
    qsizetype textBytes() const { return bytes_; }

    // Writes every line with CR LF, replacing the file atomically. Returns false on failure.
    bool writeFile(const QString& path, QString* error = nullptr) const;

    // The five-line banner the log starts with.
    static QByteArrayList banner();

Q_SIGNALS:
    void lineAdded(const QByteArray& line);
    void cleared();

private:
    QByteArrayList lines_;
    qsizetype bytes_ = 0;
};

}  // namespace zul
