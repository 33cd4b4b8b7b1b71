// SPDX-License-Identifier: GPL-3.0-or-later
// Raw values of the player's marks.
#include "model/Mark.h"

std::string_view rawValue(Mark mark)
{
    switch (mark) {
    case Mark::none:
        return "none";
    case Mark::flag:
        return "flag";
    case Mark::question:
        return "question";
    }
    return "none";
}

std::optional<Mark> markFromRaw(std::string_view raw)
{
    for (const Mark mark : { Mark::none, Mark::flag, Mark::question }) {
        if (rawValue(mark) == raw)
            return mark;
    }
    return std::nullopt;
}
