#include "client/ui/msg_manager_look.h"

#include <gtest/gtest.h>

#include "platform/testing/temp_dir.h"

namespace zemra::client::ui {
namespace {

using zemra::testing::TempDir;

MsgManagerLook chosenLook() {
    MsgManagerLook look = builtInLook();
    look.treeText = QColor(0x11, 0x22, 0x33);
    look.treeBack = QColor(0xF0, 0xF0, 0xE0);
    look.listText = QColor(0x80, 0, 0);
    look.listBack = QColor(0xFF, 0xFF, 0xCC);
    look.viewFont.setFamilies({QString::fromUtf8("宋体")});
    look.viewFont.setPointSizeF(12);
    look.viewColour = QColor(0, 0, 0xFF);
    return look;
}

TEST(MsgManagerLook, ComesBackFromMessageCfgAsItWasSaved) {
    TempDir dir;
    EXPECT_EQ(loadMsgManagerLook(dir.path()), builtInLook());  // no file yet
    ASSERT_TRUE(saveMsgManagerLook(dir.path(), chosenLook()));
    const MsgManagerLook back = loadMsgManagerLook(dir.path());
    EXPECT_EQ(settingsOf(back), settingsOf(chosenLook()));
    EXPECT_EQ(back.treeText, chosenLook().treeText);
    EXPECT_EQ(back.viewFont.families().value(0), QString::fromUtf8("宋体"));
}

TEST(MsgManagerLook, AShortFileLeavesNoPaneWithTextInItsOwnBackgroundColour) {
    TempDir dir;
    store::ViewSettings onlyTree;  // a file cut after the tree's colours
    onlyTree.treeText = 0x0000FF;
    onlyTree.treeBack = 0xFFFFFF;
    ASSERT_TRUE(store::SaveViewSettings(dir / "message.cfg", onlyTree));
    zemra::testing::writeFile(dir / "message.cfg",
                              zemra::testing::readFile(dir / "message.cfg").substr(0, 8));
    const MsgManagerLook builtIn = builtInLook();
    const MsgManagerLook look = loadMsgManagerLook(dir.path());
    EXPECT_EQ(look.treeText, QColor(0xFF, 0, 0));
    EXPECT_EQ(look.treeBack, QColor(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(look.listText, builtIn.listText);  // both read as 0
    EXPECT_EQ(look.listBack, builtIn.listBack);
    EXPECT_EQ(look.viewFont, builtIn.viewFont);  // no face, no height
}

TEST(MsgManagerLook, AnAbsurdHeightKeepsTheBuiltInSize) {
    store::ViewSettings s = settingsOf(chosenLook());
    s.viewHeight = 0xFFFFFFFF;
    EXPECT_EQ(lookOf(s, builtInLook()).viewFont.pointSizeF(), builtInLook().viewFont.pointSizeF());
    s.viewHeight = 19;  // under one point
    EXPECT_EQ(lookOf(s, builtInLook()).viewFont.pointSizeF(), builtInLook().viewFont.pointSizeF());
}

}  // namespace
}  // namespace zemra::client::ui
