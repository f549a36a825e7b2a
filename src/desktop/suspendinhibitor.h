// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <map>
#include <optional>

class BusService;
class QDBusMessage;

// Asks the desktop not to suspend the computer on idle while channels count down, so that no
// run-out is slept through. Desktops answer that wish in different ways, tried in turn: the
// desktop's own services first, in the program's own name (GNOME's session manager interface,
// org.gnome.SessionManager: GNOME, MATE, Cinnamon; then the power manager,
// org.freedesktop.PowerManagement.Inhibit: XFCE, KDE Plasma), and the desktop portal last
// (org.freedesktop.portal.Inhibit: a sandbox, or a desktop that offers nothing else), since the
// portal's GNOME backend names the program by its control group, which a program started from a
// terminal does not have, and GNOME then holds nothing although the portal says yes. Each is
// asked for "suspend" alone. A way that is missing or refuses is passed over at once for the
// next, one that has not answered within the patience after the call went out too. One request
// is held however many channels run, and released where it was granted as soon as none runs or
// its service's name changes owner; every other grant, however late, is released at once. No
// call waits, nothing is printed where no service is, and the program touches the bus first for
// the first request.
class SuspendInhibitor : public QObject {
    Q_OBJECT
public:
    // How long a way may take to grant or refuse, from when the call goes out, before the next is
    // asked.
    static constexpr std::chrono::milliseconds Patience { 3000 };

    explicit SuspendInhibitor(QObject *parent, std::chrono::milliseconds patience = Patience);

    // Holds a request while running is above 0, releases it at 0.
    void setRunning(int running);

private slots:
    // A portal request's answer: granted at 0, refused otherwise.
    void responded(const QDBusMessage &response);

private:
    enum Way { SessionManager, PowerManager, Portal, WayCount };
    // A request that a way granted: the connection that granted it, and the portal's request
    // handle or the other ways' cookie.
    struct Grant {
        Way way;
        QString owner;
        QString handle;
        uint cookie = 0;
    };
    // A portal request whose answer has not come: its request, and the connection that the call
    // went to (empty until it goes), the only one whose answer counts.
    struct Awaited {
        quint64 serial;
        QString owner;
    };
    void ask(Way way);
    void granted(quint64 serial, const Grant &grant);
    void refused(quint64 serial, Way way);
    void release(const Grant &grant);

    const std::chrono::milliseconds m_patience;
    std::array<BusService *, WayCount> m_ways {};
    int m_running = 0;
    std::optional<Grant> m_held;
    quint64 m_asking = 0; // the request that the next way waits for, or 0
    quint64 m_serial = 0;
    std::map<QString, Awaited> m_awaited; // by request handle
    bool m_listening = false;
};
