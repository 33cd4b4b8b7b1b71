// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar, the board and, while a game is over, the result banner, stacked with 12
// points between them. The banner slides in from the bottom while fading in, and the board
// gives up its room on the same critically damped spring.
#pragma once

#include <QWidget>

class QGraphicsOpacityEffect;
class QVariantAnimation;

class GameColumn : public QWidget {
    Q_OBJECT

public:
    static constexpr int spacing = 12;
    /// The spring's response: one undamped period, 0.35 s.
    static constexpr double springResponse = 0.35;

    /// Takes the three widgets as children.
    GameColumn(QWidget* statusBar, QWidget* board, QWidget* banner, QWidget* parent = nullptr);

    /// Shows or hides the banner; animated unless the window is not on screen yet.
    void setBannerShown(bool shown);
    [[nodiscard]] bool isBannerShown() const { return m_shown; }
    /// 0 with the banner away, 1 with it fully in; between the two while the spring runs.
    [[nodiscard]] double bannerProgress() const { return m_progress; }
    [[nodiscard]] bool isAnimating() const;
    /// Jumps a running banner animation to its end.
    void settle();

    /// The spring's position after seconds, from 0 towards 1 without overshoot.
    [[nodiscard]] static double springPosition(double seconds);

    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setProgress(double progress);
    void place();

    QWidget* m_statusBar;
    QWidget* m_board;
    QWidget* m_banner;
    QGraphicsOpacityEffect* m_fade;
    QVariantAnimation* m_spring;
    bool m_shown = false;
    double m_progress = 0;
};
