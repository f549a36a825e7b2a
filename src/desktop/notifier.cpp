// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "notifier.h"

#include "desktopbus.h"
#include "notificationsinterface.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <algorithm>

Notifier::Notifier(int channels, QObject *parent)
    : QObject(parent)
    , m_notices(std::size_t(channels))
{ }

// The bus is reached only when there is something to say, so a program that never notifies
// never touches it.
bool Notifier::connectService()
{
    if (m_service)
        return true;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString name = QLatin1String(OrgFreedesktopNotificationsInterface::staticInterfaceName());
    m_service = new OrgFreedesktopNotificationsInterface(
        name, QStringLiteral("/org/freedesktop/Notifications"), bus, this);
    m_service->setTimeout(DesktopCallTimeout);
    connect(m_service, &OrgFreedesktopNotificationsInterface::ActionInvoked, this,
        [this](uint id, const QString &action) {
            if (action == u"default" && isShown(id))
                emit activated();
        });
    // On Wayland a window may take the focus only with the token that the service hands over
    // just before the action; Qt's activation reads it from here.
    connect(m_service, &OrgFreedesktopNotificationsInterface::ActivationToken, this,
        [this](uint id, const QString &token) {
            if (isShown(id))
                qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        });
    connect(m_service, &OrgFreedesktopNotificationsInterface::NotificationClosed, this,
        [this](uint id) { forget([id](const Id &open) { return open.id == id; }); });
    // Which connection owns the service's name, so that every id is known by the connection
    // that handed it out (a reply does not say so on every Qt): asked once, then followed. The
    // ids of a connection that has left the bus mean nothing any more; one that only gives the
    // name up, and may take it back, still shows its notifications.
    m_watcher = new QDBusServiceWatcher(name, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this, name](const QString &service, const QString &, const QString &owner) {
            if (service == name) {
                m_owner = owner;
            } else if (owner.isEmpty()) {
                m_watcher->removeWatchedService(service);
                forget([&service](const Id &open) { return open.owner == service; });
            }
        });
    auto *asked = new QDBusPendingCallWatcher(
        bus.interface()->asyncCall(QStringLiteral("GetNameOwner"), name), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this, asked] {
        asked->deleteLater();
        const QDBusPendingReply<QString> reply = *asked;
        if (reply.isValid()) // newer than any change heard before it
            m_owner = reply.value();
    });
    return true;
}

void Notifier::notify(int channel, const QString &words)
{
    if (!connectService())
        return;
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    notice.wanted = true;
    const quint64 serial = notice.latest = ++m_serial;
    ++notice.pending;
    // The bell has already sounded, so the notification makes no sound of its own; it stays
    // until the user or the channel's start or reset takes it away. It replaces none: the start
    // that came before this run-out withdrew the channel's last one.
    auto *watcher = new QDBusPendingCallWatcher(
        m_service->Notify(QStringLiteral(TEMBRIK_APP_NAME), 0, QStringLiteral(TEMBRIK_APP_ID),
            words, QString(), { QStringLiteral("default"), QStringLiteral("Show") },
            { { QStringLiteral("desktop-entry"), QStringLiteral(TEMBRIK_APP_ID) },
                { QStringLiteral("suppress-sound"), true } },
            0),
        this);
    // The call goes to whoever owns the name when it arrives, which is the owner known now; where
    // none is known yet, the service is being started for it, and its owner is known before its
    // answer comes.
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [=, this, owner = m_owner] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        replied(channel, serial,
            { owner.isEmpty() ? m_owner : owner, reply.isError() ? 0 : reply.value() });
    });
}

void Notifier::replied(int channel, quint64 serial, const Id &id)
{
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    --notice.pending;
    if (id.id != 0) {
        if (std::find(notice.open.begin(), notice.open.end(), id) == notice.open.end())
            notice.open.push_back(id);
        if (!id.owner.isEmpty() && !m_watcher->watchedServices().contains(id.owner))
            m_watcher->addWatchedService(id.owner);
        if (serial == notice.latest && notice.wanted)
            notice.shown = id;
    }
    closeUnwanted(notice);
}

void Notifier::withdraw(int channel)
{
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    notice.wanted = false;
    notice.shown = {};
    closeUnwanted(notice);
}

// Closes every id of the channel's but the one that stands for it. While a call is on its way
// this waits for its answer, which may name an id that is already open.
void Notifier::closeUnwanted(Notice &notice)
{
    if (notice.pending > 0)
        return;
    for (const Id &id : notice.open) {
        if (id != notice.shown) {
            QDBusMessage close = QDBusMessage::createMethodCall(
                id.owner.isEmpty() ? m_service->service() : id.owner, m_service->path(),
                m_service->interface(), QStringLiteral("CloseNotification"));
            m_service->connection().send(close << id.id);
        }
    }
    std::erase_if(notice.open, [&](const Id &id) { return id != notice.shown; });
}

void Notifier::forget(const std::function<bool(const Id &)> &gone)
{
    for (Notice &notice : m_notices) {
        std::erase_if(notice.open, gone);
        if (gone(notice.shown))
            notice.shown = {};
    }
}

bool Notifier::isShown(uint id) const
{
    return id != 0 && std::any_of(m_notices.begin(), m_notices.end(), [id](const Notice &notice) {
        return notice.wanted && notice.shown.id == id;
    });
}
