// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "notifier.h"

#include "notificationsinterface.h"

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
        [this](uint id) { forget(id); });
    // A new owner of the name knows none of the old owner's ids, and may give them to others.
    auto *watcher
        = new QDBusServiceWatcher(name, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString &, const QString &oldOwner) {
            if (!oldOwner.isEmpty())
                m_formerOwners.insert(oldOwner);
            for (Notice &notice : m_notices)
                notice.shown = 0, notice.open.clear();
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
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [=, this] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        replied(channel, serial, reply.reply().service(), reply.isError() ? 0 : reply.value());
    });
}

// An id from an owner that has since given the name up means nothing to the service now.
void Notifier::replied(int channel, quint64 serial, const QString &sender, uint id)
{
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    --notice.pending;
    if (id != 0 && !m_formerOwners.contains(sender)) {
        if (std::find(notice.open.begin(), notice.open.end(), id) == notice.open.end())
            notice.open.push_back(id);
        if (serial == notice.latest && notice.wanted)
            notice.shown = id;
    }
    closeUnwanted(notice);
}

void Notifier::withdraw(int channel)
{
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    notice.wanted = false;
    notice.shown = 0;
    closeUnwanted(notice);
}

// Closes every id of the channel's but the one that stands for it. While a call is on its way
// this waits for its answer, which may name an id that is already open.
void Notifier::closeUnwanted(Notice &notice)
{
    if (notice.pending > 0)
        return;
    for (const uint id : notice.open) {
        if (id != notice.shown)
            m_service->CloseNotification(id);
    }
    std::erase_if(notice.open, [&](uint id) { return id != notice.shown; });
}

void Notifier::forget(uint id)
{
    for (Notice &notice : m_notices) {
        std::erase(notice.open, id);
        if (notice.shown == id)
            notice.shown = 0;
    }
}

bool Notifier::isShown(uint id) const
{
    return id != 0 && std::any_of(m_notices.begin(), m_notices.end(), [id](const Notice &notice) {
        return notice.wanted && notice.shown == id;
    });
}
