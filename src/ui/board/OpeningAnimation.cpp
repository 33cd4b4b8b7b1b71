// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/OpeningAnimation.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>

namespace {

Instant wallClock()
{
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0 -
        unixToReferenceOffset;
}

} // namespace

OpeningAnimation::OpeningAnimation(Clock now, QObject* parent)
    : QObject(parent)
    , m_animator(new QTimer(this))
    , m_now(now ? std::move(now) : Clock(wallClock))
{
    m_animator->setInterval(framePeriodMs);
    m_animator->setTimerType(Qt::PreciseTimer);
    connect(m_animator, &QTimer::timeout, this, &OpeningAnimation::advance);
}

bool OpeningAnimation::isRunning() const
{
    return m_animator->isActive();
}

void OpeningAnimation::detectOpened(const Board& board)
{
    std::unordered_set<Point> revealed;
    std::vector<Point> fresh;
    // A board read from another machine may be short of cells; only the ones present count.
    const std::int64_t count = std::min<std::int64_t>(
        board.columns() * board.rows(), static_cast<std::int64_t>(board.cells.size()));
    for (std::int64_t i = 0; i < count; ++i) {
        if (!board.cells[static_cast<std::size_t>(i)].isRevealed)
            continue;
        const Point point { i % board.columns(), i / board.columns() };
        revealed.insert(point);
        if (!m_wasRevealed.contains(point))
            fresh.push_back(point);
    }
    m_wasRevealed = std::move(revealed);
    if (fresh.empty())
        return;

    const Instant start = m_now();
    for (const Point& point : fresh)
        m_opened[point] = start;
    if (!m_animator->isActive())
        m_animator->start();
}

void OpeningAnimation::resetOpening()
{
    m_opened.clear();
    m_wasRevealed.clear();
}

std::optional<double> OpeningAnimation::progress(Point square, Instant now) const
{
    const auto found = m_opened.find(square);
    if (found == m_opened.end())
        return std::nullopt;
    const double t = std::clamp((now - found->second) / openDuration, 0.0, 1.0);
    if (t >= 1.0)
        return std::nullopt;
    return t;
}

void OpeningAnimation::advance()
{
    std::vector<Point> animated;
    animated.reserve(m_opened.size());
    for (auto entry = m_opened.begin(); entry != m_opened.end();) {
        animated.push_back(entry->first);
        // Each entry reads the clock afresh, so one that expires during the pass goes now.
        if (m_now() - entry->second >= openDuration)
            entry = m_opened.erase(entry);
        else
            ++entry;
    }
    ++m_tick;
    emit frameAdvanced(animated);
    if (m_opened.empty())
        m_animator->stop();
}
