// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QDBusMessage;
class QDBusServiceWatcher;

// Asks the desktop not to suspend the computer on idle while channels count down, so that no
// run-out is slept through: through the desktop portal (org.freedesktop.portal.Inhibit, "suspend"
// alone, so the screen still blanks and locks as the user set it) or, where the portal is missing
// or refuses, through the power manager (org.freedesktop.PowerManagement.Inhibit). It holds one
// request however many channels run. No call waits, nothing is printed where neither service is,
// the bus is not touched before the first request, and a request whose service goes away is made
// again, to whichever comes back, while channels still run.
class SuspendInhibitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Holds a request while running is above 0, releases it at 0.
    void setRunning(int running);

private:
    // A granted request: the service that holds it, and the portal's request handle or the power
    // manager's cookie.
    struct Held {
        QString service;
        QString handle;
        uint cookie = 0;
    };
    bool connectBus();
    void request();
    void call(const QDBusMessage &message, std::function<void(const QDBusMessage &)> answered);
    void granted(const Held &held);
    void release(const Held &held);

    int m_running = 0;
    bool m_pending = false; // a request is on its way
    std::optional<Held> m_held;
    QDBusServiceWatcher *m_watcher = nullptr;
};
