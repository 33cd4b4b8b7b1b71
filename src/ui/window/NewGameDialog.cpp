// New-game confirmation texts and button roles.
#include "ui/window/NewGameDialog.h"

#include <QPushButton>

NewGameDialog::NewGameDialog(QWidget* parent)
    : QMessageBox(parent)
{
    setObjectName(QStringLiteral("newGameDialog"));
    setWindowModality(Qt::WindowModal);
    setIcon(QMessageBox::Question);
    setWindowTitle(tr("Start a new game?"));
    setText(tr("Start a new game?"));
    setInformativeText(tr("The field you're on will be abandoned."));
    m_confirm = addButton(tr("New Game"), QMessageBox::DestructiveRole);
    m_cancel = addButton(tr("Cancel"), QMessageBox::RejectRole);
    setEscapeButton(m_cancel);
    // Return answers "Cancel": a stray key press must not throw the game away.
    setDefaultButton(qobject_cast<QPushButton*>(m_cancel));
}
