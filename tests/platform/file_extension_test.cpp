#include "platform/file_extension.h"

#include <gtest/gtest.h>

using namespace zul;

TEST(ReplaceExtension, ReplacesOrAddsTheExtensionOfTheFileName) {
    const struct {
        const char16_t* path;
        const char16_t* result;
    } cases[] = {
        {u"/d/name", u"/d/name.csv"},
        {u"/d/name.txt", u"/d/name.csv"},
        {u"/d/name.CSV", u"/d/name.csv"},
        {u"/d/a.b.c", u"/d/a.b.csv"},
        {u"/d/name.", u"/d/name.csv"},
        // Dots of folder names and the dot of a hidden name are no extension.
        {u"/d.x/name", u"/d.x/name.csv"},
        {u"/d/.hidden", u"/d/.hidden.csv"},
        {u"表.xls", u"表.csv"},
    };
    for (const auto& c : cases) {
        const QString path = QString::fromUtf16(c.path);
        EXPECT_EQ(replaceExtension(path, u".csv"), QString::fromUtf16(c.result))
            << path.toStdString();
    }
}
