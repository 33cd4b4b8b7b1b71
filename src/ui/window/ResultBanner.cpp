// SPDX-License-Identifier: GPL-3.0-or-later
// Result banner layout, texts and colours.
#include "ui/window/ResultBanner.h"

#include "engine/GameEngine.h"
#include "ui/window/Fonts.h"
#include "ui/window/Glyphs.h"
#include "ui/window/Palette.h"
#include "ui/window/PanelPainting.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int padding = 14;

QString cssColour(const QColor& colour)
{
    return colour.name(QColor::HexArgb);
}

void setInk(QLabel& label, const QColor& colour)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

} // namespace

ResultBanner::ResultBanner(GameEngine& engine, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_title(new QLabel(this))
    , m_stats(new QLabel(this))
    , m_postMortem(new QLabel(this))
    , m_playAgain(new QPushButton(tr("Play Again"), this))
{
    m_title->setFont(Fonts::headline());
    m_title->setTextFormat(Qt::PlainText);
    m_stats->setFont(Fonts::footnote());
    m_stats->setTextFormat(Qt::PlainText);
    setInk(*m_stats, Palette::secondaryInk());
    m_postMortem->setFont(Fonts::footnote());
    m_postMortem->setTextFormat(Qt::PlainText);
    setInk(*m_postMortem, Palette::secondaryInk());
    m_postMortem->hide();

    // Dark ink on the accent fill: light text on this amber would be hard to read.
    const QColor ink = Palette::windowBackground();
    m_playAgain->setIcon(Glyphs::clockwiseArrow(ink, 14));
    m_playAgain->setIconSize(QSize(14, 14));
    m_playAgain->setFont(Fonts::control(QFont::DemiBold));
    m_playAgain->setFocusPolicy(Qt::TabFocus);
    m_playAgain->setCursor(Qt::PointingHandCursor);
    m_playAgain->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid %3;"
                       " border-radius: 6px; padding: 5px 12px; }"
                       "QPushButton:hover { background-color: %4; }"
                       "QPushButton:pressed { background-color: %3; }"
                       "QPushButton:focus { border: 2px solid %5; }")
            .arg(cssColour(Palette::accent()), cssColour(ink),
                cssColour(Palette::accent().darker(125)), cssColour(Palette::accent().lighter(108)),
                cssColour(Palette::titleInk())));

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_title);
    texts->addWidget(m_stats);
    texts->addWidget(m_postMortem);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(14);
    row->addLayout(texts);
    row->addStretch(1);
    row->addWidget(m_playAgain, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    connect(m_playAgain, &QPushButton::clicked, this, &ResultBanner::playAgainClicked);
    connect(&engine, &GameEngine::boardChanged, this, &ResultBanner::refresh);
    connect(&engine, &GameEngine::recordsChanged, this, &ResultBanner::refresh);
    connect(&engine, &GameEngine::justSetRecordChanged, this, &ResultBanner::refresh);
    refresh();
}

QString ResultBanner::titleText() const
{
    return m_title->text();
}

QString ResultBanner::statsText() const
{
    return m_stats->text();
}

void ResultBanner::setPostMortemLine(const QString& text)
{
    if (text == m_postMortem->text())
        return;
    m_postMortem->setText(text);
    m_postMortem->setVisible(!text.isEmpty());
    // The banner grows or shrinks by a line; its owner places it by its size hint.
    updateGeometry();
}

QString ResultBanner::postMortemText() const
{
    return m_postMortem->text();
}

QString ResultBanner::title(Board::Phase phase, bool justSetRecord)
{
    if (phase != Board::Phase::won)
        return tr("Boom.");
    return justSetRecord ? tr("New best time!") : tr("Cleared!");
}

QString ResultBanner::statsLine(
    const Board& board, const Records& records, std::int64_t elapsedSeconds)
{
    const Difficulty difficulty = board.difficulty;
    const Record record = recordOf(records, difficulty);
    const QString best =
        record.bestSeconds ? QString::number(*record.bestSeconds) + u's' : QStringLiteral("\u2014");
    const QString name = QString::fromUtf8(::title(difficulty));
    const QString tail =
        QStringLiteral(" \u00B7 best %1 \u00B7 %2 of %3 won")
            .arg(best, QString::number(record.won), QString::number(record.played));
    if (board.phase == Board::Phase::won)
        return name + QStringLiteral(" in %1s").arg(elapsedSeconds) + tail;
    return name + tail;
}

void ResultBanner::refresh()
{
    const Board& board = m_engine.board();
    // While the banner slides away after a new game it keeps showing the game that ended.
    if (!board.isOver())
        return;
    m_won = board.phase == Board::Phase::won;
    m_title->setText(title(board.phase, m_engine.justSetRecord()));
    m_title->setAccessibleName(m_title->text());
    setInk(*m_title, m_won ? Palette::accent() : Palette::titleInk());
    m_stats->setText(statsLine(board, m_engine.records(), m_engine.elapsedSeconds()));
    m_stats->setAccessibleName(m_stats->text());
    update();
}

void ResultBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor border =
        m_won ? Palette::withOpacity(Palette::accent(), 0.6) : Palette::panelBorder();
    paintPanel(painter, QRectF(rect()), panelCornerRadius, Palette::panelFill(), border, 1.0);
}
