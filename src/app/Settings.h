// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user settings file, $XDG_CONFIG_HOME/sapperly/sapperly.conf: the sync folder the player
// chose in the game and the window's place. Everything that reads or writes it goes through here.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class Settings {
public:
    [[nodiscard]] static QString standardFile();

    explicit Settings(QString file = standardFile());

    [[nodiscard]] const QString& file() const { return m_file; }

    /// Nothing when the player chose not to sync, or never chose.
    [[nodiscard]] std::optional<QString> syncFolder() const;
    /// Remembers folder (made absolute), or that the player stopped syncing. False when the file
    /// could not be written.
    bool setSyncFolder(const std::optional<QString>& folder);

    /// As QWidget::saveGeometry gave it; empty when never saved.
    [[nodiscard]] QByteArray windowGeometry() const;
    bool setWindowGeometry(const QByteArray& geometry);

private:
    QString m_file;
};
