// The colours and the font of the message manager's panes, and how they are
// kept in "message.cfg" (colours as COLORREF 0x00BBGGRR, the font as a GBK
// face name and a height in twips).
#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>
#include <filesystem>

#include "client/store/view_settings.h"

namespace zemra::client::ui {

struct MsgManagerLook {
    QColor treeText;
    QColor treeBack;
    QColor listText;
    QColor listBack;
    // The message view's default face, size and colour.
    QFont viewFont;
    QColor viewColour;

    bool operator==(const MsgManagerLook&) const = default;
};

QColor colourOfRef(uint32_t colorRef);
uint32_t refOfColour(const QColor& colour);

// The panes' colours and font before anything was chosen.
MsgManagerLook builtInLook();

// The look a stored record gives. A pane whose stored text and background
// colours are equal (a short file reads both as 0) keeps its built-in pair,
// so that its text stays readable; an empty face or a zero height keeps the
// built-in face or size.
MsgManagerLook lookOf(const store::ViewSettings& settings, const MsgManagerLook& builtIn);
store::ViewSettings settingsOf(const MsgManagerLook& look);

// "message.cfg" in the user's folder, read into a look; the built-in look
// when it cannot be read.
MsgManagerLook loadMsgManagerLook(const std::filesystem::path& userDir);
bool saveMsgManagerLook(const std::filesystem::path& userDir, const MsgManagerLook& look);

}  // namespace zemra::client::ui
