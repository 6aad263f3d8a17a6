#include <gtest/gtest.h>

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

TEST(FileMask, LongRunsOfStarsStayFast) {
    // A naive recursive matcher takes exponential time here.
    const QString mask = QStringLiteral("*a").repeated(30) + QStringLiteral("b");
    const QString name = QString(200, QLatin1Char('a'));
    EXPECT_FALSE(matchesFileMask(mask, name));
}
