#pragma once

// Reading operands the way the C library's scanf reads them: "%d" and "%ld" skip blanks
// and take an optional sign and decimal digits, "%*c" skips exactly one byte, "%[^...]"
// takes bytes up to a stop byte, "%s" takes a run of non-blank bytes. A conversion that
// fails ends the reading; the caller keeps its previous values for the rest.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace zul {

class OperandScanner {
public:
    explicit OperandScanner(QByteArrayView text) : text_(text) {}

    // "%d" / "%ld": nullopt (and the scanner stops) when no digits follow. Values beyond
    // 32 bits wrap as the 32-bit conversion does.
    std::optional<qint32> number();
    // "%*c": one byte, whatever it is; false at the end.
    bool skipOne();
    // "%[^stops]": at least one byte up to a stop byte or the end.
    std::optional<QByteArray> until(QByteArrayView stops);
    // "%s": blanks skipped, then a run of non-blank bytes.
    std::optional<QByteArray> word();

    bool failed() const { return failed_; }
    QByteArrayView rest() const { return text_.sliced(pos_); }

private:
    QByteArrayView text_;
    qsizetype pos_ = 0;
    bool failed_ = false;
};

// The first number of an operand ("%d"), or nullopt.
std::optional<qint32> firstNumber(QByteArrayView operand);

}  // namespace zul
