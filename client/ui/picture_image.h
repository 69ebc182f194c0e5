// Pictures the engines hand over (a bitmap information header and its
// bytes) as images the widgets can paint: uncompressed 24- and 32-bit RGB
// either way up, and the camera formats I420 and YUY2.
#pragma once

#include <QImage>
#include <cstddef>
#include <optional>

#include "platform/bitmap_info_header.h"

namespace zemra::client::ui {

// The bytes a picture of this header occupies, or 0 for a format (or a size)
// that cannot be shown.
std::size_t pictureBytes(const BitmapInfoHeader& header);

// A copy of the picture; nullopt for a format that cannot be shown.
std::optional<QImage> imageFromPicture(const BitmapInfoHeader& header, const void* bits);

}  // namespace zemra::client::ui
