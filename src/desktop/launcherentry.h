// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

// The program's entry in docks and task managers (com.canonical.Unity.LauncherEntry on the
// session bus): a count on its icon and an urgent mark. It signals only when either changes, so a
// program whose channels never run out never touches the bus, and it never waits.
class LauncherEntry : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows count (hidden at 0), and the urgent mark while urgent is true.
    void show(int count, bool urgent);

private:
    int m_count = 0;
    bool m_urgent = false;
};
