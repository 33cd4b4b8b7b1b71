// SPDX-License-Identifier: GPL-3.0-or-later
// Where the board's squares are on the screen, for scripts that click them.
#include "app/GeometryReport.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardSurface.h"
#include "ui/board/BoardView.h"

#include <QEvent>
#include <QTextStream>

GeometryReport::GeometryReport(BoardView& board, GameEngine& engine)
    : QObject(&board)
    , m_board(board)
    , m_engine(engine)
{
    board.installEventFilter(this);
    board.surface().installEventFilter(this);
    connect(&engine, &GameEngine::boardChanged, this, &GeometryReport::report);
}

bool GeometryReport::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::Resize || type == QEvent::Move || type == QEvent::Show)
        report();
    return QObject::eventFilter(watched, event);
}

void GeometryReport::report()
{
    const QWidget& surface = m_board.surface();
    if (!surface.isVisible())
        return;
    const Difficulty difficulty = m_engine.board().difficulty;
    const QPoint origin = surface.mapToGlobal(QPoint(0, 0));
    const QString line = QStringLiteral("board %1 %2 %3 %4 %5")
                             .arg(origin.x())
                             .arg(origin.y())
                             .arg(m_board.squareSize())
                             .arg(columns(difficulty))
                             .arg(rows(difficulty));
    if (line == m_last)
        return;
    m_last = line;
    QTextStream(stdout) << line << Qt::endl;
}
