// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "launcherentry.h"

#include "sessionbus.h"

#include <QDBusMessage>
#include <QTimer>

void LauncherEntry::show(int count, bool urgent)
{
    m_wanted = { count, urgent };
    if (!std::exchange(m_due, true))
        QTimer::singleShot(0, this, &LauncherEntry::update);
}

void LauncherEntry::update()
{
    m_due = false;
    if (m_wanted == m_shown)
        return;
    m_shown = m_wanted;
    QDBusMessage update
        = QDBusMessage::createSignal(QStringLiteral("/org/kestrune/TembrikTimer/LauncherEntry"),
            QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://" TEMBRIK_APP_ID ".desktop")
           << QVariantMap { { QStringLiteral("count"), qint64(m_shown.count) },
                  { QStringLiteral("count-visible"), m_shown.count > 0 },
                  { QStringLiteral("urgent"), m_shown.urgent } };
    SessionBus::reach(this, [update](QDBusConnection bus) { bus.send(update); });
}
