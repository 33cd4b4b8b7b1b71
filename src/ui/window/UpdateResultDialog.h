// SPDX-License-Identifier: GPL-3.0-or-later
// Tells the player what an update check found, with a way to the download page when there is a
// newer release.
#pragma once

#include "update/UpdateCheckResult.h"

#include <QMessageBox>

#include <functional>

class UpdateResultDialog : public QMessageBox {
    Q_OBJECT

public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    /// openUrl is called with the download page when the player asks for it; tests replace it.
    explicit UpdateResultDialog(
        const UpdateCheckResult& result, QWidget* parent = nullptr, UrlOpener openUrl = {});

    /// Present only for a newer release that names an http or https page.
    [[nodiscard]] QAbstractButton* downloadButton() const { return m_downloadButton; }

private:
    QAbstractButton* m_downloadButton = nullptr;
};
