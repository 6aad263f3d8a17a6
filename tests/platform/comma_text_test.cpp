#include "platform/comma_text.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace zul;
using test::sj;

namespace {

std::string show(const QByteArrayList& fields) {
    std::string out;
    for (const QByteArray& f : fields) {
        out += '[' + f.toStdString() + ']';
    }
    return out;
}

struct ReadCase {
    QByteArray text;
    QByteArrayList fields;
};

const ReadCase kReadCases[] = {
    // Unquoted blanks separate fields as commas do; quotes keep them.
    {"a b,c", {"a", "b", "c"}},
    {"\"a b\",c", {"a b", "c"}},
    {"a\tb", {"a", "b"}},
    {"  a  ,  b  ", {"a", "b"}},
    // An empty field keeps its place as a single space.
    {"a,,b", {"a", " ", "b"}},
    {"a, ,b", {"a", " ", "b"}},
    {",a", {" ", "a"}},
    {"\"\",a", {" ", "a"}},
    {",", {" ", " "}},
    // A comma at the very end opens an empty field; one before blanks or a line end does not.
    {"a,b,", {"a", "b", " "}},
    {"a,b,\n", {"a", "b"}},
    {"a,b,\r\n", {"a", "b"}},
    {"a,b, ", {"a", "b"}},
    // Quoted fields: doubled quotes, separators inside, text right after the closing quote.
    {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
    {"\"a,b\"c,d", {"a,b", "c", "d"}},
    {"\" \",\"\t\"", {" ", "\t"}},
    // A quote left open runs to the end of the text, less a line end there.
    {"x,\"a b", {"x", "a b"}},
    {"x,\"a b\r\n", {"x", "a b"}},
    // Nothing but blanks is no field; a NUL byte ends the text; DEL is an ordinary byte.
    {"", {}},
    {" \t\r\n", {}},
    {QByteArray("a,b\0,c", 6), {"a", "b"}},
    {"a\x7f,b", {"a\x7f", "b"}},
    // Double-byte characters, trail bytes 0x5C and 0x40 and half-width kana included.
    {sj("表,ソ ＠,\"ｱ ｲ\""), {sj("表"), sj("ソ"), sj("＠"), sj("ｱ ｲ")}},
};

}  // namespace

TEST(CommaText, SplitsFieldsByTheFrameworkRules) {
    for (const ReadCase& c : kReadCases) {
        EXPECT_EQ(show(fromCommaText(c.text, 200)), show(c.fields))
            << "text " << c.text.toHex(' ').toStdString();
    }
}

TEST(CommaText, DropsFieldsBeyondTheLimit) {
    EXPECT_EQ(fromCommaText("1,2,3,4", 2), QByteArrayList({"1", "2"}));
    EXPECT_EQ(fromCommaText("1,,", 2), QByteArrayList({"1", " "}));
    EXPECT_TRUE(fromCommaText("1,2", 0).isEmpty());
}

TEST(CommaText, QuotesCellsWithBlanksControlsCommasAndQuotes) {
    const struct {
        QByteArrayList cells;
        QByteArray text;
    } cases[] = {
        {{"a b", "c"}, "\"a b\",c"},
        {{"a", "", "b"}, "a,,b"},
        {{"a", " ", "b"}, "a,\" \",b"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"a,b", "\t", "x\ny"}, "\"a,b\",\"\t\",\"x\ny\""},
        {{"a\x7f", sj("表ソｱ")}, "a\x7f," + sj("表ソｱ")},
        {{"", ""}, ","},
        // A single empty cell still reads back as one field.
        {{""}, "\"\""},
        {{}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toCommaText(c.cells), c.text) << show(c.cells);
    }
}

TEST(CommaText, CellsWithoutEmptyOnesReadBackUnchanged) {
    const QByteArrayList lists[] = {
        {"1", "a b", "\"quoted\"", "x,y", sj("全角　空白"), " lead", "trail "},
        {"\"", "\"\"", ",", " "},
    };
    for (const QByteArrayList& cells : lists) {
        EXPECT_EQ(fromCommaText(toCommaText(cells), 200), cells) << show(cells);
    }
}
