// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

class ChannelBank;
class LauncherEntry;
class Notifier;
class QWidget;
class SuspendInhibitor;

// Everything the program tells the desktop about its channels: while any runs, a request that the
// computer not suspend on idle; when one runs out, the mark on the task bar (X11),
// a notification naming the channel while the user is elsewhere (withdrawn by the channel's start
// or reset; its action brings the window to the front), the announcement for a screen reader
// while the user is at the window (Qt 6.8 on), and the dock's count of run-out channels, marked
// urgent from a run-out in the background until the window is next active. It only listens to the
// channels and the window; none of it can fail a handler.
class DesktopPresence : public QObject {
    Q_OBJECT
public:
    DesktopPresence(ChannelBank &bank, QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ranOut(int channel);
    void showCount();

    ChannelBank &m_bank;
    QWidget *const m_window;
    Notifier *const m_notifier;
    LauncherEntry *const m_launcherEntry;
    SuspendInhibitor *const m_inhibitor;
    bool m_urgent = false; // a channel ran out while the user was elsewhere
};
