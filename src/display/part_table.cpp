#include "display/part_table.h"

#include <QFont>
#include <algorithm>
#include <cmath>

#include "content/parts_files.h"
#include "model/worksheet.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "protocol/screen_bounds.h"

namespace zul {
namespace {

// Placeholder names and the date and time format each shows.
struct Placeholder {
    const char16_t* name;
    const char* format;
};
constexpr Placeholder kPlaceholders[] = {
    {u"【4年】", "yyyy"}, {u"【2年】", "yy"}, {u"【月】", "MM"}, {u"【日】", "dd"},
    {u"【時】", "HH"},    {u"【分】", "mm"},  {u"【秒】", "ss"},
};

bool equalsIgnoringAsciiCase(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

// The name as the lookup by name compares it: ASCII letters in lower case, every other byte
// as it is (also the second bytes of double-byte characters, as the comparison above does).
QByteArray foldedName(QByteArrayView name) {
    QByteArray out(name.data(), name.size());
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// A leading decimal number as atoi reads it; no digits give 0.
qint32 leadingNumber(QByteArrayView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    quint32 v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        v = v * 10u + static_cast<quint32>(text[i] - '0');
        ++i;
    }
    return static_cast<qint32>(negative ? 0u - v : v);
}

int clampCell(std::optional<qint32> v) {
    if (!v) {
        return 1;  // numbers that cannot be read show the first cell
    }
    return std::clamp(*v, 1, 199);
}

}  // namespace

// ---- label --------------------------------------------------------------------------------

PartLabel::PartLabel(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    hide();
}

void PartLabel::setCaption(const QByteArray& caption) {
    caption_ = caption;
    setText(cp932::decode(caption));
    if (autoSize_) {
        adjustSize();
    }
}

// A colour that the label already shows costs no new palette (the same value arrives with
// nearly every update of a part).
void PartLabel::setFontColour(ColorValue colour) {
    if (paletteApplied_ && colour == fontColour_) {
        return;
    }
    fontColour_ = colour;
    applyPalette();
}

void PartLabel::setBackColour(ColorValue colour) {
    if (paletteApplied_ && colour == backColour_) {
        return;
    }
    backColour_ = colour;
    applyPalette();
}

void PartLabel::setTransparent(bool on) {
    transparent_ = on;
    setAutoFillBackground(!on);
    applyPalette();
}

void PartLabel::setAutoSizing(bool on) {
    autoSize_ = on;
    if (on) {
        adjustSize();
    }
}

void PartLabel::applyPalette() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, toQColor(fontColour_));
    p.setColor(QPalette::Window, toQColor(backColour_));
    setPalette(p);
    paletteApplied_ = true;
}

// ---- pure helpers -------------------------------------------------------------------------

std::optional<PartPlacement> placePart(const PartRecord& r, int pw, int ph) {
    if (r.X2 == 0 || r.width == 0 || r.height == 0) {
        return std::nullopt;
    }
    // Any int over any int, times a content extent: bounded to the screen before it
    // becomes an int again (|quotient x extent| stays far inside 64 bits).
    auto scaled = [](qint64 value, qint64 frame, qint64 extent, ScreenValue kind) {
        return clampToScreen(
            kind, static_cast<qint64>(std::trunc(static_cast<double>(value) / frame * extent)));
    };
    PartPlacement p;
    const int left = scaled(r.Y1, r.height, pw, ScreenValue::Position);
    const int top = scaled(r.X1, r.width, ph, ScreenValue::Position);
    const int width = scaled(r.Y2, r.height, pw, ScreenValue::Extent);
    const int height = scaled(r.X2, r.width, ph, ScreenValue::Extent);
    p.rect = QRect(left, top, width, height);
    p.fontPoints = clampToScreen(
        ScreenValue::FontSize,
        static_cast<qint64>(std::trunc(static_cast<double>(r.FSize) * height / r.X2)));
    return p;
}

std::optional<QByteArray> datePlaceholder(const QByteArray& name, const QDateTime& now) {
    for (const Placeholder& p : kPlaceholders) {
        if (equalsIgnoringAsciiCase(name, cp932::encode(QStringView(p.name)))) {
            return now.toString(QString::fromLatin1(p.format)).toLatin1();
        }
    }
    return std::nullopt;
}

std::optional<std::pair<int, int>> cellReference(const QByteArray& name) {
    if (!name.contains("cell(")) {
        return std::nullopt;
    }
    // Only the first 99 bytes are examined; the numbers follow the first "(".
    const QByteArray head = name.left(99);
    const qsizetype open = head.indexOf('(');
    QByteArrayView rest = QByteArrayView(head).sliced(open + 1);
    auto readNumber = [&rest]() -> std::optional<qint32> {
        qsizetype i = 0;
        while (i < rest.size() && rest[i] == ' ') {
            ++i;
        }
        const qsizetype start = i;
        if (i < rest.size() && (rest[i] == '-' || rest[i] == '+')) {
            ++i;
        }
        while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') {
            ++i;
        }
        if (i == start || (i == start + 1 && (rest[start] == '-' || rest[start] == '+'))) {
            return std::nullopt;
        }
        const qint32 v = leadingNumber(rest.first(i));
        rest = rest.sliced(i);
        return v;
    };
    const auto column = readNumber();
    std::optional<qint32> row;
    if (column && !rest.isEmpty()) {
        rest = rest.sliced(1);  // the one separating character
        row = readNumber();
    }
    return std::make_pair(clampCell(column), clampCell(row));
}

