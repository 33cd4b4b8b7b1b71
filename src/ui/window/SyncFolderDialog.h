// SPDX-License-Identifier: GPL-3.0-or-later
// The small dialog behind "Sync Folder…": shows the folder in use and offers to choose another
// or to stop syncing.
#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;

class SyncFolderDialog : public QDialog {
    Q_OBJECT

public:
    /// What the player picked; the dialog's result code.
    enum Choice { cancel = QDialog::Rejected, chooseFolder = 2, stopSyncing = 3 };

    /// overriddenFolder is set when this run's folder comes from the command line or the
    /// environment: the choice then only applies to later launches, and the dialog says so.
    SyncFolderDialog(
        const std::optional<QString>& currentFolder, bool overridden, QWidget* parent = nullptr);

    /// Says why folder, which this run was asked to sync through, cannot be used, in place of
    /// "isn't syncing". Stopping then means no longer trying that folder.
    void showUnusableFolder(const QString& folder);
    /// The reason a folder cannot be synced through, as the end of a sentence.
    [[nodiscard]] static QString whyUnusable(const QString& folder);

    [[nodiscard]] QString statusText() const;
    [[nodiscard]] QPushButton* chooseButton() const { return m_choose; }
    [[nodiscard]] QPushButton* stopButton() const { return m_stop; }

private:
    QLabel* m_status;
    QPushButton* m_choose;
    QPushButton* m_stop;
};
