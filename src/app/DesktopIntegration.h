// SPDX-License-Identifier: GPL-3.0-or-later
// Everything that makes the game a good citizen of the Linux desktop once its window exists: the
// update and sync-folder menu items, raising the window for a second launch, and the launch
// benchmark's first-frame hook.
#pragma once

#include <QObject>

class SapperlyApp;
class SingleInstance;

class DesktopIntegration : public QObject {
    Q_OBJECT

public:
    /// The reverse-DNS name of the desktop entry, icon and AppStream data.
    static constexpr const char* applicationId = "io.github.sapperly.Sapperly";

    DesktopIntegration(SapperlyApp& app, SingleInstance& instance, QObject* parent = nullptr);
};
