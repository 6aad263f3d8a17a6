#include "protocol/operand_files.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <initializer_list>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/paths.h"

namespace zul {
namespace {

struct KindInfo {
    OperandFile kind;
    const char16_t* name;
    std::initializer_list<const char*> extensions;  // with their dots, in lower case
};

const std::array<KindInfo, 8> kKinds = {{
    {OperandFile::Settings, u"設定ファイル", {".rd1"}},
    {OperandFile::FileSet, u"ファイルセット", {".rf1"}},
    {OperandFile::Parts, u"部品定義ファイル", {".rp1"}},
    {OperandFile::PartValues, u"部品の値ファイル", {".rv1"}},
    {OperandFile::WebList, u"Web更新リスト", {".rw1"}},
    {OperandFile::TextList, u"文字更新リスト", {".txt"}},
    {OperandFile::Worksheet, u"ワークシート", {".csv"}},
    {OperandFile::Picture, u"画像", {".bmp", ".jpg", ".jpeg", ".ico", ".emf", ".wmf"}},
}};

const KindInfo& infoOf(OperandFile kind) {
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind) {
            return info;
        }
    }
    return kKinds.front();
}

// The extension with its dot, A-Z folded to lower case only: a wider folding would accept
// names that the file system takes as different ones.
QString asciiLowerExtension(QStringView name) {
    const qsizetype partStart =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\'))) + 1;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= partStart) {
        return {};
    }
    QString out = name.sliced(dot).toString();
    for (QChar& c : out) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return out;
}

}  // namespace

bool hasOperandFileExtension(OperandFile kind, QStringView name) {
    const QString extension = asciiLowerExtension(name);
    if (extension.isEmpty()) {
        return false;
    }
    for (const char* known : infoOf(kind).extensions) {
        if (extension == QLatin1String(known)) {
            return true;
        }
    }
    return false;
}

QString operandFileDescription(OperandFile kind) {
    const KindInfo& info = infoOf(kind);
    QStringList extensions;
    for (const char* e : info.extensions) {
        extensions << QLatin1String(e);
    }
    return QString::fromUtf16(info.name) + u'（' + extensions.join(u' ') + u'）';
}

QString operandFilePath(OperandFile kind, NameRule rule, const QString& baseDir,
                        QByteArrayView operand) {
    const QString name = cp932::decode(operand);
    if (name.contains(QChar(u'\0')) || !hasOperandFileExtension(kind, name)) {
        QString shown = name;
        shown.replace(QChar(u'\0'), QChar::ReplacementCharacter);
        throw ZulError(
            QStringLiteral("「%1」は読み込みません。このコマンドで読めるのは%2だけです。")
                .arg(shown, operandFileDescription(kind)));
    }
    return rule == NameRule::AbsoluteOrJoin ? resolveName(baseDir, name)
                                            : joinBaseDir(baseDir, name);
}

}  // namespace zul
