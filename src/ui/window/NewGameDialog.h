// SPDX-License-Identifier: GPL-3.0-or-later
// The question asked before a game under way is abandoned for a new one.
#pragma once

#include <QMessageBox>

class NewGameDialog : public QMessageBox {
    Q_OBJECT

public:
    /// The program's icon beside the question, in points.
    static constexpr int iconSide = 48;

    explicit NewGameDialog(QWidget* parent = nullptr);

    [[nodiscard]] QAbstractButton* confirmButton() const { return m_confirm; }
    [[nodiscard]] QAbstractButton* cancelButton() const { return m_cancel; }
    /// True once the dialog was closed by "New Game"; Escape, "Cancel" or closing is a no.
    [[nodiscard]] bool wasConfirmed() const { return clickedButton() == m_confirm; }

private:
    QAbstractButton* m_confirm;
    QAbstractButton* m_cancel;
};
