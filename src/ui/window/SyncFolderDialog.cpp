// Layout and wording of the sync-folder dialog.
#include "ui/window/SyncFolderDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SyncFolderDialog::SyncFolderDialog(
    const std::optional<QString>& currentFolder, bool overridden, QWidget* parent)
    : QDialog(parent)
    , m_choose(new QPushButton(tr("Choose Folder\u2026")))
    , m_stop(new QPushButton(tr("Stop Syncing")))
{
    setWindowTitle(tr("Sync Folder"));
    auto* layout = new QVBoxLayout(this);

    auto* status = new QLabel;
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (currentFolder)
        status->setText(tr("Sapperly keeps your game and statistics in step with your other "
                           "machines through this folder:\n%1")
                            .arg(QDir::toNativeSeparators(*currentFolder)));
    else
        status->setText(tr("Sapperly isn't syncing. Choose the folder that your sync tool shares "
                           "with your other machines, and Sapperly keeps your game and "
                           "statistics there too."));
    layout->addWidget(status);

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
