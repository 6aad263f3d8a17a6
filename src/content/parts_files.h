#pragma once

// Parts definition files (".rp1") and parts value files (".rv1"): profile files with a
// section "List" whose key "RecordCount" gives the number N of records, and one section
// "Parts-1" to "Parts-N" per record. Each reader has its own defaults for missing keys; a
// key that is present but empty reads as the empty text, and a number that is not a whole
// number (decimal, or hexadecimal after "0x" or "$") takes the reader's default.

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <array>
#include <vector>

#include "platform/colour.h"
#include "platform/profile_file.h"

namespace zul {

// The display machine holds at most this many parts.
inline constexpr int kMaxParts = 400;

// Magnitude to which the display machine limits every number of a record's placement and
// font size before it computes with them: far beyond any reference frame, but small enough
// that no product of them overflows.
inline constexpr int kMaxRecordNumber = 1'000'000;

// Records that the editor and console readers take at most. The files hold a few hundred
// parts; the bound keeps a damaged count from filling memory with empty rows.
inline constexpr int kMaxListedRecords = 10000;

// The keys of a parts definition record in the order they are written; the parts editor's
// rows hold the cells in this order.
inline constexpr int kPartsKeyCount = 14;
extern const std::array<const char*, kPartsKeyCount> kPartsKeys;

// The keys of a parts value record in the order they are written.
inline constexpr int kValueKeyCount = 4;
extern const std::array<const char*, kValueKeyCount> kValueKeys;

// "ＭＳゴシック" in code page 932.
inline constexpr char kDefaultPartFont[] = "\x82\x6c\x82\x72\x83\x53\x83\x56\x83\x62\x83\x4e";

// A record of a parts definition file as the display machine reads it. The names follow
// the keys, whose meaning is swapped: X1 is the top and Y1 the left edge, X2 the height and
// Y2 the width of the part, all in a reference frame whose vertical extent is `width` and
// horizontal extent `height`.
// The defaults are those of a section without keys.
struct PartRecord {
    QByteArray PName{" "};
    QByteArray Value{" "};
    int X1 = 0;
    int Y1 = 0;
    int X2 = 10;
    int Y2 = 10;
    int width = 768;
    int height = 1024;
    QByteArray FName{kDefaultPartFont};
    ColorValue FColor = 1665570;
    int FSize = 10;
    ColorValue BColor = 0;
    bool Through = true;
    bool AutoSize = true;
    bool change_lock = false;

    friend bool operator==(const PartRecord&, const PartRecord&) = default;
};

// A parts definition file opened for the display machine, which builds its parts one
// record at a time and lets events run in between. A missing file has no records; one that
// exists but is not read (see ProfileFile::read) throws ZulError.
class PartsFileReader {
public:
    explicit PartsFileReader(const QString& path);

    // "RecordCount" (default 0), limited to 0..kMaxParts.
    int count() const { return count_; }
    // Whether the section of record `number` is in the file: the records of a file are the
    // sections 1..count() that it holds, whatever the count says.
    bool hasRecord(int number) const;
    // Record `number`, counted from 1 as the sections are; its numbers are limited to
    // +-kMaxRecordNumber.
    PartRecord record(int number) const;

private:
    ProfileFile file_;
    int count_ = 0;
};

// All records of the file as the display machine reads them: those of sections 1..count()
// that the file holds.
std::vector<PartRecord> readPartsForDisplay(const QString& path);

// The parts editor's view of a definition file: per record the 14 keys as text (in the
// order of kPartsKeys), empty when missing. "RecordCount" defaults to 1, so a missing file
// gives one empty row; at most kMaxListedRecords rows.
std::vector<QByteArrayList> readPartsForEditor(const QString& path);

// Writes the rows (cells in the order of kPartsKeys; missing cells written empty) as a new
// definition file at `path` with its extension replaced by ".rp1". The file is replaced in
// one step, so it holds only these records and a failed save leaves the old file whole.
// Returns false with the reason in `error`; `writtenPath` receives the file name used.
bool writePartsFile(const QString& path, const std::vector<QByteArrayList>& rows,
                    QString* error = nullptr, QString* writtenPath = nullptr);

// The CmdPartUpdate operands "PName,Value,FColor,BColor" of a value file as the display
// machine applies them: "RecordCount" defaults to 0; of the sections 1..RecordCount those
// that the file holds, at most kMaxParts of them (one per part there can be), so that a
// damaged count cannot run thousands of updates of every part. PName and Value default to
// " ", FColor to 16777215 and BColor to 0, so a record without colours turns its parts white
// on black. A missing file has no records; one that exists but is not read
// throws ZulError.
QByteArrayList readPartValueOperands(const QString& path);

// The console's view of a value file: per record PName, Value, FColor and BColor as text,
// empty when missing. "RecordCount" defaults to 1; at most kMaxListedRecords rows.
std::vector<QByteArrayList> readPartValuesForConsole(const QString& path);

// Writes the rows (PName, Value, FColor, BColor) as a new value file at `path` with its
// extension replaced by ".rv1", under the same rules as writePartsFile.
bool writePartValuesFile(const QString& path, const std::vector<QByteArrayList>& rows,
                         QString* error = nullptr, QString* writtenPath = nullptr);

}  // namespace zul
