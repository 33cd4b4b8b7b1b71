// The small dialog behind "Sync Folder…": shows the folder in use and offers to choose another
// or to stop syncing.
#pragma once

#include <QDialog>

#include <optional>

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

    [[nodiscard]] QPushButton* chooseButton() const { return m_choose; }
    [[nodiscard]] QPushButton* stopButton() const { return m_stop; }

private:
    QPushButton* m_choose;
    QPushButton* m_stop;
};
