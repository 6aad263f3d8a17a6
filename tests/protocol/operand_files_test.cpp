#include "protocol/operand_files.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "test_support.h"

using namespace zul;

// A command's operand becomes a path only when its extension is of the command's kind, in
// any ASCII case; the joining rule stays that of the command.
TEST(OperandFiles, NamesBecomePathsOnlyForTheirKind) {
    const QString base = QStringLiteral("/base");
    using K = OperandFile;
    using R = NameRule;
    const struct {
        K kind;
        R rule;
        const char* utf8;
        const char16_t* path;  // nullptr: refused
    } cases[] = {
        {K::Worksheet, R::AbsoluteOrJoin, "sheet.csv", u"/base/sheet.csv"},
        {K::Worksheet, R::AbsoluteOrJoin, "/data/SHEET.CSV", u"/data/SHEET.CSV"},
        {K::Worksheet, R::AbsoluteOrJoin, "sub\\表.Csv", u"/base/sub/表.Csv"},
        {K::Worksheet, R::AbsoluteOrJoin, "/etc/passwd", nullptr},
        {K::Worksheet, R::AbsoluteOrJoin, "sheet.csv.txt", nullptr},
        {K::Worksheet, R::AbsoluteOrJoin, "dir.csv/passwd", nullptr},
        {K::Worksheet, R::AbsoluteOrJoin, ".csv", nullptr},
        {K::Worksheet, R::AbsoluteOrJoin, "", nullptr},
        {K::PartValues, R::BaseJoin, "/v.RV1", u"/base//v.RV1"},
        {K::TextList, R::BaseJoin, "a.txt", u"/base/a.txt"},
        {K::TextList, R::BaseJoin, "a.rw1", nullptr},
        {K::WebList, R::AbsoluteOrJoin, "a.rw1", u"/base/a.rw1"},
        {K::Settings, R::AbsoluteOrJoin, "s.rd1", u"/base/s.rd1"},
        {K::FileSet, R::AbsoluteOrJoin, "s.rf1", u"/base/s.rf1"},
        {K::Parts, R::AbsoluteOrJoin, "p.rp1", u"/base/p.rp1"},
        {K::Parts, R::AbsoluteOrJoin, "p.rv1", nullptr},
        {K::Picture, R::BaseJoin, "a.JPEG", u"/base/a.JPEG"},
        {K::Picture, R::BaseJoin, "a.wmf", u"/base/a.wmf"},
        {K::Picture, R::BaseJoin, "a.pdf", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        const QByteArray operand = test::sj(c.utf8);
        if (c.path != nullptr) {
            EXPECT_EQ(operandFilePath(c.kind, c.rule, base, operand), QString::fromUtf16(c.path));
        } else {
            EXPECT_THROW(operandFilePath(c.kind, c.rule, base, operand), ZulError);
        }
    }
}

// A NUL would end the name for the system: "/etc/passwd\0.csv" would open /etc/passwd.
TEST(OperandFiles, NamesWithANulAreRefusedAndTheRefusalSaysWhatIsRead) {
    const QByteArray operand("/etc/passwd\0.csv", 16);
    try {
        operandFilePath(OperandFile::Worksheet, NameRule::AbsoluteOrJoin, "/base", operand);
        FAIL() << "not refused";
    } catch (const ZulError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("ワークシート（.csv）")))
            << e.message().toStdString();
    }
}
