#include "content/parts_files.h"

#include <QDir>
#include <algorithm>
#include <optional>
#include <span>

#include "platform/file_extension.h"
#include "platform/number_text.h"

namespace zul {

const std::array<const char*, kPartsKeyCount> kPartsKeys = {
    "ID",    "PName",  "Value", "X1",     "Y1",      "X2",       "Y2",
    "FName", "FColor", "FSize", "BColor", "Through", "AutoSize", "change_lock",
};

const std::array<const char*, kValueKeyCount> kValueKeys = {"PName", "Value", "FColor", "BColor"};

namespace {

constexpr char kListSection[] = "List";
constexpr char kCountKey[] = "RecordCount";
// "はい" in code page 932.
constexpr char kYes[] = "\x82\xcd\x82\xa2";

QByteArray sectionName(int number) {
    return "Parts-" + QByteArray::number(number);
}

// Only A-Z fold: Qt's case-insensitive comparison also folds Latin-1 letters, which in code
// page 932 text are half-width kana and the second bytes of double-byte characters.
bool asciiEqualsIgnoringCase(QByteArrayView a, QByteArrayView b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// Typed reads of one record: the default applies to a missing key; a present key gives its
// text, read as a number or a yes/no where the reader wants one.
class RecordReader {
public:
    RecordReader(const ProfileFile& file, QByteArrayView section)
        : file_(file), section_(section) {}

    QByteArray text(const char* key, QByteArrayView def = {}) const {
        return file_.value(section_, key).value_or(def.toByteArray());
    }

    int number(const char* key, int def) const {
        const std::optional<QByteArray> v = file_.value(section_, key);
        return v ? parseInteger(*v).value_or(def) : def;
    }

    // A number of the placement, limited to +-kMaxRecordNumber before any arithmetic.
    int placement(const char* key, int def) const {
        return std::clamp(number(key, def), -kMaxRecordNumber, kMaxRecordNumber);
    }

    // Yes only for "はい" (ASCII case ignored); any other present text, empty included, is no.
    bool yes(const char* key, bool def) const {
        const std::optional<QByteArray> v = file_.value(section_, key);
        return v ? asciiEqualsIgnoringCase(*v, kYes) : def;
    }

    QByteArrayList texts(std::span<const char* const> keys) const {
        QByteArrayList out;
        out.reserve(static_cast<qsizetype>(keys.size()));
        for (const char* key : keys) {
            out.append(text(key));
        }
        return out;
    }

private:
    const ProfileFile& file_;
    QByteArrayView section_;
};

int recordCount(const ProfileFile& file, int def, int max) {
    return std::clamp(RecordReader(file, kListSection).number(kCountKey, def), 0, max);
}

std::vector<QByteArrayList> readTextRecords(const QString& path,
                                            std::span<const char* const> keys) {
    const ProfileFile file = ProfileFile::load(path);
    const int count = recordCount(file, 1, kMaxListedRecords);
    std::vector<QByteArrayList> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int number = 1; number <= count; ++number) {
        const QByteArray section = sectionName(number);
        rows.push_back(RecordReader(file, section).texts(keys));
    }
    return rows;
}

// A new file of the rows, replacing any old one in one step, so that records of an older,
// longer file never survive and a failed save leaves it whole. Each section is written
// through a profile file of its own and the sections are joined: a section written at the
// end of a file lands exactly there, and the cost stays linear in the number of records.
bool writeTextRecords(const QString& path, QStringView extension, std::span<const char* const> keys,
                      const std::vector<QByteArrayList>& rows, QString* error,
                      QString* writtenPath) {
    const QString target = replaceExtension(path, extension);
    if (writtenPath != nullptr) {
        *writtenPath = target;
    }
    const auto refuse = [&](QByteArrayView section, const char* key) {
        if (error != nullptr) {
            *error = QStringLiteral(
                         "Cannot save %1: the value of %2 in [%3] holds a line break "
                         "or another byte that a profile file cannot hold")
                         .arg(QDir::toNativeSeparators(target), QLatin1String(key),
                              QLatin1String(section));
        }
        return false;
    };

    ProfileFile list;
    list.writeString(kListSection, kCountKey, QByteArray::number(qsizetype(rows.size())));
    QByteArray bytes = list.bytes();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QByteArray section = sectionName(static_cast<int>(i + 1));
        const QByteArrayList& row = rows[i];
        ProfileFile record;
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const auto column = static_cast<qsizetype>(k);
            const QByteArray value = column < row.size() ? row[column] : QByteArray();
            if (!record.writeString(section, keys[k], value)) {
                return refuse(section, keys[k]);
            }
        }
        bytes += record.bytes();
    }
    return ProfileFile::fromBytes(bytes).save(target, error);
}

}  // namespace

