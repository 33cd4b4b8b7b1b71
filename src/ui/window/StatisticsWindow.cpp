// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics table and its texts.
#include "ui/window/StatisticsWindow.h"

#include "engine/GameEngine.h"
#include "ui/window/Fonts.h"
#include "ui/window/Palette.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QShortcut>

#include <algorithm>
#include <cmath>

namespace {

const QString emDash = QStringLiteral("\u2014");

QLabel* label(const QString& text, const QFont& font, const QColor& ink, Qt::Alignment alignment)
{
    auto* result = new QLabel(text);
    result->setTextFormat(Qt::PlainText);
    result->setFont(font);
    result->setAlignment(alignment | Qt::AlignVCenter);
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, ink);
    result->setPalette(palette);
    return result;
}

} // namespace

StatisticsWindow::StatisticsWindow(const GameEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_engine(engine)
{
    setWindowTitle(tr("Statistics"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 16, 20, 18);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(10);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        grid->addWidget(
            label(heading(columns[c]), Fonts::footnote(), Palette::secondaryInk(), Qt::AlignRight),
            0, static_cast<int>(c) + 1);
    }
    for (std::size_t row = 0; row < allDifficulties.size(); ++row) {
        grid->addWidget(label(QString::fromUtf8(title(allDifficulties[row])),
                            Fonts::control(QFont::DemiBold), Palette::titleInk(), Qt::AlignLeft),
            static_cast<int>(row) + 1, 0);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            m_cells[row][c] = label({}, Fonts::control(), Palette::titleInk(), Qt::AlignRight);
            grid->addWidget(m_cells[row][c], static_cast<int>(row) + 1, static_cast<int>(c) + 1);
        }
    }
    // Grows with the numbers and cannot be resized beyond them.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    for (const QKeySequence& keys :
        { QKeySequence(QKeySequence::Cancel), QKeySequence(QKeySequence::Close) })
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    connect(&engine, &GameEngine::recordsChanged, this, &StatisticsWindow::refresh);
    refresh();
}

QString StatisticsWindow::text(Difficulty difficulty, Column column) const
{
    const auto row = static_cast<std::size_t>(
        std::find(allDifficulties.begin(), allDifficulties.end(), difficulty) -
        allDifficulties.begin());
    const auto c = static_cast<std::size_t>(
        std::find(columns.begin(), columns.end(), column) - columns.begin());
    return m_cells[row][c]->text();
}

QString StatisticsWindow::heading(Column column)
{
    switch (column) {
    case Column::played:
        return tr("Played");
    case Column::won:
        return tr("Won");
    case Column::winRate:
        return tr("Win rate");
    case Column::bestTime:
        return tr("Best time");
    }
    return {};
}

QString StatisticsWindow::cellText(const Record& record, Column column)
{
    switch (column) {
    case Column::played:
        return QString::number(record.played);
    case Column::won:
        return QString::number(record.won);
    case Column::winRate: {
        if (record.played <= 0)
            return emDash;
        // Counts merged from other machines are not trusted to keep won within played.
        const double share = std::clamp(
            static_cast<double>(record.won) / static_cast<double>(record.played), 0.0, 1.0);
        return QString::number(std::lround(share * 100.0)) + u'%';
    }
    case Column::bestTime:
        return record.bestSeconds ? QString::number(*record.bestSeconds) + u's' : emDash;
    }
    return {};
}

void StatisticsWindow::refresh()
{
    const Records& records = m_engine.records();
    for (std::size_t row = 0; row < allDifficulties.size(); ++row) {
        const Record record = recordOf(records, allDifficulties[row]);
        for (std::size_t c = 0; c < columns.size(); ++c)
            m_cells[row][c]->setText(cellText(record, columns[c]));
    }
}

void StatisticsWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::windowBackground());
}
