#include "launcherentryprogress.h"

#include <QDBusMessage>

#include <algorithm>

namespace {

const QString entryUri = QStringLiteral("application://dupliva.desktop");
const QString objectPath = QStringLiteral("/com/canonical/unity/launcherentry/dupliva");
const QString interfaceName = QStringLiteral("com.canonical.Unity.LauncherEntry");

} // namespace

LauncherEntryProgress::LauncherEntryProgress(const QDBusConnection &bus)
    : bus(bus)
{
}

void LauncherEntryProgress::Progress(int copied, int total)
{
    const double fraction = total > 0 ? std::clamp(double(copied) / total, 0.0, 1.0) : 0.0;
    sendUpdate({{QStringLiteral("progress"), fraction}, {QStringLiteral("progress-visible"), true}});
}

void LauncherEntryProgress::Clear()
{
    sendUpdate({{QStringLiteral("progress-visible"), false}});
}

void LauncherEntryProgress::sendUpdate(const QVariantMap &properties)
{
    if (!bus)
        bus = QDBusConnection::sessionBus();
    QDBusMessage update = QDBusMessage::createSignal(objectPath, interfaceName, QStringLiteral("Update"));
    update << entryUri << properties;
    // Without a session bus there is no task bar to tell; the run goes on all the same.
    bus->send(update);
}
