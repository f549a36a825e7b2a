// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "suspendinhibitor.h"

#include "desktopbus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace {

const QString Portal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PowerManager = QStringLiteral("org.freedesktop.PowerManagement");
constexpr uint SuspendFlag = 4; // never 8, idle: the screen saver stays the user's

} // namespace

void SuspendInhibitor::setRunning(int running)
{
    m_running = running;
    if (running > 0 && !m_held && !m_pending) {
        request();
    } else if (running == 0 && m_held) {
        release(*m_held);
        m_held.reset();
    }
}

// The bus is reached only when there is something to ask, so a program whose channels never run
// never touches it.
bool SuspendInhibitor::connectBus()
{
    if (m_watcher)
        return true;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    m_watcher
        = new QDBusServiceWatcher(Portal, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    m_watcher->addWatchedService(PowerManager);
    // A request goes with the service that granted it; a service that comes (back) is asked
    // while channels run.
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString &service, const QString &oldOwner) {
            if (m_held && m_held->service == service && !oldOwner.isEmpty())
                m_held.reset();
            setRunning(m_running);
        });
    return true;
}

void SuspendInhibitor::request()
{
    if (!connectBus())
        return;
    m_pending = true;
    const QString reason = m_running == 1
        ? QStringLiteral("1 channel is counting down")
        : QStringLiteral("%1 channels are counting down").arg(m_running);
    QDBusMessage portal
        = QDBusMessage::createMethodCall(Portal, QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    portal << QString() << SuspendFlag << QVariantMap { { QStringLiteral("reason"), reason } };
    QDBusMessage powerManager = QDBusMessage::createMethodCall(PowerManager,
        QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
        QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QStringLiteral("Inhibit"));
    powerManager << QStringLiteral(TEMBRIK_APP_NAME) << reason;
    call(portal, [this, powerManager](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage) {
            granted({ Portal, reply.arguments().value(0).value<QDBusObjectPath>().path() });
            return;
        }
        call(powerManager, [this](const QDBusMessage &reply) {
            if (reply.type() == QDBusMessage::ReplyMessage)
                granted({ PowerManager, {}, reply.arguments().value(0).toUInt() });
            else
                m_pending = false; // neither service: asked again when one comes
        });
    });
}

void SuspendInhibitor::call(
    const QDBusMessage &message, std::function<void(const QDBusMessage &)> answered)
{
    auto *watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(message, DesktopCallTimeout), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [watcher, answered = std::move(answered)] {
            watcher->deleteLater();
            answered(watcher->reply());
        });
}

// An answer that comes after the last channel stopped is released at once.
void SuspendInhibitor::granted(const Held &held)
{
    m_pending = false;
    if (m_running == 0) {
        release(held);
        return;
    }
    m_held = held;
}

void SuspendInhibitor::release(const Held &held)
{
    QDBusMessage end = QDBusMessage::createMethodCall(held.service, held.handle,
        QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close"));
    if (held.handle.isEmpty()) {
        end = QDBusMessage::createMethodCall(held.service,
            QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
            QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QStringLiteral("UnInhibit"));
        end << held.cookie;
    }
    QDBusConnection::sessionBus().send(end);
}
