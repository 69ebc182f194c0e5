#include "client/ui/transfer_file_names.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "client/ui/ui_text.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

QString qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Creates `name` in `folder` as a file and says where it landed.
QString landing(const QString& folder, const QString& name) {
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly)) return "<cannot create " + name + ">";
    file.close();
    return QFileInfo(file).canonicalPath();
}

TEST(BareFileName, HostileOfferedNamesLandInTheChosenFolder) {
    const zemra::testing::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString names[] = {"../../x",     "a/b",     "..",    ".",    "..\\..\\win.ini",
                             "/etc/passwd", "-rf",     "--",    "",     "x\x01y\n",
                             "\x7f\x1b[2J", ".bashrc", "~user", " .. ", "a/../../b",
                             "dir/"};
    for (const QString& offered : names) {
        const QString bare = bareFileName(offered);
        EXPECT_FALSE(bare.isEmpty()) << offered.toStdString();
        EXPECT_FALSE(bare.contains('/') || bare.contains('\\')) << bare.toStdString();
        EXPECT_FALSE(bare.startsWith('.') || bare.startsWith('-') || bare.startsWith('~'))
            << bare.toStdString();
        for (const QChar c : bare) EXPECT_GE(c.unicode(), 0x20) << offered.toStdString();
        EXPECT_EQ(landing(folder, bare), canonical) << offered.toStdString();
    }
    EXPECT_EQ(bareFileName("../../x"), "x");
    EXPECT_EQ(bareFileName("a/b"), "b");
    EXPECT_EQ(bareFileName("..\\..\\win.ini"), "win.ini");
    EXPECT_EQ(bareFileName("-rf"), "rf");
    EXPECT_EQ(bareFileName("x\x01y\n"), "xy");
    EXPECT_EQ(bareFileName(".."), qs(kUnnamedFile));
    EXPECT_EQ(bareFileName(""), qs(kUnnamedFile));
    // A direction override would show "exe.txt" for this name.
    EXPECT_EQ(bareFileName(qs("photo\u202Etxt.exe")), "phototxt.exe");
    // A backslash inside a double-byte GBK character is no folder separator.
    const std::string gbkName = "\xbf\x5c" + std::string(".doc");
    EXPECT_EQ(bareFileName(fromGbk(gbkName)), qs("縗.doc"));
}

TEST(BareFileName, ALongNameIsCutInItsStemWithinTheFolderLimit) {
    QString stem;
    for (int i = 0; i < 200; ++i) stem += qs(i % 2 ? "文" : "😀");  // 3 and 4 UTF-8 bytes
    const QString bare = bareFileName(stem + ".txt");
    EXPECT_LE(bare.toUtf8().size(), kMaxFileNameBytes);
    EXPECT_GT(bare.toUtf8().size(), kMaxFileNameBytes - 8);
    EXPECT_TRUE(bare.endsWith(".txt"));
    EXPECT_FALSE(bare.back().isSurrogate());
    EXPECT_EQ(bare.toUtf8(), QString::fromUtf8(bare.toUtf8()).toUtf8());  // whole characters
    // An "extension" as long as the name is no extension to keep.
    const QString odd = bareFileName("a." + QString(300, 'x'));
    EXPECT_EQ(odd.toUtf8().size(), kMaxFileNameBytes);
    EXPECT_TRUE(odd.startsWith("a.x"));
}

TEST(FreePathIn, ATakenNameGetsTheFirstFreeNumber) {
    const zemra::testing::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    const QDir d(folder);
    EXPECT_EQ(freePathIn(folder, "a.txt"), d.filePath("a.txt"));
    landing(folder, "a.txt");
    EXPECT_EQ(freePathIn(folder, "a.txt"), d.filePath("a (1).txt"));
    landing(folder, "a (1).txt");
    EXPECT_EQ(freePathIn(folder, "a.txt"), d.filePath("a (2).txt"));
    landing(folder, "notes");
    EXPECT_EQ(freePathIn(folder, "notes"), d.filePath("notes (1)"));
    landing(folder, "pack.tar.gz");
    EXPECT_EQ(freePathIn(folder, "pack.tar.gz"), d.filePath("pack.tar (1).gz"));
    // A link to nowhere is taken too: saving there would replace the link.
    QFile::link(d.filePath("gone"), d.filePath("link.bin"));
    EXPECT_EQ(freePathIn(folder, "link.bin"), d.filePath("link (1).bin"));

    // A name at the limit stays within it with its number.
    const QString longName = QString(kMaxFileNameBytes - 4, 'n') + ".dat";
    landing(folder, longName);
    const auto numbered = freePathIn(folder, longName);
    ASSERT_TRUE(numbered);
    const QString numberedName = QFileInfo(*numbered).fileName();
    EXPECT_LE(numberedName.toUtf8().size(), kMaxFileNameBytes);
    EXPECT_TRUE(numberedName.endsWith(" (1).dat"));
    EXPECT_EQ(landing(folder, numberedName), QFileInfo(folder).canonicalFilePath());
}

TEST(OfferedNameOf, ALongNameKeepsItsExtensionWithinFortyGbkBytes) {
    EXPECT_EQ(offeredNameOf("holiday.avi"), "holiday.avi");
    // 30 double-byte characters and ".jpeg": 17 of them fit beside the
    // extension, none cut in half.
    QString expected;
    for (int i = 0; i < 17; ++i) expected += qs("文");
    EXPECT_EQ(offeredNameOf(QString(30, QChar(0x6587)) + ".jpeg"), gbk(expected + ".jpeg"));
    EXPECT_EQ(offeredNameOf(QString(41, 'z')), std::string(40, 'z'));
}

}  // namespace
}  // namespace zemra::client::ui
