// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "launcherentry.h"

#include <QDBusConnection>
#include <QDBusMessage>

void LauncherEntry::show(int count, bool urgent)
{
    if (count == m_count && urgent == m_urgent)
        return;
    m_count = count;
    m_urgent = urgent;
    QDBusMessage update
        = QDBusMessage::createSignal(QStringLiteral("/org/kestrune/TembrikTimer/LauncherEntry"),
            QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://" TEMBRIK_APP_ID ".desktop")
           << QVariantMap { { QStringLiteral("count"), qint64(count) },
                  { QStringLiteral("count-visible"), count > 0 },
                  { QStringLiteral("urgent"), urgent } };
    QDBusConnection::sessionBus().send(update);
}
