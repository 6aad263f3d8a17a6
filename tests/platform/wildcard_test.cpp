#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QString>

#include "platform/wildcard.h"

using namespace zul;

namespace {

struct MaskCase {
    const char16_t* mask;
    const char16_t* name;
    bool matches;
};

const MaskCase kCases[] = {
    // "*.*" is every name, with or without a dot, "." and ".." included.
    {u"*.*", u"photo.jpg", true},
    {u"*.*", u"README", true},
    {u"*.*", u"archive.tar.gz", true},
    {u"*.*", u".", true},
    {u"*.*", u"..", true},
    {u"*", u"README", true},
    // An extension mask wants that extension, whole and last.
    {u"*.jpg", u"photo.jpg", true},
    {u"*.jpg", u"photo.jpeg", false},
    {u"*.jpg", u"photo.jpg.txt", false},
    {u"*.jpg", u"jpg", false},
    {u"*.jpg", u".jpg", true},
    {u"*.htm*", u"index.html", true},
    {u"*.htm*", u"index.htm", true},
    {u"*.htm*", u"index.txt", false},
    // ASCII letters compare without case; other letters compare exactly.
    {u"*.JPG", u"photo.jpg", true},
    {u"Photo.Jpg", u"PHOTO.JPG", true},
    {u"*.ｊｐｇ", u"x.ＪＰＧ", false},
    {u"*.txt", u"日本語.TXT", true},
    {u"日本*", u"日本語.txt", true},
    {u"日本*", u"にほん.txt", false},
    // '?' is exactly one character, also one outside the basic plane.
    {u"a?c", u"abc", true},
    {u"a?c", u"ac", false},
    {u"a?c", u"abbc", false},
    {u"?.txt", u"語.txt", true},
    {u"?.txt", u"\U0001F600.txt", true},
    // A trailing ".*" also takes a name without extension; other masks do not stretch.
    {u"name.*", u"name", true},
    {u"name.*", u"name.txt", true},
    {u"name.*", u"names", false},
    {u"name.txt", u"name", false},
    // '*' backtracks over repeated pieces.
    {u"*ab*ab", u"xabyabab", true},
    {u"*ab*ab", u"xabyaba", false},
    {u"a*b*c", u"abc", true},
    {u"a**", u"a", true},
    // Empty masks and names.
    {u"", u"", true},
    {u"", u"a", false},
    {u"*", u"", true},
    {u"?", u"", false},
};

}  // namespace

TEST(FileMask, MatchesNamesAsTheWindowsListingDoes) {
    for (const MaskCase& c : kCases) {
        const QString mask = QString::fromUtf16(c.mask);
        const QString name = QString::fromUtf16(c.name);
        EXPECT_EQ(matchesFileMask(mask, name), c.matches)
            << "mask " << mask.toStdString() << " name " << name.toStdString();
    }
}

// Every ASCII letter, 'a' and 'z' at the ends of the range included, folds both ways, in a
// plain position and after a star; the characters next to the letter ranges in ASCII ('@'
// and '[' before and after 'A'..'Z', '`' and '{' around 'a'..'z') are not letters and do not
// fold into each other.
TEST(FileMask, EveryAsciiLetterComparesWithoutCase) {
    for (char16_t upper = u'A'; upper <= u'Z'; ++upper) {
        const char16_t lower = upper + (u'a' - u'A');
        const QString up(QChar{upper});
        const QString low(QChar{lower});
        SCOPED_TRACE(up.toStdString());
        EXPECT_TRUE(matchesFileMask(up, low));
        EXPECT_TRUE(matchesFileMask(low, up));
        EXPECT_TRUE(matchesFileMask(QStringLiteral("*.") + up, QStringLiteral("x.") + low));
        EXPECT_TRUE(matchesFileMask(QStringLiteral("*.") + low, QStringLiteral("x.") + up));
        EXPECT_TRUE(matchesFileMask(low + QLatin1Char('?') + up, up + QLatin1Char('-') + low));
        // A different letter never matches.
        const QString next(QChar{upper == u'Z' ? u'a' : static_cast<char16_t>(lower + 1)});
        EXPECT_FALSE(matchesFileMask(up, next));
    }
    const std::pair<const char16_t*, const char16_t*> notFolded[] = {
        {u"@", u"`"},  {u"`", u"@"}, {u"[", u"{"}, {u"{", u"["},
        {u"\\", u"|"}, {u"]", u"}"}, {u"^", u"~"},
    };
    for (const auto& [mask, name] : notFolded) {
        EXPECT_FALSE(matchesFileMask(QString::fromUtf16(mask), QString::fromUtf16(name)))
            << QString::fromUtf16(mask).toStdString();
    }
    // Letters beyond ASCII compare exactly.
    EXPECT_FALSE(matchesFileMask(u"\u00e9", u"\u00c9"));
    EXPECT_TRUE(matchesFileMask(u"\u00e9", u"\u00e9"));
}

// A naive recursive matcher takes exponential time on these; the matcher must stay well
// under a second on masks of many stars against long names that fail late.
TEST(FileMask, LongRunsOfStarsStayFast) {
    const struct {
        QString mask;
        QString name;
        bool matches;
    } cases[] = {
        {QStringLiteral("*a").repeated(30) + QStringLiteral("b"), QString(200, QLatin1Char('a')),
         false},
        {QStringLiteral("*a").repeated(200) + QStringLiteral("b"), QString(4000, QLatin1Char('a')),
         false},
        {QStringLiteral("*?").repeated(150) + QStringLiteral("*.x.*"),
         QString(3000, QLatin1Char('y')) + QStringLiteral(".txt"), false},
        {QStringLiteral("*a").repeated(200), QString(4000, QLatin1Char('a')), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask.left(20).toStdString());
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(matchesFileMask(c.mask, c.name), c.matches);
        EXPECT_LT(clock.elapsed(), 1000);
    }
}
