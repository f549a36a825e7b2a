// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtDBus>
#include <QtTest>

using namespace Qt::StringLiterals;

const QString Notifications = u"org.freedesktop.Notifications"_s,
              Portal = u"org.freedesktop.portal.Desktop"_s,
              SessionManager = u"org.gnome.SessionManager"_s,
              PowerManager = u"org.freedesktop.PowerManagement"_s,
              Request = u"org.freedesktop.portal.Request"_s;
// Where each interface is served.
const QMap<QString, QString> Served { { u"/org/gnome/SessionManager"_s, SessionManager },
    { u"/org/freedesktop/PowerManagement/Inhibit"_s, PowerManager + u".Inhibit"_s },
    { u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Inhibit"_s },
    { u"/org/freedesktop/Notifications"_s, Notifications } };

// The desktop's services, played by the test on its private session bus (dbus-run-session), each
// name on a connection of its own: every call is logged as its member and arguments (a portal
// request's handle as its number in order), the connection it went to, and its path and
// interface where these are not where that interface is served. A call is answered at once with
// the answer set for that connection, else held until the test answers it, latest first, as a
// service may; a portal request is answered with its handle, then with the answer as its
// Response where that is a number. The dock's side logs the launcher entry's updates.
class StandIn : public QDBusVirtualObject {
    Q_OBJECT
public:
    QStringList calls, dock, handles;
    QMap<QString, QVariant> answers; // by the name of the connection that gets the call
    QList<std::pair<QDBusMessage, QDBusConnection>> held;

    void clear() { calls.clear(), answers.clear(), held.clear(), handles.clear(); }
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        QStringList words { call.member() };
        for (const QVariant &argument : call.arguments()) {
            QVariantMap map = qdbus_cast<QVariantMap>(argument);
            if (const QString token = map.take(u"handle_token"_s).toString(); !token.isEmpty())
                handles << u"/org/freedesktop/portal/desktop/request/"_s
                        + call.service().sliced(1).replace(u'.', u'_') + u'/' + token;
            words << (argument.metaType() == QMetaType::fromType<QDBusArgument>()
                    ? QVariant(map.values()).toStringList().join(u' ')
                    : argument.typeId() == QMetaType::QStringList
                    ? argument.toStringList().join(u',')
                    : argument.toString());
        }
        const qsizetype handle = handles.indexOf(call.path());
        words << (handle < 0 ? u"@"_s : u"#%1 @"_s.arg(handle + 1)) + bus.name();
        if (call.interface() != (handle < 0 ? Served.value(call.path()) : Request))
            words << call.path() << call.interface();
        calls << words.join(u' ');
        if (call.isReplyRequired())
            answers.contains(bus.name()) ? reply(call, bus, answers[bus.name()])
                                         : held.append({ call, bus });
        return true;
    }
    // Answers the latest call held.
    void answer(const QVariant &value = {})
    {
        const auto [call, bus] = held.takeLast();
        reply(call, bus, value);
    }
    // The portal's answer to its latest request, from the given connection.
    void respond(QDBusConnection bus, uint code)
    {
        bus.send(QDBusMessage::createSignal(handles.last(), Request, u"Response"_s)
            << code << QVariantMap());
    }
    void reply(const QDBusMessage &call, QDBusConnection bus, const QVariant &value)
    {
        const bool request = call.path() == u"/org/freedesktop/portal/desktop";
        bus.send(call.createReply(request && value.typeId() != QMetaType::QString
                ? QVariant::fromValue(QDBusObjectPath(handles.last()))
                : value));
        if (request && value.typeId() == QMetaType::UInt)
            respond(bus, value.toUInt());
    }

public slots:
    void Update(const QString &app, const QVariantMap &entry)
    {
        dock << QVariant(entry.values()).toStringList().join(u' ')
                + (app == u"application://" TEMBRIK_APP_ID ".desktop" ? u""_s : u" for "_s + app);
    }
};

// Takes the name for a connection of the test's own, letting another take it over.
using Bus = QDBusConnectionInterface;
inline void claim(QDBusConnection bus, const QString &name, Bus::ServiceQueueOptions how = {})
{
    bus.interface()->registerService(name, how, Bus::AllowReplacement);
}
// A connection of the test's own to the session bus, where the stand-in serves the name.
inline QDBusConnection serve(const QString &connection, StandIn &service, const QString &name = {},
    Bus::ServiceQueueOptions how = {})
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection);
    bus.registerVirtualObject(u"/"_s, &service, QDBusConnection::SubPath);
    if (!name.isEmpty())
        claim(bus, name, how);
    return bus;
}

// Returns once the program has heard all that this connection said before: a round trip of the
// connection to the bus, then one of the program's.
inline void settle(QDBusConnection from)
{
    from.interface()->isServiceRegistered(u"org.example.Sync"_s);
    QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.example.Sync"_s);
    QCoreApplication::processEvents();
}

// A signal of the notification service's, from the given connection.
inline void say(QDBusConnection from, const char *member, uint id, const QVariant &what)
{
    from.send(QDBusMessage::createSignal(
                  u"/org/freedesktop/Notifications"_s, Notifications, QLatin1String(member))
        << id << what);
}
// Channel N's notification as the service gets it at the connection `at`.
inline QString notice(int n, const char *at)
{
    return u"Notify Tembrik Timer 0 %1 Channel %2 has run out  default,Show %1 true 0 @%3"_s.arg(
        QStringLiteral(TEMBRIK_APP_ID), QString::number(n), QLatin1String(at));
}
