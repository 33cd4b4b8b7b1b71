// SPDX-License-Identifier: GPL-3.0-or-later
// The three answers of an update check as a message box.
#include "ui/window/UpdateResultDialog.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>

UpdateResultDialog::UpdateResultDialog(
    const UpdateCheckResult& result, QWidget* parent, UrlOpener openUrl)
    : QMessageBox(parent)
{
    setWindowTitle(tr("Software Update"));
    // Versions and problems come from the feed and its server: shown as rich text, a reason
    // phrase such as <img src="/dev/zero"> would be loaded, and a link in it opened.
    setTextFormat(Qt::PlainText);
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::upToDate:
        setIcon(QMessageBox::Information);
        setText(tr("You're running the newest version of Sapperly."));
        setInformativeText(tr("Sapperly %1 is the current version.").arg(result.currentVersion));
        setStandardButtons(QMessageBox::Ok);
        break;
    case UpdateCheckResult::Outcome::updateAvailable:
        setIcon(QMessageBox::Information);
        setText(tr("Sapperly %1 is available.").arg(result.newestVersion));
        if (result.downloadPage) {
            setInformativeText(tr("You have version %1. Sapperly does not install updates "
                                  "itself: get the new version from its download page.")
                                   .arg(result.currentVersion));
            m_downloadButton = addButton(tr("Open Download Page"), QMessageBox::AcceptRole);
            addButton(tr("Not Now"), QMessageBox::RejectRole);
            setDefaultButton(static_cast<QPushButton*>(m_downloadButton));
        } else {
            setInformativeText(tr("You have version %1. The update feed gives no download page; "
                                  "get the new version where you got this one.")
                                   .arg(result.currentVersion));
            setStandardButtons(QMessageBox::Ok);
        }
        break;
    case UpdateCheckResult::Outcome::failed:
        setIcon(QMessageBox::Warning);
        setText(tr("Sapperly couldn't check for updates."));
        setInformativeText(result.problem);
        setStandardButtons(QMessageBox::Ok);
        break;
    }

    // The message box makes its informative label on demand, as rich text with links that
    // open themselves; every label here shows plain text, selectable but never a link.
    for (QLabel* label : findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
        label->setTextInteractionFlags(label->textInteractionFlags() &
            ~(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard));
    }

    if (!openUrl)
        openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    const std::optional<QUrl> page = result.downloadPage;
    connect(this, &QMessageBox::buttonClicked, this,
        [this, page, openUrl = std::move(openUrl)](QAbstractButton* button) {
            if (button == m_downloadButton && page)
                openUrl(*page);
        });
}
