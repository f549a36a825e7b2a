// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <algorithm>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = Service;

QDBusMessage call(const QString &method)
{
    return QDBusMessage::createMethodCall(Service, Path, Interface, method);
}

} // namespace

Notifier::Notifier(int channels, QObject *parent)
    : QObject(parent)
    , m_notices(std::size_t(channels))
{ }

void Notifier::notify(int channel)
{
    // The bus is reached only when there is something to say, so a program that never notifies
    // never touches it.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!m_listening) {
        bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
            SLOT(onActionInvoked(uint, QString)));
        bus.connect(Service, Path, Interface, QStringLiteral("ActivationToken"), this,
            SLOT(onActivationToken(uint, QString)));
        m_listening = true;
    }
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    notice.shown = true;
    // The bell has already sounded, so the notification makes no sound of its own; it stays
    // until the user or the channel's start or reset takes it away.
    QDBusMessage notify = call(QStringLiteral("Notify"));
    notify << QStringLiteral(TEMBRIK_APP_NAME) << notice.id << QStringLiteral(TEMBRIK_APP_ID)
           << QStringLiteral("Channel %1 has run out").arg(channel) << QString()
           << QStringList { QStringLiteral("default"), QStringLiteral("Show") }
           << QVariantMap { { QStringLiteral("desktop-entry"), QStringLiteral(TEMBRIK_APP_ID) },
                  { QStringLiteral("suppress-sound"), true } }
           << 0;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, channel, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            return;
        Notice &notice = m_notices.at(std::size_t(channel - 1));
        notice.id = reply.value();
        // Withdrawn while the call was on its way.
        if (!notice.shown)
            close(notice.id);
    });
}

void Notifier::withdraw(int channel)
{
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    if (!notice.shown)
        return;
    notice.shown = false;
    if (notice.id != 0)
        close(notice.id);
}

bool Notifier::isOurs(uint id) const
{
    return std::any_of(m_notices.begin(), m_notices.end(),
        [id](const Notice &notice) { return notice.shown && notice.id == id; });
}

void Notifier::close(uint id)
{
    QDBusConnection::sessionBus().asyncCall(call(QStringLiteral("CloseNotification")) << id);
}

void Notifier::onActionInvoked(uint id, const QString &action)
{
    if (action == u"default" && isOurs(id))
        emit activated();
}

// On Wayland a window may take the focus only with the token that the service hands over just
// before the action; Qt's activation reads it from here.
void Notifier::onActivationToken(uint id, const QString &token)
{
    if (isOurs(id))
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}
