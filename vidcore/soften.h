// Softens a 24-bit picture before it is enlarged on screen, so that the
// enlargement looks less blocky: a 4 × 4 kernel
//   1 2 2 1 / 2 3 3 2 / 2 3 3 2 / 1 2 2 1   (sum 32)
// applied in place, rows from the second-highest in memory down to the
// third, columns left to right, so that pixels already softened (the row
// above in memory, and the pixel to the left) enter later sums with their
// new values. Edge rows and columns stay as they were.
#pragma once

#include <cstdint>

namespace zemra::vid {

// Rows are ((24 × width + 31) / 32) × 4 bytes apart, row 0 first in memory.
void soften(uint8_t* bits, int width, int height);

// When the display enlarges a picture by half or more in either direction.
bool needsSoftening(int pictureWidth, int pictureHeight, int displayWidth, int displayHeight);

}  // namespace zemra::vid
