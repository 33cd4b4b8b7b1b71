// What the sync-folder dialog's buttons do.
#include "app/SyncFolderCommand.h"

#include "store/CloudStore.h"
#include "ui/window/SyncFolderDialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

SyncFolderCommand::SyncFolderCommand(
    CloudStore& store, SyncFolderSetting setting, bool overridden, QWidget* window, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_setting(std::move(setting))
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
        if (m_setting.setFolder(folder))
            return true;
        warn(tr("Sapperly couldn't remember the sync folder."),
            tr("Its settings file cannot be written: %1")
                .arg(QDir::toNativeSeparators(m_setting.file())));
        return false;
    }
    if (!m_store.setCloudFolder(folder)) {
        warn(
            tr("Sapperly can't sync through \u201c%1\u201d.").arg(QDir::toNativeSeparators(folder)),
            tr("Choose a folder that you can read and write. Syncing stays as it was."));
        return false;
    }
    // The store already syncs through the folder; failing to remember it only costs the next
    // launch, and the player hears about it.
    if (!m_setting.setFolder(folder))
        warn(tr("Sapperly couldn't remember the sync folder."),
            tr("It syncs through it until it quits, but the next launch won't."));
    return true;
}

bool SyncFolderCommand::stopSyncing()
{
    if (!m_overridden)
        m_store.setCloudFolder(std::nullopt);
    if (m_setting.setFolder(std::nullopt))
        return true;
    warn(tr("Sapperly couldn't remember to stop syncing."),
        tr("Its settings file cannot be written, so the next launch syncs again."));
    return false;
}

void SyncFolderCommand::openDialog()
{
    const std::optional<QString> current = m_store.cloudFolder();
    auto* dialog = new SyncFolderDialog(current, m_overridden, m_window);
    // A folder asked for (remembered, or given for this run) that the store could not take.
    const std::optional<QString> asked = m_setting.sides(QCoreApplication::arguments()).cloudFolder;
    if (!current && asked && !asked->isEmpty())
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
            m_store.cloudFolder().value_or(m_setting.folder().value_or(QDir::homePath()));
        if (const std::optional<QString> folder = m_chooseFolder(m_window, start))
            useFolder(*folder);
    }
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
