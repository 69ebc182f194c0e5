// The message hub between the engines (video, audio, file transfer) and the
// program that hosts them.
//
// Engines run their own threads and never touch the user interface: they
// post numbered messages to a window handle, hand decoded pictures to be
// drawn in a window rectangle, and ask for message boxes. The host installs
// one sink for each; until it does, messages and pictures are dropped and
// message boxes are written to stderr.
//
// Posting is thread-safe and never blocks: the sinks are swapped atomically
// and a sink must itself only queue the work (the Qt client posts events).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/bitmap_info_header.h"

namespace zemra {

using WindowHandle = uintptr_t;

constexpr uint32_t kWmUser = 0x0400;

void postWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Draws `bits` (laid out as `header` says) stretched into (x, y, width, height) of `window`.
// The sink copies what it needs before returning.
void drawPicture(WindowHandle window, int x, int y, int width, int height,
                 const BitmapInfoHeader& header, const void* bits);

// Texts are UTF-8.
void showMessageBox(std::string_view text, std::string_view caption);

}  // namespace zemra

extern "C" {

typedef void (*ZemraWindowMessageSink)(uintptr_t window, uint32_t message, uintptr_t wParam,
                                       intptr_t lParam, void* context);
// `header` points at the 40 bytes of a bitmap information header.
typedef void (*ZemraPictureSink)(uintptr_t window, int x, int y, int width, int height,
                                 const uint8_t* header, const void* bits, void* context);
// NUL-terminated UTF-8 texts.
typedef void (*ZemraMessageBoxSink)(const char* text, const char* caption, void* context);

// Installing a null sink restores the default.
void zemra_set_window_message_sink(ZemraWindowMessageSink sink, void* context);
void zemra_set_picture_sink(ZemraPictureSink sink, void* context);
void zemra_set_message_box_sink(ZemraMessageBoxSink sink, void* context);
}
