#include "protocol/operand_scan.h"

namespace zul {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

std::optional<qint32> OperandScanner::number() {
    if (failed_) {
        return std::nullopt;
    }
    qsizetype i = pos_;
    while (i < text_.size() && isBlank(text_[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) {
        negative = text_[i] == '-';
        ++i;
    }
    const qsizetype digits = i;
    quint32 value = 0;
    while (i < text_.size() && text_[i] >= '0' && text_[i] <= '9') {
        value = value * 10u + static_cast<quint32>(text_[i] - '0');
        ++i;
    }
    if (i == digits) {
        failed_ = true;
        return std::nullopt;
    }
    pos_ = i;
    return static_cast<qint32>(negative ? 0u - value : value);
}

bool OperandScanner::skipOne() {
    if (failed_ || pos_ >= text_.size()) {
        failed_ = true;
        return false;
    }
    ++pos_;
    return true;
}

std::optional<QByteArray> OperandScanner::until(QByteArrayView stops) {
    if (failed_) {
        return std::nullopt;
    }
    qsizetype i = pos_;
    while (i < text_.size() && !stops.contains(text_[i])) {
        ++i;
    }
    if (i == pos_) {
        failed_ = true;
        return std::nullopt;
    }
    QByteArray out = text_.sliced(pos_, i - pos_).toByteArray();
    pos_ = i;
    return out;
}

std::optional<QByteArray> OperandScanner::word() {
    if (failed_) {
        return std::nullopt;
    }
    qsizetype i = pos_;
    while (i < text_.size() && isBlank(text_[i])) {
        ++i;
    }
    const qsizetype start = i;
    while (i < text_.size() && !isBlank(text_[i])) {
        ++i;
    }
    if (i == start) {
        failed_ = true;
        return std::nullopt;
    }
    pos_ = i;
    return text_.sliced(start, i - start).toByteArray();
}

std::optional<qint32> firstNumber(QByteArrayView operand) {
    return OperandScanner(operand).number();
}

}  // namespace zul
