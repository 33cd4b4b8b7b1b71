// SPDX-License-Identifier: GPL-3.0-or-later
// A square's coordinate: column x and row y, both signed so that a click left of or above the
// board is representable and can be refused.
#pragma once

#include <cstdint>
#include <functional>

struct Point {
    std::int64_t x = 0;
    std::int64_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

template <> struct std::hash<Point> {
    std::size_t operator()(const Point& point) const noexcept
    {
        const std::size_t hx = std::hash<std::int64_t> {}(point.x);
        const std::size_t hy = std::hash<std::int64_t> {}(point.y);
        return hx ^ (hy + 0x9e3779b97f4a7c15ULL + (hx << 6) + (hx >> 2));
    }
};
