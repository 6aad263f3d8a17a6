#include "platform/comma_text.h"

namespace zul {
namespace {

constexpr char kComma = ',';
constexpr char kQuote = '"';

// Bytes 0x01 to 0x20: the blanks and control characters that separate fields.
bool isBlank(unsigned char b) {
    return b >= 0x01 && b <= 0x20;
}

bool needsQuotes(QByteArrayView cell) {
    for (const char c : cell) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || c == kQuote || c == kComma) {
            return true;
        }
    }
    return false;
}

QByteArray quoted(QByteArrayView cell) {
    QByteArray out;
    out.reserve(cell.size() + 2);
    out += kQuote;
    for (const char c : cell) {
        out += c;
        if (c == kQuote) {
            out += kQuote;
        }
    }
    out += kQuote;
    return out;
}

// Walks a comma text. The text ends at its end or at its first NUL byte.
class CommaTextReader {
public:
    explicit CommaTextReader(QByteArrayView text) : text_(text.first(endOf(text))) {}

    QByteArrayList fields(int maxFields) {
        QByteArrayList out;
        skipBlanks();
        while (!atEnd()) {
            add(out, maxFields, peek() == kQuote ? quotedField() : plainField());
            skipBlanks();
            if (peek() == kComma) {
                // A comma that ends the text opens one more, empty field; a comma followed
                // by blanks or a line end does not.
                if (pos_ + 1 == text_.size()) {
                    add(out, maxFields, {});
                }
                ++pos_;
                skipBlanks();
            }
        }
        return out;
    }

private:
    static qsizetype endOf(QByteArrayView text) {
        const qsizetype nul = text.indexOf('\0');
        return nul < 0 ? text.size() : nul;
    }

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }

    void skipBlanks() {
        while (!atEnd() && isBlank(static_cast<unsigned char>(text_[pos_]))) {
            ++pos_;
        }
    }

    // From the opening quote to the matching closing one; "" inside stands for one quote.
    QByteArray quotedField() {
        QByteArray out;
        ++pos_;
        while (!atEnd()) {
            const char c = text_[pos_++];
            if (c != kQuote) {
                out += c;
            } else if (peek() == kQuote) {
                out += kQuote;
                ++pos_;
            } else {
                return out;
            }
        }
        // No closing quote: the field is the rest of the text, but a line end there
        // separates rather than belongs to it.
        while (!out.isEmpty() && (out.back() == '\n' || out.back() == '\r')) {
            out.chop(1);
        }
        return out;
    }

    QByteArray plainField() {
        const qsizetype start = pos_;
        while (!atEnd() && !isBlank(static_cast<unsigned char>(text_[pos_])) &&
               text_[pos_] != kComma) {
            ++pos_;
        }
        return text_.sliced(start, pos_ - start).toByteArray();
    }

    // An empty field takes a single space, so that it occupies its place.
    static void add(QByteArrayList& out, int maxFields, QByteArray field) {
        if (out.size() < maxFields) {
            out.append(field.isEmpty() ? QByteArray(" ") : std::move(field));
        }
    }

    QByteArrayView text_;
    qsizetype pos_ = 0;
};

}  // namespace

QByteArray toCommaText(const QByteArrayList& cells) {
    if (cells.size() == 1 && cells.front().isEmpty()) {
        return QByteArray(2, kQuote);
    }
    QByteArray out;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) {
            out += kComma;
        }
        out += needsQuotes(cells[i]) ? quoted(cells[i]) : cells[i];
    }
    return out;
}

QByteArrayList fromCommaText(QByteArrayView text, int maxFields) {
    return CommaTextReader(text).fields(maxFields);
}

}  // namespace zul