// ---- table --------------------------------------------------------------------------------

PartTable::PartTable(QWidget* contentArea) : QObject(contentArea), area_(contentArea) {
    for (Slot& s : slots_) {
        s.label = new PartLabel(contentArea);
    }
}

void PartTable::emptySlots() {
    for (int i = count_ - 1; i >= 0; --i) {
        Slot& s = slots_[static_cast<std::size_t>(i)];
        s.name.clear();
        s.label->hide();
    }
    byName_.clear();
}

void PartTable::applyRecord(int slot, const PartRecord& r) {
    const int pw = area_->width() - area_->x();
    const int ph = area_->height() - area_->y();
    const std::optional<PartPlacement> place = placePart(r, pw, ph);
    if (!place) {
        throw ZulError(QStringLiteral("部品 %1 の位置を計算できません（X2・width・height が 0）。")
                           .arg(cp932::decode(r.PName)));
    }
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    PartLabel* l = s.label;
    s.name = r.PName;
    byName_.clear();
    l->setEnabled(true);  // cleared slots come back usable at the next load
    l->setAutoSizing(false);
    l->setCaption(r.Value);
    l->setGeometry(place->rect);
    QFont font(cp932::decode(r.FName));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(place->fontPoints * 96.0 / 72.0))));
    l->setFont(font);
    l->setFontColour(r.FColor);
    l->setBackColour(r.BColor);
    s.locked = r.change_lock;
    l->setTransparent(r.Through);
    l->setAutoSizing(r.AutoSize);
    count_ = slot + 1;
}

void PartTable::setVisibleAll(bool visible) {
    for (int i = 0; i < count_; ++i) {
        slots_[static_cast<std::size_t>(i)].label->setVisible(visible);
    }
}

void PartTable::clear() {
    for (int i = count_ - 1; i >= 0; --i) {
        Slot& s = slots_[static_cast<std::size_t>(i)];
        s.name.clear();
        s.label->hide();
        s.label->setEnabled(false);
    }
    count_ = 0;
    byName_.clear();
}

int PartTable::update(const QByteArray& name, const QByteArray& value, const QByteArray& fontColour,
                      const QByteArray& backColour) {
    if (byName_.isEmpty()) {
        indexNames();
    }
    const auto found = byName_.constFind(foldedName(name));
    if (found == byName_.cend()) {
        return 0;
    }
    int changed = 0;
    for (const int i : found.value()) {
        if (i >= count_) {
            break;
        }
        Slot& s = slots_[static_cast<std::size_t>(i)];
        s.label->setCaption(value);
        if (fontColour != " ") {
            s.label->setFontColour(leadingNumber(fontColour));
        }
        if (backColour != " ") {
            s.label->setBackColour(leadingNumber(backColour));
        }
        ++changed;
    }
    return changed;
}

void PartTable::indexNames() {
    for (int i = 0; i < kSlots; ++i) {
        const QByteArray& name = slots_[static_cast<std::size_t>(i)].name;
        if (!name.isEmpty()) {
            byName_[foldedName(name)].append(i);  // in slot order
        }
    }
    if (byName_.isEmpty()) {
        byName_.insert(QByteArray(), {});  // indexed, without a name to find
    }
}

QByteArrayList PartTable::list() const {
    QByteArrayList out;
    for (int i = 0; i < count_; ++i) {
        const Slot& s = slots_[static_cast<std::size_t>(i)];
        if (s.locked) {
            continue;
        }
        out << s.name + ',' + s.label->caption() + ',' + QByteArray::number(s.label->fontColour()) +
                   ',' + QByteArray::number(s.label->backColour());
    }
    return out;
}

void PartTable::refresh(const QDateTime& now, const Worksheet* sheet) {
    for (int i = 0; i < count_; ++i) {
        Slot& s = slots_[static_cast<std::size_t>(i)];
        if (const auto text = datePlaceholder(s.name, now)) {
            s.label->setCaption(*text);
        } else if (const auto cell = cellReference(s.name); cell && sheet != nullptr) {
            s.label->setCaption(sheet->cell(cell->first, cell->second));
        }
    }
}

void PartTable::raiseAll() {
    for (int i = 0; i < count_; ++i) {
        slots_[static_cast<std::size_t>(i)].label->raise();
    }
}

}  // namespace zul
