// SPDX-License-Identifier: GPL-3.0-or-later
// What the sync-folder dialog's buttons do.
#include "app/SyncFolderCommand.h"

#include "engine/GameEngine.h"
#include "ui/window/SyncFolderDialog.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

SyncFolderCommand::SyncFolderCommand(
    GameEngine& engine, Settings settings, bool overridden, QWidget* window, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_settings(std::move(settings))
    , m_overridden(overridden)
    , m_window(window)
    , m_action(new QAction(tr("Sync Folder\u2026"), this))
    , m_chooseFolder([](QWidget* dialogParent, const QString& start) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(
            dialogParent, tr("Choose the Folder Your Sync Tool Shares"), start);
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    })
{
    connect(m_action, &QAction::triggered, this, &SyncFolderCommand::openDialog);
}

bool SyncFolderCommand::useFolder(const QString& folder)
{
    if (m_overridden) {
        if (m_settings.setSyncFolder(folder))
            return true;
        warn(tr("Sapperly couldn't remember the sync folder."),
            tr("Its settings file cannot be written: %1")
                .arg(QDir::toNativeSeparators(m_settings.file())));
        return false;
    }
    switch (m_engine.attachSyncFolder(folder)) {
    case GameEngine::SyncFolderResult::attached:
        break;
    case GameEngine::SyncFolderResult::unusable:
        warn(cannotSync(folder),
            tr("Choose a folder that you can read and write. Syncing stays as it was."));
        return false;
    case GameEngine::SyncFolderResult::dataFolder:
        warn(cannotSync(folder),
            tr("It is the folder Sapperly keeps its own files in on this machine. Choose the "
               "folder your sync tool shares. Syncing stays as it was."));
        return false;
    }
    // The store already syncs through the folder; failing to remember it only costs the next
    // launch, and the player hears about it.
    if (!m_settings.setSyncFolder(folder))
        warn(tr("Sapperly couldn't remember the sync folder."),
            tr("It syncs through it until it quits, but the next launch won't."));
    return true;
}

bool SyncFolderCommand::stopSyncing()
{
    if (!m_overridden)
        m_engine.detachSyncFolder();
    if (m_settings.setSyncFolder(std::nullopt))
        return true;
    warn(tr("Sapperly couldn't remember to stop syncing."),
        tr("Its settings file cannot be written, so the next launch syncs again."));
    return false;
}

void SyncFolderCommand::openDialog()
{
    const std::optional<QString> current = m_engine.syncFolder();
    auto* dialog = new SyncFolderDialog(current, m_overridden, m_window);
    // A folder asked for (given for this run, or remembered) that the game could not take.
    const std::optional<QString> asked = m_overridden ? m_requested : m_settings.syncFolder();
    if (!current && asked)
        dialog->showUnusableFolder(*asked);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, &SyncFolderCommand::onDialogFinished);
    dialog->open();
}

void SyncFolderCommand::onDialogFinished(int choice)
{
    if (choice == SyncFolderDialog::stopSyncing) {
        stopSyncing();
    } else if (choice == SyncFolderDialog::chooseFolder) {
        const QString start =
            m_engine.syncFolder().value_or(m_settings.syncFolder().value_or(QDir::homePath()));
        if (const std::optional<QString> folder = m_chooseFolder(m_window, start))
            useFolder(*folder);
    }
}

QString SyncFolderCommand::cannotSync(const QString& folder)
{
    return tr("Sapperly can't sync through \u201c%1\u201d.").arg(QDir::toNativeSeparators(folder));
}

void SyncFolderCommand::warn(const QString& text, const QString& detail)
{
    // Opened without a nested event loop, so the board keeps drawing and tests keep running.
    auto* box =
        new QMessageBox(QMessageBox::Warning, tr("Sync Folder"), text, QMessageBox::Ok, m_window);
    box->setInformativeText(detail);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
