// New-game confirmation texts and button roles.
#include "ui/window/NewGameDialog.h"

#include "ui/window/Palette.h"

#include <QPushButton>

NewGameDialog::NewGameDialog(QWidget* parent)
    : QMessageBox(parent)
{
    setObjectName(QStringLiteral("newGameDialog"));
    setWindowModality(Qt::WindowModal);
    // The question is the message itself; the window manager's title bar names the program, and
    // Qt's stock question icon is drawn for a light theme.
    setIcon(QMessageBox::NoIcon);
    setWindowTitle(tr("Sapperly"));
    setText(tr("Start a new game?"));
    setInformativeText(tr("The field you're on will be abandoned."));
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
