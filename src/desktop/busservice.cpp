// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "busservice.h"

#include "sessionbus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace {

QDBusMessage busDriver(const char *method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QLatin1String(method));
    message.setArguments(arguments);
    return message;
}

} // namespace

BusService::BusService(QString name, QString path, QString interface, QObject *parent)
    : QObject(parent)
    , m_name(std::move(name))
    , m_path(std::move(path))
    , m_interface(std::move(interface))
{ }

// From the first use on, the name's owner is followed (the watcher asks the bus nothing).
void BusService::reach(std::function<void(QDBusConnection)> reached)
{
    SessionBus::reach(this, [this, reached = std::move(reached)](QDBusConnection bus) {
        if (!std::exchange(m_following, true)) {
            connect(new QDBusServiceWatcher(
                        m_name, bus, QDBusServiceWatcher::WatchForOwnerChange, this),
                &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString &, const QString &from, const QString &to) {
                    emit ownerChanged(from, to);
                });
        }
        reached(bus);
    });
}

void BusService::ask(QDBusConnection bus, const QDBusMessage &message,
    std::function<void(const QDBusMessage &)> answered)
{
    auto *watcher
        = new QDBusPendingCallWatcher(bus.asyncCall(message, SessionBus::CallTimeout), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, answered] {
        watcher->deleteLater();
        answered(watcher->reply());
    });
}

void BusService::call(
    const QString &method, const QVariantList &arguments, Answered answered, Calling calling)
{
    reach([=, this](QDBusConnection bus) {
        callOwner(bus, { method, arguments, answered, calling }, false);
    });
}

// The call goes to the connection that the bus names as the owner, by its unique name, so that
// only that connection can answer it; where none owns the name, the bus is asked once to start
// the service.
void BusService::callOwner(QDBusConnection bus, const Call &call, bool started)
{
    ask(bus, busDriver("GetNameOwner", { m_name }), [=, this](const QDBusMessage &owner) {
        if (owner.type() != QDBusMessage::ReplyMessage) {
            if (started) {
                call.answered(owner, {});
                return;
            }
            ask(bus, busDriver("StartServiceByName", { m_name, 0u }),
                [=, this](const QDBusMessage &start) {
                    if (start.type() == QDBusMessage::ReplyMessage)
                        callOwner(bus, call, true);
                    else
                        call.answered(start, {}); // missing: the bus says so at once
                });
            return;
        }
        const QString to = owner.arguments().value(0).toString();
        if (call.calling)
            call.calling(to);
        QDBusMessage message = QDBusMessage::createMethodCall(to, m_path, m_interface, call.method);
        message.setArguments(call.arguments);
        ask(bus, message, [=, this](const QDBusMessage &reply) {
            if (reply.errorName() == u"org.freedesktop.DBus.Error.ServiceUnknown")
                callOwner(bus, call, false); // gone before the call reached it
            else
                call.answered(reply, to);
        });
    });
}

void BusService::send(const QString &connection, const QString &method,
    const QVariantList &arguments, const QString &path, const QString &interface)
{
    reach([=, this](QDBusConnection bus) {
        QDBusMessage message = QDBusMessage::createMethodCall(connection,
            path.isEmpty() ? m_path : path, interface.isEmpty() ? m_interface : interface, method);
        message.setArguments(arguments);
        bus.send(message);
    });
}
