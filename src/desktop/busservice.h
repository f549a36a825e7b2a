// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>

class QDBusConnection;
class QDBusMessage;

// A desktop service on the session bus, known by its well-known name and followed to the
// connection that owns the name, since what a service hands out belongs to the connection that
// handed it out and a reply does not say who sent it on every Qt. A call goes to that connection
// where it is known, else to the name, so that the bus may start the service. The bus is reached
// at the first call, and nothing waits for it: no call, no look-up of the owner.
class BusService : public QObject {
    Q_OBJECT
public:
    // The reply (an error where the service is missing or refuses) and the unique name of the
    // connection it came from.
    using Answered = std::function<void(const QDBusMessage &reply, const QString &from)>;

    BusService(QString name, QString path, QString interface, QObject *parent);

    // The unique name of the connection that owns the name, or empty where none is known.
    const QString &owner() const { return m_owner; }

    // Calls a method of the service's interface at its path.
    void call(const QString &method, const QVariantList &arguments, Answered answered);
    // Sends a call that wants no answer to one connection, at the service's path and interface
    // or at others.
    void send(const QString &connection, const QString &method, const QVariantList &arguments,
        const QString &path = {}, const QString &interface = {});

signals:
    // The name has passed from one connection to another; either may be empty.
    void ownerChanged(const QString &from, const QString &to);

private:
    void reach(std::function<void(QDBusConnection)> reached);

    const QString m_name, m_path, m_interface;
    QString m_owner;
    bool m_following = false;
};
