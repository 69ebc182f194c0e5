// The formatting a chat message carries (face name, size, colour, effects)
// mapped to Qt's character format and back.
#pragma once

#include <QTextCharFormat>
#include <cstddef>

#include "client/store/chat_message.h"

namespace zemra::client::ui {

// The longest face name a format takes, and the stored field's byte limit.
inline constexpr int kFaceNameChars = 32;
inline constexpr std::size_t kFaceNameBytes = 20;

enum MessageEffect : uint8_t {
    kEffectBold = 1u << 0,
    kEffectItalic = 1u << 1,
    kEffectUnderline = 1u << 2,
};

// An empty face name or size 0 gives a format that sets nothing, so the
// control's current format applies.
QTextCharFormat charFormatOf(const store::ChatMessage& m);

// Fills the message's face name (GBK, at most kFaceNameBytes, cut on a
// character boundary), size in points (1..255), colour (COLORREF 0x00BBGGRR)
// and effects from `f`. What `f` leaves unset comes from the default font.
void setFormatOf(store::ChatMessage& m, const QTextCharFormat& f);

}  // namespace zemra::client::ui
