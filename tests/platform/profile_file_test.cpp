#include "platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

#include "platform/cp932.h"
#include "test_support.h"

using zul::ProfileFile;
using zul::test::fromHex;
using zul::test::readAll;
using zul::test::sj;
using zul::test::writeAll;

namespace {

using Arg = std::optional<QByteArray>;

// A literal with its embedded NULs.
template <std::size_t N>
QByteArray raw(const char (&s)[N]) {
    return QByteArray(s, static_cast<qsizetype>(N - 1));
}

std::string hex(QByteArrayView bytes) {
    return bytes.toByteArray().toHex(' ').toStdString();
}

std::optional<QByteArrayView> view(const Arg& a) {
    return a ? std::optional<QByteArrayView>(*a) : std::nullopt;
}

QByteArray utf16(const char* utf8, bool bigEndian = false) {
    QByteArray out;
    for (const QChar c : QString::fromUtf8(utf8)) {
        const char lo = static_cast<char>(c.unicode() & 0xFF);
        const char hi = static_cast<char>(c.unicode() >> 8);
        out.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Oracle records (tests/fixtures/ini-oracle): golden answers of the Windows profile
// functions as Wine gives them. Records marked with a caveat are Wine-only behaviour; where
// the Windows behaviour is known they are checked against it, otherwise skipped.

QString oracleDir() {
    return zul::test::fixture(QStringLiteral("ini-oracle"));
}

QJsonObject oracle(const char* name) {
    return QJsonDocument::fromJson(readAll(oracleDir() + QLatin1Char('/') + QLatin1String(name)))
        .object();
}

// A probe argument: JSON null is a NULL pointer.
Arg argument(const QJsonObject& record, const char* field) {
    const QJsonValue v = record.value(QLatin1String(field) + QLatin1String("_hex"));
    return v.isString() ? Arg(fromHex(v.toString())) : std::nullopt;
}

struct Answer {
    qint64 ret = 0;
    QByteArray bytes;  // the first `ret` bytes of the buffer
};

Answer ask(const ProfileFile& profile, const QJsonObject& q) {
    const QString fn = q.value(QLatin1String("fn")).toString();
    const Arg section = argument(q, "section");
    const Arg key = argument(q, "key");
    const int size = q.value(QLatin1String("size")).toInt();
    QByteArray result;
    if (fn == QLatin1String("GetPrivateProfileIntA")) {
        const auto def = static_cast<qint32>(q.value(QLatin1String("default")).toInteger());
        return {profile.getInt(section.value_or(""), key.value_or(""), def), {}};
    }
    if (fn == QLatin1String("GetPrivateProfileStringA")) {
        result = profile.getString(view(section), view(key), view(argument(q, "default")), size);
    } else if (fn == QLatin1String("GetPrivateProfileSectionNamesA")) {
        result = profile.getString(std::nullopt, std::nullopt, std::nullopt, size);
    } else if (fn == QLatin1String("GetPrivateProfileSectionA")) {
        result = profile.getSection(section.value_or(""), size);
    } else {
        ADD_FAILURE() << "unknown function " << fn.toStdString();
    }
    return {result.size(), result};
}

// Windows fills a list buffer that is too small with the list cut to size-2 bytes (whole
// characters only, NUL-filled) followed by two NULs, and returns size-2.
QByteArray windowsList(const QByteArray& full, int size) {
    if (full.size() < size) {
        return full;
    }
    if (size < 2) {
        return {};
    }
    QByteArray cut = zul::cp932::truncate(full, size - 2);
    return cut.append(QByteArray(size - 2 - cut.size(), '\0'));
}

// The untruncated answer to the same list query, from a record with a large buffer.
QByteArray fullList(const QJsonArray& queries, const QJsonObject& q) {
    for (const QJsonValue& v : queries) {
        const QJsonObject other = v.toObject();
        if (other.value(QLatin1String("fn")) == q.value(QLatin1String("fn")) &&
            other.value(QLatin1String("section_hex")) == q.value(QLatin1String("section_hex")) &&
            !other.value(QLatin1String("key_hex")).isString() &&
            other.value(QLatin1String("size")).toInt() >= 4096 &&
            !other.contains(QLatin1String("caveat"))) {
            return fromHex(other.value(QLatin1String("result_hex")).toString());
        }
    }
    ADD_FAILURE() << "no full list for a truncated list record";
    return {};
}

// What a record says about Windows, or nullopt when it says nothing normative.
std::optional<Answer> windowsAnswer(const QJsonObject& q, const QJsonArray& queries) {
    const QString caveat = q.value(QLatin1String("caveat")).toString();
    Answer recorded{q.value(QLatin1String("ret")).toInteger(),
                    fromHex(q.value(QLatin1String("result_hex")).toString())};
    if (caveat.isEmpty()) {
        return recorded;
    }
    if (caveat.contains(QLatin1String("Truncated list")) ||
        caveat.contains(QLatin1String("buffer of 1-2 bytes"))) {
        const QByteArray list = windowsList(fullList(queries, q), q.value("size").toInt());
        return Answer{list.size(), list};
    }
    if (caveat.startsWith(QLatin1String("Wine truncated inside a double-byte character"))) {
        // Whole characters only, the rest of the buffer NUL instead of Wine's unwritten byte.
        for (const QJsonValue& offset : q.value(QLatin1String("garbage_offsets")).toArray()) {
            recorded.bytes[offset.toInt()] = '\0';
        }
        return recorded;
    }
    return std::nullopt;
}

struct Tally {
    int asRecorded = 0;
    int windowsRule = 0;
    int skipped = 0;
    int skippedAgreeing = 0;
};

void checkQueries(const ProfileFile& profile, const QJsonArray& queries, bool fileCaveat,
                  const std::string& where, Tally& tally) {
    for (qsizetype i = 0; i < queries.size(); ++i) {
        const QJsonObject q = queries[i].toObject();
        const Answer actual = ask(profile, q);
        const std::optional<Answer> expected =
            fileCaveat ? std::nullopt : windowsAnswer(q, queries);
        if (!expected) {
            ++tally.skipped;
            const QByteArray recorded = fromHex(q.value(QLatin1String("result_hex")).toString());
            if (actual.ret == q.value(QLatin1String("ret")).toInteger() &&
                actual.bytes == recorded) {
                ++tally.skippedAgreeing;
            }
            continue;
        }
        ++(q.contains(QLatin1String("caveat")) ? tally.windowsRule : tally.asRecorded);
        const std::string what =
            where + " query " + std::to_string(i) + " " +
            QJsonDocument(q).toJson(QJsonDocument::Compact).left(300).toStdString();
        EXPECT_EQ(actual.ret, expected->ret) << what;
        EXPECT_EQ(hex(actual.bytes), hex(expected->bytes)) << what;
    }
}

TEST(ProfileFileOracle, ReadQueriesGiveTheRecordedAnswers) {
    const QJsonArray files = oracle("golden.json").value(QLatin1String("files")).toArray();
    ASSERT_EQ(files.size(), 40);
    Tally tally;
    for (const QJsonValue& v : files) {
        const QJsonObject file = v.toObject();
        const QString path = oracleDir() + QLatin1Char('/') + file.value("file").toString();
        const std::string name = file.value(QLatin1String("name")).toString().toStdString();
        const ProfileFile profile = ProfileFile::load(path);
        ASSERT_EQ(profile.exists(), file.value(QLatin1String("exists")).toBool()) << name;
        if (profile.exists()) {
            const QByteArray bytes = fromHex(file.value(QLatin1String("file_hex")).toString());
            ASSERT_EQ(hex(readAll(path)), hex(bytes))
                << name << ": fixture differs from the record";
            EXPECT_EQ(hex(profile.bytes()), hex(bytes)) << name << ": parsing lost bytes";
        }
        checkQueries(profile, file.value(QLatin1String("queries")).toArray(),
                     !file.value(QLatin1String("caveat")).isNull(), name, tally);
    }
    std::printf(
        "[ ini oracle ] reads: %d compared as recorded, %d compared under the Windows rule, "
        "%d skipped (caveat; %d of them agree with Wine anyway)\n",
        tally.asRecorded, tally.windowsRule, tally.skipped, tally.skippedAgreeing);
}

TEST(ProfileFileOracle, WriteScenariosGiveTheRecordedFiles) {
    const QJsonArray scenarios =
        oracle("golden-write.json").value(QLatin1String("scenarios")).toArray();
    ASSERT_EQ(scenarios.size(), 12);
    Tally steps;
    Tally reads;
    for (const QJsonValue& v : scenarios) {
        const QJsonObject scenario = v.toObject();
        const std::string name = scenario.value(QLatin1String("name")).toString().toStdString();
        const QJsonArray stepList = scenario.value(QLatin1String("steps")).toArray();
        if (!scenario.value(QLatin1String("caveat")).isNull()) {
            // Wine rewrites the whole file; the in-place edits are covered by the tests below.
            steps.skipped += static_cast<int>(stepList.size());
            reads.skipped +=
                static_cast<int>(scenario.value(QLatin1String("reads")).toArray().size());
            continue;
        }
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("profile.ini"));
        if (const QJsonValue initial = scenario.value(QLatin1String("initial_hex"));
            initial.isString()) {
            writeAll(path, fromHex(initial.toString()));
        }
        for (qsizetype i = 0; i < stepList.size(); ++i) {
            const QJsonObject step = stepList[i].toObject();
            const std::string what = name + " step " + std::to_string(i);
            ProfileFile profile = ProfileFile::load(path);
            const bool ok =
                profile.writeString(view(argument(step, "section")), view(argument(step, "key")),
                                    view(argument(step, "value")));
            if (ok) {
                QString error;
                ASSERT_TRUE(profile.save(path, &error)) << what << ": " << error.toStdString();
            }
            const QString caveat = step.value(QLatin1String("caveat")).toString();
            if (caveat.contains(QLatin1String("creates an EMPTY file"))) {
                ++steps.windowsRule;
                EXPECT_TRUE(ok) << what;
                EXPECT_TRUE(QFileInfo::exists(path)) << what;
                EXPECT_EQ(readAll(path).size(), 0) << what;
                continue;
            }
            if (!caveat.isEmpty()) {
                ++steps.skipped;
                continue;
            }
            ++steps.asRecorded;
            EXPECT_EQ(ok, step.value(QLatin1String("ok")).toBool()) << what;
            // An absent file compares as empty: Windows has created an empty one on an earlier
            // delete where Wine created none.
            const bool exists = step.value(QLatin1String("file_exists")).toBool();
            const QByteArray expected =
                exists ? fromHex(step.value(QLatin1String("file_hex")).toString()) : QByteArray();
            EXPECT_EQ(hex(readAll(path)), hex(expected)) << what;
            EXPECT_TRUE(!exists || QFileInfo::exists(path)) << what;
        }
        checkQueries(ProfileFile::load(path), scenario.value(QLatin1String("reads")).toArray(),
                     false, name, reads);
    }
    std::printf(
        "[ ini oracle ] write steps: %d compared as recorded, %d compared under the Windows rule, "
        "%d skipped (caveat)\n[ ini oracle ] reads after writing: %d compared, %d skipped\n",
        steps.asRecorded, steps.windowsRule, steps.skipped, reads.asRecorded + reads.windowsRule,
        reads.skipped);
}

// ---------------------------------------------------------------------------------------
// Reading.

struct ReadCase {
    const char* what;
    QByteArray file;
    Arg section;
    Arg key;
    Arg def;
    int size;
    QByteArray expected;
};

void checkReads(const std::vector<ReadCase>& cases) {
    for (const ReadCase& c : cases) {
        const ProfileFile profile = ProfileFile::fromBytes(c.file);
        EXPECT_EQ(hex(profile.getString(view(c.section), view(c.key), view(c.def), c.size)),
                  hex(c.expected))
            << c.what;
    }
}

const QByteArray kListFile =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n" +
    sj("[得点設定]\r\n先攻=1\r\n後攻=2\r\n");

TEST(ProfileFileRead, TooSmallListBuffersEndInTwoNulsAsOnWindows) {
    checkReads({
        {"sections, cut inside a name", kListFile, {}, {}, {}, 16, raw("section1\0secti")},
        {"sections, cut after a name", kListFile, {}, {}, {}, 10, "section1"},
        {"sections, cut inside a double-byte name",
         kListFile,
         {},
         {},
         {},
         27,
         raw("section1\0section2\0") + sj("得点設") + raw("\0")},
        {"sections, tiny buffer", kListFile, {}, {}, {}, 2, ""},
        {"keys, cut after a name", kListFile, "section1", {}, "DEF", 8, raw("name1\0")},
        {"keys, tiny buffer", kListFile, "section1", {}, "DEF", 2, ""},
        {"double-byte keys", kListFile, sj("得点設定"), {}, "DEF", 7, sj("先攻") + raw("\0")},
        {"double-byte keys, cut in a character",
         kListFile,
         sj("得点設定"),
         {},
         "DEF",
         5,
         sj("先") + raw("\0")},
    });
    EXPECT_EQ(hex(ProfileFile::fromBytes(kListFile).getSection("section1", 24)),
              hex(raw("name1=val1\0name2=\"val2")));
}

// Behaviour where Wine is known or suspected to differ from Windows, or Windows is undefined:
// what this implementation does instead.
TEST(ProfileFileRead, ChosenRulesWhereWineIsNotWindows) {
    const QByteArray utf8Bom = "\xEF\xBB\xBF" + QByteArray("[設定]\r\nName=x\r\n[Sec]\r\nK=v\r\n");
    checkReads({
        {"UTF-8 BOM glued to the first header", utf8Bom, sj("設定"), "Name", "DEF", 100, "DEF"},
        {"UTF-8 BOM file, later section", utf8Bom, "Sec", "K", "DEF", 100, "v"},
        {"UTF-16BE BOM is not recognised", "\xFE\xFF" + utf16("[Sec]\r\nK=v\r\n", true), "Sec", "K",
         "DEF", 100, "DEF"},
        {"quotes around the default are kept", "[S]\r\n", "S", "Missing", "\"quoted\"", 100,
         "\"quoted\""},
        {"comment lines are not entries", "[S]\r\n;Key=commented\r\n", "S", ";Key", "DEF", 100,
         "DEF"},
        {"a quoted value that just fits is whole", "[Q]\r\nX7=\"abcdefg\"\r\n", "Q", "X7", "", 8,
         "abcdefg"},
        {"truncation in a character fills with NUL", sj("[S]\r\nP=先攻得点3\r\n"), "S", "P", "", 8,
         sj("先攻得") + raw("\0")},
        {"VT, FF and Ctrl-Z are trimmed", raw("[S]\r\nD=\x0bvt\x0c\r\nE=z\x1a\r\n"), "S", "D", "",
         100, "vt"},
        {"empty section name: lines before the first header", "Top=1\r\n[]\r\nTop=2\r\n", "", "Top",
         "DEF", 100, "1"},
        {"key list of a section without keys gives the default",
         "[S]\r\nword\r\n",
         "S",
         {},
         "DEF",
         100,
         "DEF"},
        {"key list of a missing section gives the default", "[S]\r\n", "T", {}, "DEF", 100, "DEF"},
    });
}

TEST(ProfileFileRead, IntegersTakeLowercasePrefixesAndWrapModulo2To32) {
    struct Case {
        QByteArray value;
        quint32 expected;
    };
    const Case cases[] = {
        {"0x1F", 31},
        {"0b101", 5},
        {"0o17", 15},
        {"-0x10", 4294967280U},
        {"0X1f", 0},
        {QByteArray(35, '0') + "7", 7},  // no limit on the length of the value
        {"\"-1\"", 4294967295U},
        {"4294967297", 1},
    };
    for (const Case& c : cases) {
        const ProfileFile profile = ProfileFile::fromBytes("[I]\r\nv=" + c.value + "\r\n");
        EXPECT_EQ(profile.getInt("I", "v", 77), c.expected) << c.value.toStdString();
    }
}

TEST(ProfileFileRead, ConvenienceListsAreWholeAndSkipUnlistedLines) {
    const ProfileFile profile = ProfileFile::fromBytes(
        "Top=0\r\n[A]\r\nk1=1\r\n; c=2\r\nword\r\nK2=\r\n[]\r\nx=1\r\n[a]\r\nk3=3\r\n[B]\r\n");
    EXPECT_EQ(profile.sectionNames(), QByteArrayList({"A", "a", "B"}));
    EXPECT_EQ(profile.keyNames("a"), QByteArrayList({"k1", "K2"}));
    EXPECT_TRUE(profile.keyNames("B").isEmpty());
    EXPECT_TRUE(profile.hasKey("A", "k2"));
    EXPECT_FALSE(profile.hasKey("A", "word"));
    EXPECT_FALSE(profile.hasKey("A", "k3"));
    EXPECT_EQ(profile.value("A", "K2"), QByteArray(""));
    EXPECT_EQ(profile.value("A", "word"), std::nullopt);
}

TEST(ProfileFileLoad, MissingOrUnreadablePathGivesAnEmptyProfile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& path : {dir.filePath(QStringLiteral("missing.ini")), dir.path()}) {
        const ProfileFile profile = ProfileFile::load(path);
        EXPECT_FALSE(profile.exists()) << path.toStdString();
        EXPECT_TRUE(profile.bytes().isEmpty());
        EXPECT_EQ(profile.getString("S", "K", "DEF"), "DEF");
        EXPECT_EQ(profile.getInt("S", "K", -1), 4294967295U);
    }
    const QString empty = dir.filePath(QStringLiteral("empty.ini"));
    writeAll(empty, {});
    EXPECT_TRUE(ProfileFile::load(empty).exists());
}

// ---------------------------------------------------------------------------------------
// Writing.

struct Write {
    Arg section;
    Arg key;
    Arg value;
};

struct EditCase {
    const char* what;
    QByteArray initial;
    std::vector<Write> writes;
    QByteArray expected;
};

const QByteArray kMessyLf =
    "; header comment\n\n[S1]\nkey = value\n  other=  x  \n\n; mid comment\nnoequals\n[S2]\n"
    "q=\"quoted\"\n\n";

TEST(ProfileFileWrite, EditsChangeOnlyTheAffectedLines) {
    const EditCase cases[] = {
        {"replace a spaced entry",
         kMessyLf,
         {{"s1", "KEY", "new"}},
         "; header comment\n\n[S1]\nkey=new\n  other=  x  \n\n; mid comment\nnoequals\n[S2]\n"
         "q=\"quoted\"\n\n"},
        {"new key after the last line of its section",
         kMessyLf,
         {{"S1", "added", "yes"}},
         "; header comment\n\n[S1]\nkey = value\n  other=  x  \n\n; mid comment\nnoequals\n"
         "added=yes\r\n[S2]\nq=\"quoted\"\n\n"},
        {"new section at the end, after trailing blank lines",
         kMessyLf,
         {{"S3", "k", "v"}},
         kMessyLf + "[S3]\r\nk=v\r\n"},
        {"delete one entry",
         kMessyLf,
         {{"S1", "other", {}}},
         "; header comment\n\n[S1]\nkey = value\n\n; mid "
         "comment\nnoequals\n[S2]\nq=\"quoted\"\n\n"},
        {"delete a section with its comments and blank lines",
         kMessyLf,
         {{"S1", {}, {}}},
         "; header comment\n\n[S2]\nq=\"quoted\"\n\n"},
        {"deleting what is not there changes nothing",
         kMessyLf,
         {{"S1", "nosuch", {}}, {"S9", {}, {}}, {"S9", "k", {}}},
         kMessyLf},
        {"a new key goes before the blank line that separates sections",
         "[A]\r\nk=1\r\n\r\n[B]\r\nk=2\r\n\r\n",
         {{"A", "k2", "v"}},
         "[A]\r\nk=1\r\nk2=v\r\n\r\n[B]\r\nk=2\r\n\r\n"},
        {"a new key goes after a comment that ends its section",
         "[A]\r\nk=1\r\n; note\r\n[B]\r\n",
         {{"A", "k2", "v"}},
         "[A]\r\nk=1\r\n; note\r\nk2=v\r\n[B]\r\n"},
        {"a last line without a line end gets one",
         "[S]\r\nA=1",
         {{"S", "B", "2"}, {"T", "C", "3"}},
         "[S]\r\nA=1\r\nB=2\r\n[T]\r\nC=3\r\n"},
        {"NUL bytes before the first section survive",
         raw("ab\0cd\r\n[S]\r\nA=1\r\n"),
         {{"S", "A", "2"}},
         raw("ab\0cd\r\n[S]\r\nA=2\r\n")},
        {"duplicates: the first section and the first key are edited, one per call",
         "[S]\r\nA=1\r\nA=2\r\n[T]\r\nX=1\r\n[S]\r\nB=1\r\n",
         {{"S", "A", "9"}, {"S", "B", "9"}},
         "[S]\r\nA=9\r\nA=2\r\nB=9\r\n[T]\r\nX=1\r\n[S]\r\nB=1\r\n"},
        {"duplicates: deletes take the first one each time",
         "[S]\r\nA=1\r\nA=2\r\n[T]\r\nX=1\r\n[S]\r\nB=1\r\n",
         {{"S", "A", {}}, {"S", "A", {}}, {"S", {}, {}}},
         "[T]\r\nX=1\r\n[S]\r\nB=1\r\n"},
        {"an entry without '=' found by name takes the value",
         "[S]\r\nWord\r\nWord=x\r\n",
         {{"S", "Word", "1"}},
         "[S]\r\nWord=1\r\nWord=x\r\n"},
        {"UTF-8 BOM: the first header is not seen, a new cp932 section is added",
         "\xEF\xBB\xBF" + QByteArray("[設定]\r\nK=v\r\n"),
         {{sj("設定"), "K2", sj("値")}},
         "\xEF\xBB\xBF" + QByteArray("[設定]\r\nK=v\r\n") + sj("[設定]\r\nK2=値\r\n")},
        {"UTF-16LE with LF ends and a character cp932 lacks",
         "\xFF\xFE" + utf16("[S]\n😀=x\nK=1\n"),
         {{"S", "K", "2"}},
         "\xFF\xFE" + utf16("[S]\n😀=x\nK=2\n")},
        {"UTF-16LE: new double-byte key and section",
         "\xFF\xFE" + utf16("[S]\nK=1"),
         {{"S", sj("表"), sj("ソ")}, {sj("新"), "K", "v"}},
         "\xFF\xFE" + utf16("[S]\nK=1\r\n表=ソ\r\n[新]\r\nK=v\r\n")},
    };
    for (const EditCase& c : cases) {
        ProfileFile profile = ProfileFile::fromBytes(c.initial);
        for (const Write& w : c.writes) {
            EXPECT_TRUE(profile.writeString(view(w.section), view(w.key), view(w.value))) << c.what;
        }
        EXPECT_EQ(hex(profile.bytes()), hex(c.expected)) << c.what;
        EXPECT_EQ(hex(ProfileFile::fromBytes(profile.bytes()).bytes()), hex(c.expected)) << c.what;
    }
}

TEST(ProfileFileWrite, ValuesAreTrimmedAndAnUnchangedValueLeavesTheLineAlone) {
    ProfileFile profile = ProfileFile::fromBytes("[S]\r\nkey = value \r\n");
    EXPECT_TRUE(profile.writeString("S", "key", "value"));
    EXPECT_TRUE(profile.writeString("s", "KEY", " \tvalue  "));
    EXPECT_EQ(profile.bytes(), "[S]\r\nkey = value \r\n");
    EXPECT_TRUE(profile.writeString("S", "n", " \tpadded\t "));
    EXPECT_TRUE(profile.writeString("S", "e", ""));
    EXPECT_EQ(profile.bytes(), "[S]\r\nkey = value \r\nn=padded\r\ne=\r\n");
    EXPECT_EQ(profile.getString("S", "n", "DEF"), "padded");
    EXPECT_EQ(profile.getString("S", "e", "DEF"), "");
}

TEST(ProfileFileWrite, RefusesNamesAndValuesTheFormatCannotHold) {
    const QByteArray initial = "[S]\r\nk=1\r\n";
    const Write refused[] = {
        {{}, "k", "v"},
        {"", "k", "v"},
        {" S", "k", "v"},
        {"S\t", "k", "v"},
        {"a]b", "k", "v"},
        {"S\r\n[T]", "k", "v"},
        {raw("S\0"), "k", "v"},
        {" S", {}, {}},
        {"S", "", "v"},
        {"S", " k", "v"},
        {"S", "a=b", "c"},
        {"S", "[x]", "y"},
        {"S", ";c", "d"},
        {"S", raw("k\0"), "v"},
        {"S", "k", "line1\r\nline2"},
        {"S", "k", "line1\nline2"},
        {"S", "k", raw("a\0b")},
        {"S", "k", "ab\x82"},  // a lone lead byte would take the line end
        {"S", "k\x82", "v"},
    };
    for (const Write& w : refused) {
        ProfileFile profile = ProfileFile::fromBytes(initial);
        EXPECT_FALSE(profile.writeString(view(w.section), view(w.key), view(w.value)))
            << hex(w.section.value_or("<null>")) << " / " << hex(w.key.value_or("<null>")) << " / "
            << hex(w.value.value_or("<null>"));
        EXPECT_EQ(profile.bytes(), initial);
    }

    // Trail bytes that look like ']' '\' '[' or letters are part of their characters.
    const Write accepted[] = {
        {sj("ゾ"), sj("表"), sj("C:\\ソ")},
        {sj("余転"), sj("ゼ"), "\"quoted\""},
        {"[x", "a[b", "v;w"},
        {"#h", "k", "=x="},
    };
    for (const Write& w : accepted) {
        ProfileFile profile = ProfileFile::fromBytes(initial);
        ASSERT_TRUE(profile.writeString(view(w.section), view(w.key), view(w.value)))
            << hex(*w.section);
        const ProfileFile reread = ProfileFile::fromBytes(profile.bytes());
        const QByteArray expected =
            w.value->startsWith('"') ? w.value->mid(1, w.value->size() - 2) : *w.value;
        EXPECT_EQ(hex(reread.getString(view(w.section), view(w.key), "DEF")), hex(expected))
            << hex(*w.section);
        EXPECT_TRUE(reread.sectionNames().contains(*w.section)) << hex(*w.section);
    }
}

// ---------------------------------------------------------------------------------------
// Saving.

bool canCreateFileIn(const QString& folder) {
    QFile probe(folder + QStringLiteral("/probe.tmp"));
    if (!probe.open(QIODevice::WriteOnly)) {
        return false;
    }
    probe.remove();
    return true;
}

const QByteArray kOldFile = "[Old]\r\nK=1\r\n";

ProfileFile newProfile() {
    ProfileFile profile = ProfileFile::fromBytes(kOldFile);
    profile.writeString("New", "K", "2");
    return profile;
}

TEST(ProfileFileSave, ReplacesTheFileAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("profile.ini"));
    writeAll(path, kOldFile);
    QString error;
    ASSERT_TRUE(newProfile().save(path, &error)) << error.toStdString();
    EXPECT_EQ(readAll(path), kOldFile + "[New]\r\nK=2\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("profile.ini")});
}

TEST(ProfileFileSave, FailsWhenTheFolderIsARegularFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notAFolder = dir.filePath(QStringLiteral("plain"));
    writeAll(notAFolder, kOldFile);
    QString error;
    EXPECT_FALSE(newProfile().save(notAFolder + QStringLiteral("/profile.ini"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("profile.ini"))) << error.toStdString();
    EXPECT_EQ(readAll(notAFolder), kOldFile);
}

TEST(ProfileFileSave, ReadOnlyFolderFailsAndKeepsTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/profile.ini");
    writeAll(path, kOldFile);

    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    bool immutable = false;
    const auto unlock = qScopeGuard([&] {
        if (immutable) {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
        }
        QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    if (canCreateFileIn(folder)) {
        // Permission bits do not stop root; an immutable folder does.
        immutable =
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) == 0;
    }
    if (canCreateFileIn(folder)) {
        GTEST_SKIP() << "cannot make a folder read-only here (root without chattr support)";
    }

    QString error;
    EXPECT_FALSE(newProfile().save(path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(path), kOldFile);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("profile.ini")});
}

// A write that fails half-way (file size limit, which holds for root too) must not touch the
// old file.
TEST(ProfileFileSave, WriteFailingHalfWayKeepsTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("profile.ini"));
    writeAll(path, kOldFile);
    QByteArray big = "[Big]\r\n";
    for (int i = 0; i < 2000; ++i) {
        big += "Key" + QByteArray::number(i) + '=' + QByteArray(40, 'x') + "\r\n";
    }
    const ProfileFile profile = ProfileFile::fromBytes(big);

    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    if (previous.rlim_cur != RLIM_INFINITY && previous.rlim_cur < 4096) {
        GTEST_SKIP() << "file size limit already below 4096 bytes";
    }
    rlimit small = previous;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool saved = profile.save(path, &error);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(path), kOldFile);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("profile.ini")});
}

