#pragma once

// The parts of the display window: 400 labels created once on the content area and
// reused, each with a name, a change lock and its look. Parts are loaded from a parts
// definition file, changed by name, listed to operators, hidden, shown and cleared, and
// parts named with a date or time placeholder or "cell(" refresh themselves.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QLabel>
#include <QList>
#include <array>
#include <functional>
#include <optional>

#include "platform/colour.h"

namespace zul {

struct PartRecord;
class Worksheet;

// One part's label: caption, font, colours, transparency and self-sizing.
class PartLabel : public QLabel {
    Q_OBJECT
public:
    explicit PartLabel(QWidget* parent);

    void setCaption(const QByteArray& caption);
    const QByteArray& caption() const { return caption_; }
    void setFontColour(ColorValue colour);
    void setBackColour(ColorValue colour);
    ColorValue fontColour() const { return fontColour_; }
    ColorValue backColour() const { return backColour_; }
    void setTransparent(bool on);
    bool transparent() const { return transparent_; }
    void setAutoSizing(bool on);
    bool autoSizing() const { return autoSize_; }

private:
    void applyPalette();

    QByteArray caption_;
    ColorValue fontColour_ = 0;
    ColorValue backColour_ = 0;
    bool transparent_ = false;
    bool autoSize_ = true;
    bool paletteApplied_ = false;
};

// Where a record stands in a content area of the given extents (the reference frame's
// numbers scaled), and its font size in points, both kept to what a screen can show. nullopt when
// the record cannot be placed (0 in X2, "width" or "height").
struct PartPlacement {
    QRect rect;
    int fontPoints = 0;
};
std::optional<PartPlacement> placePart(const PartRecord& record, int contentWidth,
                                       int contentHeight);

// The text a placeholder part shows at `now`, or nullopt when the name is no date or
// time placeholder.
std::optional<QByteArray> datePlaceholder(const QByteArray& name, const QDateTime& now);

// Column and row of a "cell(" part, each limited to 1..199; nullopt when the name has no
// "cell(".
std::optional<std::pair<int, int>> cellReference(const QByteArray& name);

class PartTable : public QObject {
    Q_OBJECT
public:
    static constexpr int kSlots = 400;

    explicit PartTable(QWidget* contentArea);

    int PartCount() const { return count_; }
    PartLabel* label(int slot) const { return slots_[static_cast<std::size_t>(slot)].label; }
    const QByteArray& name(int slot) const { return slots_[static_cast<std::size_t>(slot)].name; }
    bool locked(int slot) const { return slots_[static_cast<std::size_t>(slot)].locked; }

    // Empties every current slot (names cleared, labels hidden).
    void emptySlots();
    // Empties the slots and counts no parts.
    void reset() {
        emptySlots();
        count_ = 0;
    }
    // Fills slot `slot` from a record (throws ZulError when the record cannot be placed)
    // and makes it the last part in use.
    void applyRecord(int slot, const PartRecord& record);
    void setVisibleAll(bool visible);
    // Disables the labels too (cleared parts).
    void clear();

    // Every current part of the name (ASCII case ignored) gets the caption and, where the
    // field is not a single space, the colours. Returns the number of parts changed.
    int update(const QByteArray& name, const QByteArray& value, const QByteArray& fontColour,
               const QByteArray& backColour);

    // One CmdPartsInfo operand per unlocked part: "%s,%s,%d,%d".
    QByteArrayList list() const;

    // The placeholder refresh.
    void refresh(const QDateTime& now, const Worksheet* sheet);

    // Raises the current parts above the picture and the caption, in slot order.
    void raiseAll();

private:
    struct Slot {
        QByteArray name;
        bool locked = false;
        PartLabel* label = nullptr;
    };

    // Builds the index of the slots by name.
    void indexNames();

    std::array<Slot, kSlots> slots_;
    // Slots by their name folded to ASCII lower case, each list in slot order; empty while
    // it must be built again (a name changed).
    QHash<QByteArray, QList<int>> byName_;
    int count_ = 0;
    QWidget* area_;
};

}  // namespace zul
