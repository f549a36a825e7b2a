// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>

class QDBusConnection;
class QDBusMessage;

// A desktop service on the session bus, known by its well-known name. What a service hands out
// belongs to the connection that handed it out, and a reply does not say who sent it on every Qt,
// so a call goes to the connection that owns the name, by its unique name, which the bus is asked
// for first (and where no connection owns it, to start the service). The bus is reached at the
// first call, and nothing waits for it.
class BusService : public QObject {
    Q_OBJECT
public:
    // The unique name of the connection that a call goes to, before it goes.
    using Calling = std::function<void(const QString &connection)>;
    // The reply (an error where the service is missing or refuses) and the unique name of the
    // connection that sent it (empty where the call found none).
    using Answered = std::function<void(const QDBusMessage &reply, const QString &from)>;

    BusService(QString name, QString path, QString interface, QObject *parent);

    // Calls a method of the service's interface at its path. A call that finds its connection gone
    // goes to the name's next owner.
    void call(const QString &method, const QVariantList &arguments, Answered answered,
        Calling calling = {});
    // Sends a call that wants no answer to one connection, at the service's path and interface
    // or at others.
    void send(const QString &connection, const QString &method, const QVariantList &arguments,
        const QString &path = {}, const QString &interface = {});

signals:
    // The name has passed from one connection to another; either may be empty.
    void ownerChanged(const QString &from, const QString &to);

private:
    struct Call {
        QString method;
        QVariantList arguments;
        Answered answered;
        Calling calling;
    };
    void reach(std::function<void(QDBusConnection)> reached);
    void callOwner(QDBusConnection bus, const Call &call, bool started);
    void ask(QDBusConnection bus, const QDBusMessage &message,
        std::function<void(const QDBusMessage &)> answered);

    const QString m_name, m_path, m_interface;
    bool m_following = false;
};
