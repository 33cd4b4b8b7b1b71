// SPDX-License-Identifier: GPL-3.0-or-later
// Layout and wording of the sync-folder dialog.
#include "ui/window/SyncFolderDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SyncFolderDialog::SyncFolderDialog(
    const std::optional<QString>& currentFolder, bool overridden, QWidget* parent)
    : QDialog(parent)
    , m_status(new QLabel)
    , m_choose(new QPushButton(tr("Choose Folder\u2026")))
    , m_stop(new QPushButton(tr("Stop Syncing")))
{
    setWindowTitle(tr("Sync Folder"));
    auto* layout = new QVBoxLayout(this);

    // Folder names are shown as they are, never read as markup.
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (currentFolder)
        m_status->setText(tr("Sapperly keeps your game and statistics in step with your other "
                             "machines through this folder:\n%1")
                              .arg(QDir::toNativeSeparators(*currentFolder)));
    else
        m_status->setText(tr("Sapperly isn't syncing. Choose the folder that your sync tool shares "
                             "with your other machines, and Sapperly keeps your game and "
                             "statistics there too."));
    layout->addWidget(m_status);

    if (overridden) {
        auto* note = new QLabel(tr("For this run the sync folder is set by the --sync-folder "
                                   "option or the SAPPERLY_SYNC_FOLDER variable. What you choose "
                                   "here is remembered for launches without them."));
        note->setWordWrap(true);
        layout->addWidget(note);
    }

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(m_choose, QDialogButtonBox::ActionRole);
    buttons->addButton(m_stop, QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    // Under an override the remembered choice may differ from what runs now, so stopping is
    // always offered there.
    m_stop->setEnabled(currentFolder.has_value() || overridden);
    m_choose->setDefault(true);
    layout->addWidget(buttons);

    connect(m_choose, &QPushButton::clicked, this, [this] { done(chooseFolder); });
    connect(m_stop, &QPushButton::clicked, this, [this] { done(stopSyncing); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void SyncFolderDialog::showUnusableFolder(const QString& folder)
{
    m_status->setText(tr("Sapperly can't sync through \u201c%1\u201d: %2 Your game and statistics "
                         "are kept on this machine only. Choose a folder that works, or stop "
                         "syncing to stop trying this one.")
                          .arg(QDir::toNativeSeparators(folder), whyUnusable(folder)));
    m_stop->setEnabled(true);
}

QString SyncFolderDialog::statusText() const
{
    return m_status->text();
}

QString SyncFolderDialog::whyUnusable(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return tr("it does not exist and cannot be made.");
    if (!info.isDir())
        return tr("it is a file, not a folder.");
    if (!info.isReadable() || !info.isWritable() || !info.isExecutable())
        return tr("you may not read and write in it.");
    return tr("it cannot be read.");
}
