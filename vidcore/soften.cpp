#include "vidcore/soften.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace zemra::vid {

bool needsSoftening(int pictureWidth, int pictureHeight, int displayWidth, int displayHeight) {
    return 2LL * displayWidth >= 3LL * pictureWidth || 2LL * displayHeight >= 3LL * pictureHeight;
}

void soften(uint8_t* bits, int width, int height) {
    if (width < 4 || height < 4) return;
    const size_t stride = ((static_cast<size_t>(width) * 24 + 31) / 32) * 4;
    // Colour bytes of the target columns 1 .. width - 3.
    const size_t first = 3;
    const size_t end = static_cast<size_t>(width - 2) * 3;
    std::vector<uint16_t> partial(end);
    for (int r = height - 2; r >= 2; --r) {
        const uint8_t* up = bits + stride * (r + 1);  // already softened
        uint8_t* cur = bits + stride * r;
        const uint8_t* d1 = bits + stride * (r - 1);
        const uint8_t* d2 = bits + stride * (r - 2);
        // Everything but the left neighbour in this row, which changes as
        // the row is worked through: computed over the whole row at once.
        uint16_t* a = partial.data();
        for (size_t i = first; i < end; ++i) {
            a[i] = static_cast<uint16_t>(up[i - 3] + 2 * up[i] + 2 * up[i + 3] + up[i + 6] +  //
                                         3 * cur[i] + 3 * cur[i + 3] + 2 * cur[i + 6] +       //
                                         2 * d1[i - 3] + 3 * d1[i] + 3 * d1[i + 3] + 2 * d1[i + 6] +
                                         d2[i - 3] + 2 * d2[i] + 2 * d2[i + 3] + d2[i + 6]);
        }
        // The sum never exceeds 32 × 255, so the rounded quotient fits a byte.
        for (size_t i = first; i < end; ++i) {
            cur[i] = static_cast<uint8_t>((a[i] + 2 * cur[i - 3] + 16) >> 5);
        }
    }
}

}  // namespace zemra::vid
