// SPDX-License-Identifier: GPL-3.0-or-later
// Pre-rendered squares. Every look a square can have is drawn with paths once per square size
// and pixel ratio and then copied, so a frame costs a few hundred image copies, not paths.
#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <unordered_map>

class SquareSprites {
public:
    enum class Base : std::uint8_t { tile, open, exploded };
    enum class Symbol : std::uint8_t { none, flag, cross, question, mine, number };
    /// Which rounded corner of the board, if any, cuts through the square.
    enum class Corner : std::uint8_t { none, topLeft, topRight, bottomLeft, bottomRight };

    struct Look {
        Base base = Base::tile;
        Symbol symbol = Symbol::none;
        /// The count shown when symbol is number.
        std::int64_t number = 0;

        friend bool operator==(const Look&, const Look&) = default;
    };

    /// Drops every sprite when the square size or the pixel ratio differs from the last call.
    void prepare(double squareSize, double pixelRatio);

    /// The square as it looks at rest, in device pixels (the image carries no pixel ratio of
    /// its own); opaque unless it is a corner one.
    [[nodiscard]] const QImage& square(const Look& look, QSize pixels, Corner corner);
    /// The shrinking, fading tile drawn over a freshly uncovered square at progress t (0 ≤ t < 1).
    /// Kept only until the next beginFrame: every frame has its own progress values.
    [[nodiscard]] const QImage& openingTile(double t, QSize pixels, Corner corner);
    void beginFrame();

private:
    struct Key {
        Look look;
        int width = 0;
        int height = 0;
        Corner corner = Corner::none;
        double progress = 0;

        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const noexcept;
    };

    [[nodiscard]] QImage renderSquare(const Look& look, QSize pixels) const;
    [[nodiscard]] QImage renderOpeningTile(double t, QSize pixels) const;
    void cutCorner(QImage& image, Corner corner) const;

    double m_squareSize = 0;
    double m_pixelRatio = 0;
    std::unordered_map<Key, QImage, KeyHash> m_squares;
    std::unordered_map<Key, QImage, KeyHash> m_openingTiles;
};
