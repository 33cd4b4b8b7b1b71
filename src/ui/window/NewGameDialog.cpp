// SPDX-License-Identifier: GPL-3.0-or-later
// New-game confirmation texts and button roles.
#include "ui/window/NewGameDialog.h"

#include "ui/window/Palette.h"
#include "ui/window/WindowTheme.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

NewGameDialog::NewGameDialog(QWidget* parent)
    : QMessageBox(parent)
{
    setObjectName(QStringLiteral("newGameDialog"));
    setWindowModality(Qt::WindowModal);
    // The question is the message itself and the title bar names the program. Qt's stock
    // question icon is drawn for a light theme; the program's own icon sits there instead.
    setWindowTitle(tr("Sapperly"));
    setText(tr("Start a new game?"));
    setInformativeText(tr("The field you're on will be abandoned."));
    if (const QIcon icon = applicationIcon(); !icon.isNull())
        setIconPixmap(icon.pixmap(iconSide));
    // The question reads as the heading, the consequence under it on one line.
    if (auto* question = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        QFont bold = question->font();
        bold.setBold(true);
        question->setFont(bold);
    }
    if (auto* detail = findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        detail->setWordWrap(false);
    m_confirm = addButton(tr("New Game"), QMessageBox::DestructiveRole);
    m_cancel = addButton(tr("Cancel"), QMessageBox::RejectRole);
    setEscapeButton(m_cancel);
    // Return answers "Cancel": a stray key press must not throw the game away.
    setDefaultButton(qobject_cast<QPushButton*>(m_cancel));

    // Throwing the game away reads as such: the button is tinted red.
    QPalette destructive = m_confirm->palette();
    destructive.setColor(QPalette::Button, Palette::destructive());
    destructive.setColor(QPalette::ButtonText, Qt::white);
    m_confirm->setPalette(destructive);
}
