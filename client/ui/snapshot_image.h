// Snapshot pictures between Qt images and the bitmap layout they are stored
// in: uncompressed 24-bit BGR rows, bottom row first, each padded to 4 bytes.
#pragma once

#include <QImage>

#include "client/store/snapshot_file.h"

namespace zemra::client::ui {

// The picture as it is stored; an empty picture for a null image.
store::SnapshotPicture snapshotFromImage(const QImage& image);

// The stored picture for display: uncompressed 24 or 32 bits, rows
// bottom-up or (negative height) top-down. A null image for anything else,
// or when the pixel bytes are fewer than the header's size needs.
QImage imageFromSnapshot(const store::SnapshotPicture& picture);

}  // namespace zemra::client::ui
