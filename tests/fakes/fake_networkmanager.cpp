// Serves the fake NetworkManager on the system bus named by DBUS_SYSTEM_BUS_ADDRESS (a private
// bus), for trying the program by hand: fake_networkmanager "Home Wi-Fi" Office ... The first
// connection is the active one; each gets a fixed UUID made from its position.
#include "FakeNetworkManager.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<FakeNetworkManager::Saved> saved;
    const QStringList names = app.arguments().mid(1);
    for (qsizetype i = 0; i < names.size(); ++i)
        saved.append({ names.at(i), QStringLiteral("00000000-0000-4000-8000-%1").arg(i + 1, 12, 10, QChar(u'0')),
            QStringLiteral("802-11-wireless") });
    QList<FakeNetworkManager::Active> active;
    if (!saved.isEmpty())
        active.append({ saved.first().uuid });

    QDBusConnection bus = QDBusConnection::systemBus();
    FakeNetworkManager fake(saved, active);
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/NetworkManager"), &fake, QDBusConnection::SubPath)
        || !bus.registerService(QStringLiteral("org.freedesktop.NetworkManager"))) {
        std::fprintf(
            stderr, "fake_networkmanager: cannot serve on the system bus: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return app.exec();
}
