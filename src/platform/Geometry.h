#pragma once
// Places and sizes in screen pixels, and where a window goes in the z-order.

#include <cstdint>

namespace kardello {

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// SetWindowPos: where the window goes in the z-order, and flags.
enum class ZOrder { Top, TopMost };
constexpr std::uint32_t kSwpNoSize = 0x1;
constexpr std::uint32_t kSwpNoMove = 0x2;

}  // namespace kardello
