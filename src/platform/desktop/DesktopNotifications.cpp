// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopNotifications.h"

#include "notificationsproxy.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace {

// A service that neither answers nor is missing must not hold up a program that ends once its
// notification is out.
constexpr int kCallTimeoutMs = 5000;

QVariantMap hintsFor(const NotificationPicture &picture)
{
    if (picture.rgba.isEmpty())
        return {};
    // The notification service's image-data hint: width, height, row stride, alpha, bits per sample, channels,
    // bytes.
    QDBusArgument image;
    image.beginStructure();
    image << picture.width << picture.height << picture.rowBytes << true << 8 << 4 << picture.rgba;
    image.endStructure();
    return { { QStringLiteral("image-data"), QVariant::fromValue(image) } };
}

} // namespace

DesktopNotifications::DesktopNotifications(std::optional<QDBusConnection> bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
}

DesktopNotifications::~DesktopNotifications() = default;

void DesktopNotifications::notify(const QString &title, const QString &body, int timeoutMs,
    const NotificationPicture &picture, std::function<void(bool taken)> answered)
{
    if (!m_proxy) {
        m_proxy = new NotificationsProxy(QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"), m_bus.value_or(QDBusConnection::sessionBus()), this);
        m_proxy->setTimeout(kCallTimeoutMs);
    }
    // The reply (the notification's id) is of no use: nothing is replaced or closed later.
    const QDBusPendingCall call = m_proxy->Notify(
        QStringLiteral("Ampora"), 0, QStringLiteral("ampora"), title, body, {}, hintsFor(picture), timeoutMs);
    if (!answered)
        return;
    if (!m_proxy->connection().isConnected()) {
        // No session bus: the call failed at once, and no answer will ever come.
        QTimer::singleShot(0, this, [answered = std::move(answered)] { answered(false); });
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, answered = std::move(answered)] {
        watcher->deleteLater();
        answered(!watcher->isError());
    });
}
