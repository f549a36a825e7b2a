// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktoppresence.h"

#include "channelbank.h"
#include "launcherentry.h"
#include "notifier.h"
#include "suspendinhibitor.h"

#include <QAccessible>
#include <QApplication>
#include <QWidget>

DesktopPresence::DesktopPresence(ChannelBank &bank, QWidget *window)
    : QObject(window)
    , m_bank(bank)
    , m_window(window)
    , m_notifier(new Notifier(ChannelBank::Count, this))
    , m_launcherEntry(new LauncherEntry(this))
    , m_inhibitor(new SuspendInhibitor(this))
{
    for (int n = 1; n <= ChannelBank::Count; ++n) {
        Channel *channel = &bank.channel(n);
        // A notification stands while its channel shows that it ran out and is not started.
        connect(channel, &Channel::levelChanged, this, [this, n](Channel::Level level) {
            if (level != Channel::Level::RunOut)
                m_notifier->withdraw(n);
            else if (!m_window->isActiveWindow())
                m_urgent = true;
            showCount();
        });
        connect(channel, &Channel::runningChanged, this, [this, n](bool running) {
            if (running)
                m_notifier->withdraw(n);
            m_inhibitor->setRunning(m_bank.runningCount());
        });
        connect(channel, &Channel::ranOut, this, [this, n] { ranOut(n); });
    }
    connect(m_notifier, &Notifier::activated, this, [this] {
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        m_window->raise();
        m_window->activateWindow();
    });
    window->installEventFilter(this);
    // Exit and the close box end the program with channels still running.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_inhibitor->setRunning(0); });
}

void DesktopPresence::ranOut(int channel)
{
    const QString words = QStringLiteral("Channel %1 has run out").arg(channel);
    QApplication::alert(m_window);
    if (!m_window->isActiveWindow()) {
        m_notifier->notify(channel, words);
        return;
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(m_window, words);
    announcement.setPoliteness(QAccessible::AnnouncementPoliteness::Assertive);
    QAccessible::updateAccessibility(&announcement);
#endif
}

void DesktopPresence::showCount()
{
    m_launcherEntry->show(m_bank.runOutCount(), m_urgent);
}

bool DesktopPresence::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::ActivationChange
        && m_window->isActiveWindow() && m_urgent) {
        m_urgent = false;
        showCount();
    }
    return QObject::eventFilter(watched, event);
}