PartsFileReader::PartsFileReader(const QString& path)
    : file_(ProfileFile::read(path)), count_(recordCount(file_, 0, kMaxParts)) {}

PartRecord PartsFileReader::record(int number) const {
    const QByteArray section = sectionName(number);
    const RecordReader r(file_, section);
    const PartRecord d;
    PartRecord p;
    p.PName = r.text("PName", d.PName);
    p.Value = r.text("Value", d.Value);
    p.X1 = r.placement("X1", d.X1);
    p.Y1 = r.placement("Y1", d.Y1);
    p.X2 = r.placement("X2", d.X2);
    p.Y2 = r.placement("Y2", d.Y2);
    p.width = r.placement("width", d.width);
    p.height = r.placement("height", d.height);
    p.FName = r.text("FName", d.FName);
    p.FColor = r.number("FColor", d.FColor);
    p.FSize = r.placement("FSize", d.FSize);
    p.BColor = r.number("BColor", d.BColor);
    p.Through = r.yes("Through", d.Through);
    p.AutoSize = r.yes("AutoSize", d.AutoSize);
    p.change_lock = r.yes("change_lock", d.change_lock);
    return p;
}

bool PartsFileReader::hasRecord(int number) const {
    return file_.hasSection(sectionName(number));
}

std::vector<PartRecord> readPartsForDisplay(const QString& path) {
    const PartsFileReader reader(path);
    std::vector<PartRecord> parts;
    parts.reserve(static_cast<std::size_t>(reader.count()));
    for (int number = 1; number <= reader.count(); ++number) {
        if (reader.hasRecord(number)) {
            parts.push_back(reader.record(number));
        }
    }
    return parts;
}

std::vector<QByteArrayList> readPartsForEditor(const QString& path) {
    return readTextRecords(path, kPartsKeys);
}

bool writePartsFile(const QString& path, const std::vector<QByteArrayList>& rows, QString* error,
                    QString* writtenPath) {
    return writeTextRecords(path, u".rp1", kPartsKeys, rows, error, writtenPath);
}

QByteArrayList readPartValueOperands(const QString& path) {
    const ProfileFile file = ProfileFile::read(path);
    const int count = recordCount(file, 0, kMaxListedRecords);
    QByteArrayList operands;
    for (int number = 1; number <= count && operands.size() < kMaxParts; ++number) {
        const QByteArray section = sectionName(number);
        if (!file.hasSection(section)) {
            continue;
        }
        const RecordReader r(file, section);
        operands.append(r.text("PName", " ") + ',' + r.text("Value", " ") + ',' +
                        QByteArray::number(r.number("FColor", kColorWhite)) + ',' +
                        QByteArray::number(r.number("BColor", kColorBlack)));
    }
    return operands;
}

std::vector<QByteArrayList> readPartValuesForConsole(const QString& path) {
    return readTextRecords(path, kValueKeys);
}

bool writePartValuesFile(const QString& path, const std::vector<QByteArrayList>& rows,
                         QString* error, QString* writtenPath) {
    return writeTextRecords(path, u".rv1", kValueKeys, rows, error, writtenPath);
}

}  // namespace zul
