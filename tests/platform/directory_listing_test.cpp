#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/directory_listing.h"
#include "test_support.h"

using namespace zul;

namespace {

// A folder with one entry of every kind the listing tells apart.
class ListingFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QDir root(dir_.path());
        for (const char* name : {"b.jpg", "A.txt", "_under.txt", "noext", "日本語.txt", ".dot"}) {
            file(QString::fromUtf8(name));
        }
        file(QStringLiteral("readonly.txt"));
        ASSERT_TRUE(QFile::setPermissions(
            path(QStringLiteral("readonly.txt")),
            QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        ASSERT_TRUE(root.mkdir(QStringLiteral("sub")));
        ASSERT_TRUE(root.mkdir(QStringLiteral(".hidden")));
        ASSERT_TRUE(QFile::link(path(QStringLiteral("b.jpg")), path(QStringLiteral("link.jpg"))));
        ASSERT_TRUE(QFile::link(path(QStringLiteral("sub")), path(QStringLiteral("linkdir"))));
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    void file(const QString& name) const { test::writeAll(path(name), "x"); }

    QTemporaryDir dir_;
};

DirectoryEntry plainFile(const char* name) {
    return {QString::fromUtf8(name), EntryKind::PlainFile};
}
DirectoryEntry plainFolder(const char* name) {
    return {QString::fromUtf8(name), EntryKind::PlainFolder};
}
DirectoryEntry other(const char* name) {
    return {QString::fromUtf8(name), EntryKind::Other};
}

std::string describe(const std::vector<DirectoryEntry>& entries) {
    std::string out;
    for (const DirectoryEntry& e : entries) {
        out += e.name.toStdString() + "(" + std::to_string(static_cast<int>(e.kind)) + ") ";
    }
    return out;
}

}  // namespace

TEST_F(ListingFolder, ClassifiesAndOrdersEveryEntry) {
    const std::vector<DirectoryEntry> expected = {
        plainFolder("."),        plainFolder(".."),  other(".dot"), other(".hidden"),
        plainFile("A.txt"),  // capitals and small letters sort as one
        plainFile("b.jpg"),
        other("link.jpg"),  // links are never plain, whatever they point to
        other("linkdir"),        plainFile("noext"),
        other("readonly.txt"),  // not writable by its owner
        plainFolder("sub"),
        plainFile("_under.txt"),  // '_' sorts after the letters, as they compare as capitals
        plainFile("日本語.txt"),
    };
    const std::vector<DirectoryEntry> entries = listDirectory(dir_.path(), u"*.*");
    EXPECT_EQ(entries, expected) << describe(entries);
}

TEST_F(ListingFolder, KeepsOnlyNamesMatchingTheMask) {
    struct Case {
        const char16_t* mask;
        std::vector<DirectoryEntry> expected;
    };
    const Case cases[] = {
        {u"*.TXT",
         {plainFile("A.txt"), other("readonly.txt"), plainFile("_under.txt"),
          plainFile("日本語.txt")}},
        {u"*.jpg", {plainFile("b.jpg"), other("link.jpg")}},
        {u"su?", {plainFolder("sub")}},
        {u"nothing*", {}},
    };
    for (const Case& c : cases) {
        const std::vector<DirectoryEntry> entries =
            listDirectory(dir_.path(), QString::fromUtf16(c.mask));
        EXPECT_EQ(entries, c.expected)
            << QString::fromUtf16(c.mask).toStdString() << ": " << describe(entries);
    }
}

TEST_F(ListingFolder, AMissingFolderOrAFileHasNoEntries) {
    EXPECT_TRUE(listDirectory(path(QStringLiteral("missing")), u"*.*").empty());
    EXPECT_TRUE(listDirectory(path(QStringLiteral("b.jpg")), u"*.*").empty());
}
