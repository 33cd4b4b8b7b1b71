// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/BoardLayout.h"

#include <algorithm>
#include <cmath>

BoardLayout BoardLayout::forArea(QSizeF offered, Difficulty difficulty)
{
    const auto c = static_cast<double>(columns(difficulty));
    const auto r = static_cast<double>(rows(difficulty));
    // A negative offer (a collapsed layout) just means "no room": minCell takes over.
    const double fitted = std::floor(std::min(offered.height() / r, offered.width() / c));
    BoardLayout layout;
    layout.squareSize = std::max(minCell, std::isnan(fitted) ? minCell : fitted);
    layout.boardSize = QSizeF(c * layout.squareSize, r * layout.squareSize);
    layout.scrolls = offered.width() + 0.5 < layout.boardSize.width() ||
        offered.height() + 0.5 < layout.boardSize.height();
    return layout;
}
