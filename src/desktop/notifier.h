// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class OrgFreedesktopNotificationsInterface;
class QDBusServiceWatcher;

// Tells the desktop which channel has run out, through its notification service
// (org.freedesktop.Notifications on the session bus). No call waits for the service: without one,
// or with a slow one, the program goes on at once and prints nothing. Every id that the service
// hands back is closed, at the connection that handed it out, once its notification is no longer
// wanted, and forgotten once the service says it closed it or that connection leaves the bus.
class Notifier : public QObject {
    Q_OBJECT
public:
    Notifier(int channels, QObject *parent);

    // Shows the words as channel N's notification.
    void notify(int channel, const QString &words);
    // Takes channel N's notification away, if it shows one or one is on its way.
    void withdraw(int channel);

signals:
    // The user chose the default action of a notification on show.
    void activated();

private:
    // An id, with the unique name of the connection that handed it out (empty where unknown).
    struct Id {
        QString owner;
        uint id = 0;
        bool operator==(const Id &) const = default;
    };
    struct Notice {
        bool wanted = false; // the channel ran out and was not started or reset since
        Id shown; // the notification that stands for it, or id 0
        std::vector<Id> open; // every id of this channel's that the service may still show
        quint64 latest = 0; // the serial of its latest Notify call
        int pending = 0; // calls not answered yet
    };
    bool connectService();
    void replied(int channel, quint64 serial, const Id &id);
    void closeUnwanted(Notice &notice);
    void forget(const std::function<bool(const Id &)> &gone);
    bool isShown(uint id) const;

    OrgFreedesktopNotificationsInterface *m_service = nullptr;
    QDBusServiceWatcher *m_watcher = nullptr; // the service's name and the holders of open ids
    QString m_owner; // the unique name that owns the service's name, where known
    std::vector<Notice> m_notices;
    quint64 m_serial = 0;
};
