// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

// The program's entry in docks and task managers (com.canonical.Unity.LauncherEntry on the
// session bus): a count on its icon and an urgent mark. It signals once for all the changes of
// one turn of the event loop (Master Reset's twenty make one), and only where they change what
// the dock shows, so a program whose channels never run out never touches the bus. It never
// waits.
class LauncherEntry : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows count (hidden at 0), and the urgent mark while urgent is true.
    void show(int count, bool urgent);

private:
    struct Shown {
        int count = 0;
        bool urgent = false;
        bool operator==(const Shown &) const = default;
    };
    void update();

    Shown m_wanted, m_shown;
    bool m_due = false; // an update is due at the end of this turn
};
