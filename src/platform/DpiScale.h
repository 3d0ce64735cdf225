#pragma once
// Pixel quantities laid out for 96 DPI, at the system's DPI. Everything drawn or
// placed in fixed pixels goes through one DpiScale, so that nothing lags behind the
// dialog templates, which the dialog manager scales by itself.

#include <cstdint>

namespace kardello {

constexpr int kBaseDpi = 96;

// a * b / c rounded half away from zero, as Windows' MulDiv rounds; -1 when c is 0 or
// the result does not fit, as MulDiv answers.
constexpr int MulDivRound(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    // Magnitudes as unsigned: |a * b| reaches 2^62, twice that still fits.
    const std::uint64_t top = product < 0 ? 0 - static_cast<std::uint64_t>(product)
                                          : static_cast<std::uint64_t>(product);
    const std::uint64_t bottom = c < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(c))
                                       : static_cast<std::uint64_t>(c);
    const std::uint64_t magnitude = (2 * top + bottom) / (2 * bottom);
    if (magnitude > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return -1;
    return negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<int>(magnitude);
}

class DpiScale {
public:
    // A DPI the system cannot mean (0 or less) counts as 96.
    explicit constexpr DpiScale(int dpi) : dpi_(dpi > 0 ? dpi : kBaseDpi) {}
    constexpr int Dpi() const { return dpi_; }
    // Pixels at 96 DPI, at this DPI.
    constexpr int operator()(int pixels) const { return MulDivRound(pixels, dpi_, kBaseDpi); }

private:
    int dpi_;
};

}  // namespace kardello
