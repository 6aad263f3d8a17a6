#include "platform/cp932.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace zul::cp932 {
namespace {

// glibc's "CP932" follows Microsoft's table but rejects a few single bytes that Windows
// maps to private or control code points; those are handled here before iconv sees them.
constexpr char16_t kByte80 = 0x0080;
constexpr char16_t kByteA0 = 0xF8F0;
constexpr std::array<char16_t, 3> kBytesFDtoFF = {0xF8F1, 0xF8F2, 0xF8F3};

// One iconv conversion descriptor per thread and direction, closed at thread end.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t reset() const {
        if (valid()) {
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return cd_;
    }

private:
    iconv_t cd_;
};

const Converter& decoder() {
    thread_local const Converter c("UTF-16LE", "CP932");
    return c;
}

const Converter& encoder() {
    thread_local const Converter c("CP932", "UTF-16LE");
    return c;
}

// Windows' mappings of the single bytes that iconv refuses.
bool specialByteToUnicode(unsigned char b, char16_t* out) {
    if (b == 0x80) {
        *out = kByte80;
        return true;
    }
    if (b == 0xA0) {
        *out = kByteA0;
        return true;
    }
    if (b >= 0xFD) {
        *out = kBytesFDtoFF[b - 0xFD];
        return true;
    }
    return false;
}

bool specialUnicodeToByte(char16_t c, char* out) {
    if (c == kByte80) {
        *out = static_cast<char>(0x80);
        return true;
    }
    if (c == kByteA0) {
        *out = static_cast<char>(0xA0);
        return true;
    }
    for (std::size_t i = 0; i < kBytesFDtoFF.size(); ++i) {
        if (c == kBytesFDtoFF[i]) {
            *out = static_cast<char>(0xFD + i);
            return true;
        }
    }
    return false;
}

// Converts one character of 1 or 2 bytes; returns false when iconv rejects it.
bool decodeChar(const Converter& conv, const char* src, std::size_t len, char16_t* out) {
    if (!conv.valid()) {
        return false;
    }
    iconv_t cd = conv.reset();
    char* in = const_cast<char*>(src);
    std::size_t inLeft = len;
    char buf[8];
    char* o = buf;
    std::size_t outLeft = sizeof buf;
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
        o - buf != 2) {
        return false;
    }
    *out = static_cast<char16_t>(static_cast<unsigned char>(buf[0]) |
                                 (static_cast<unsigned char>(buf[1]) << 8));
    return true;
}

}  // namespace

QString decode(QByteArrayView bytes) {
    QString result;
    result.reserve(bytes.size());
    const Converter& cd = decoder();
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const auto b = static_cast<unsigned char>(p[i]);
        if (b < 0x80) {
            result.append(QChar(b));
            ++i;
            continue;
        }
        char16_t c = 0;
        if (specialByteToUnicode(b, &c)) {
            result.append(QChar(c));
            ++i;
            continue;
        }
        const std::size_t len = (isLeadByte(b) && i + 1 < n) ? 2 : 1;
        if (decodeChar(cd, p + i, len, &c)) {
            result.append(QChar(c));
            i += static_cast<qsizetype>(len);
        } else {
            result.append(QChar(0xFFFD));
            ++i;
        }
    }
    return result;
}

QByteArray encode(QStringView text, int* unmappable) {
    QByteArray result;
    result.reserve(text.size() * 2);
    int bad = 0;
    const Converter& conv = encoder();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            result.append(static_cast<char>(c));
            continue;
        }
        char special = 0;
        if (specialUnicodeToByte(c, &special)) {
            result.append(special);
            continue;
        }
        if (QChar::isSurrogate(c)) {
            // Characters outside the BMP have no code page 932 form.
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                ++i;
            }
            result.append('?');
            ++bad;
            continue;
        }
        char16_t unit = c;
        if (!conv.valid()) {
            result.append('?');
            ++bad;
            continue;
        }
        iconv_t cd = conv.reset();
        char* in = reinterpret_cast<char*>(&unit);
        std::size_t inLeft = 2;
        char buf[4];
        char* o = buf;
        std::size_t outLeft = sizeof buf;
        if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
            result.append('?');
            ++bad;
            continue;
        }
        result.append(buf, o - buf);
    }
    if (unmappable != nullptr) {
        *unmappable = bad;
    }
    return result;
}

QByteArray truncate(QByteArrayView bytes, qsizetype maxBytes) {
    if (bytes.size() <= maxBytes) {
        return bytes.toByteArray();
    }
    qsizetype end = 0;
    while (end < maxBytes) {
        const qsizetype len = charLength(bytes, end);
        if (end + len > maxBytes) {
            break;
        }
        end += len;
    }
    return bytes.first(end).toByteArray();
}

}  // namespace zul::cp932
