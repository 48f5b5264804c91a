#pragma once

#include "runprogress.h"

#include <QDBusConnection>
#include <QVariantMap>

#include <optional>

// Shows a copy run's progress on the task bar or dock through the LauncherEntry D-Bus
// signal, which the task managers of KDE Plasma, GNOME and Ubuntu read for the program's
// desktop entry.
class LauncherEntryProgress : public RunProgress {
public:
    // Speaks on the session bus, reached only once a run has progress to show.
    LauncherEntryProgress() = default;
    explicit LauncherEntryProgress(const QDBusConnection &bus);

    void Progress(int copied, int total) override;
    void Clear() override;

private:
    void sendUpdate(const QVariantMap &properties);

    std::optional<QDBusConnection> bus;
};
