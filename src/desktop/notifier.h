// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <vector>

class BusService;
class QDBusMessage;

// Tells the desktop which channel has run out, through its notification service
// (org.freedesktop.Notifications on the session bus). No call waits for the service: without one,
// or with a slow one, the program goes on at once and prints nothing. An id is known by the
// connection that handed it out, in everything: every id is closed there once its notification
// is no longer wanted (an id that comes late, when it comes), and only that connection can say
// that it closed it or that the user chose it.
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

private slots:
    // NotificationClosed, ActionInvoked and ActivationToken, from whichever connection.
    void heard(const QDBusMessage &signal);

private:
    // An id, with the unique name of the connection that handed it out.
    struct Id {
        QString owner;
        uint id = 0;
        bool operator==(const Id &) const = default;
    };
    struct Notice {
        bool wanted = false; // the channel ran out and was not started or reset since
        quint64 latest = 0; // the serial of its latest Notify call
        Id shown; // the notification that stands for it, or id 0
    };
    void close(const Id &id);

    BusService *const m_service;
    std::vector<Notice> m_notices;
    quint64 m_serial = 0;
    bool m_listening = false;
};