// ---------------------------------------------------------------------------------------
// Random files: nothing crashes, parsing keeps every byte, and a written value reads back
// the same from memory and from the saved bytes.

QByteArray randomFile(std::mt19937& rng) {
    static const QByteArray kPieces[] = {
        "[",    "]",    "=",        ";",    " ",    "\t",   "\r",  "\n",          "\r\n", raw("\0"),
        "\"",   "'",    "a",        "A",    "sx",   "k",    "0x1", "-9",          "\x82", "\x83",
        "\x5d", "\x5c", "\x81\x40", "\xff", "\x1a", "[sx]", "k=",  "\xef\xbb\xbf"};
    QByteArray bytes;
    if (rng() % 6 == 0) {
        bytes = "\xFF\xFE";
    }
    const int pieces = static_cast<int>(rng() % 60);
    for (int i = 0; i < pieces; ++i) {
        if (rng() % 4 == 0) {
            bytes.append(static_cast<char>(rng() % 256));
        } else {
            bytes.append(kPieces[rng() % std::size(kPieces)]);
        }
    }
    return bytes;
}

TEST(ProfileFileFuzz, RandomFilesNeverBreakReadingOrWriting) {
    std::mt19937 rng(20240607);
    const QByteArray names[] = {"a", "A", "sx", "[", "", raw("\0"), "\x82"};
    const int sizes[] = {0, 1, 2, 3, 7, ProfileFile::kStringBufferSize};
    for (int round = 0; round < 3000; ++round) {
        const QByteArray bytes = randomFile(rng);
        const std::string what = "round " + std::to_string(round) + ": " + hex(bytes);
        ProfileFile profile = ProfileFile::fromBytes(bytes);
        ASSERT_EQ(hex(profile.bytes()), hex(bytes)) << what;

        for (const QByteArray& section : names) {
            for (const int size : sizes) {
                const auto limit = std::max(0, size - 1);
                EXPECT_LE(profile.getString(section, names[round % 7], "d", size).size(), limit);
                EXPECT_LE(profile.getString(section, std::nullopt, "d", size).size(), limit);
                EXPECT_LE(profile.getString(std::nullopt, std::nullopt, {}, size).size(), limit);
                EXPECT_LE(profile.getSection(section, size).size(), limit);
            }
            profile.getInt(section, names[round % 7], -1);
        }

        const QByteArray value = "v" + QByteArray::number(round);
        ASSERT_TRUE(profile.writeString("sx", "k", value)) << what;
        EXPECT_EQ(profile.getString("sx", "k", "DEF"), value) << what;
        EXPECT_EQ(ProfileFile::fromBytes(profile.bytes()).getString("SX", "K", "DEF"), value)
            << what;
        ASSERT_TRUE(profile.writeString("sx", "k", std::nullopt)) << what;
        profile.writeString("sx", std::nullopt, std::nullopt);
        profile.writeString("a", "b", "c");
        EXPECT_EQ(hex(ProfileFile::fromBytes(profile.bytes()).bytes()), hex(profile.bytes()))
            << what;
    }
}

}  // namespace
