// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "busservice.h"

#include "sessionbus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

BusService::BusService(QString name, QString path, QString interface, QObject *parent)
    : QObject(parent)
    , m_name(std::move(name))
    , m_path(std::move(path))
    , m_interface(std::move(interface))
{ }

// On the first use the name's owner is asked for once and then followed: the watcher and the
// question go out before any call, so the owner is known before the first answer comes.
void BusService::reach(std::function<void(QDBusConnection)> reached)
{
    SessionBus::reach(this, [this, reached = std::move(reached)](QDBusConnection bus) {
        if (!std::exchange(m_following, true)) {
            auto *watcher = new QDBusServiceWatcher(
                m_name, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
            connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString &, const QString &from, const QString &to) {
                    m_owner = to;
                    emit ownerChanged(from, to);
                });
            const QDBusMessage ask
                = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                      QStringLiteral("/org/freedesktop/DBus"),
                      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"))
                << m_name;
            auto *asked = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
            connect(asked, &QDBusPendingCallWatcher::finished, this, [this, asked] {
                asked->deleteLater();
                // Newer than any change heard before it; a missing owner leaves what was heard.
                if (asked->reply().type() == QDBusMessage::ReplyMessage)
                    m_owner = asked->reply().arguments().value(0).toString();
            });
        }
        reached(bus);
    });
}

void BusService::call(const QString &method, const QVariantList &arguments, Answered answered)
{
    reach([=, this](QDBusConnection bus) {
        const QString to = m_owner.isEmpty() ? m_name : m_owner;
        QDBusMessage message = QDBusMessage::createMethodCall(to, m_path, m_interface, method);
        message.setArguments(arguments);
        auto *watcher
            = new QDBusPendingCallWatcher(bus.asyncCall(message, SessionBus::CallTimeout), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [=, this] {
            watcher->deleteLater();
            const QDBusMessage reply = watcher->reply();
            // The owner left the bus before the call reached it; the bus has told of the change.
            if (to != m_name && to != m_owner
                && reply.errorName() == u"org.freedesktop.DBus.Error.ServiceUnknown") {
                call(method, arguments, answered);
                return;
            }
            answered(reply, to == m_name ? m_owner : to);
        });
    });
}

void BusService::send(const QString &connection, const QString &method,
    const QVariantList &arguments, const QString &path, const QString &interface)
{
    reach([=, this](QDBusConnection bus) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            connection.isEmpty() ? m_name : connection, path.isEmpty() ? m_path : path,
            interface.isEmpty() ? m_interface : interface, method);
        message.setArguments(arguments);
        bus.send(message);
    });
}
