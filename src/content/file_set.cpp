#include "content/file_set.h"

#include <QDir>
#include <array>
#include <utility>

#include "platform/file_extension.h"
#include "platform/profile_file.h"

namespace zul {
namespace {

constexpr QByteArrayView kSection = "FileSet";

using Field = QByteArray FileSet::*;

// The keys in the order in which they are written.
constexpr std::array<std::pair<QByteArrayView, Field>, 7> kKeys = {{
    {"BackGround", &FileSet::BackGround},
    {"TextFile", &FileSet::TextFile},
    {"SettingFile", &FileSet::SettingFile},
    {"FlowParts", &FileSet::FlowParts},
    {"PartsValue", &FileSet::PartsValue},
    {"IPtalkFile", &FileSet::IPtalkFile},
    {"CSVFile", &FileSet::CSVFile},
}};

bool fail(QString* error, const QString& reason) {
    if (error != nullptr) {
        *error = reason;
    }
    return false;
}

}  // namespace

QString withExtension(const QString& path, QStringView extension) {
    return replaceExtension(path, QString(QLatin1Char('.')).append(extension));
}

FileSet readFileSet(const QString& path) {
    const ProfileFile profile = ProfileFile::read(path);
    FileSet set;
    for (const auto& [key, field] : kKeys) {
        set.*field = profile.getString(kSection, key, QByteArrayView(""));
    }
    return set;
}

bool writeFileSet(const QString& path, const FileSet& set, QString* error) {
    const QString target = withExtension(path, u"rf1");
    // A fresh profile rather than the old file: only the seven keys are kept, in their order.
    ProfileFile profile;
    for (const auto& [key, field] : kKeys) {
        if (!profile.writeString(kSection, key, QByteArrayView(set.*field))) {
            return fail(error,
                        QStringLiteral("Cannot save %1: the value of %2 holds a line "
                                       "break or a NUL byte")
                            .arg(QDir::toNativeSeparators(target), QString::fromLatin1(key)));
        }
    }
    return profile.save(target, error);
}

}  // namespace zul
