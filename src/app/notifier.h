// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <vector>

// Tells the desktop which channel has run out, through its notification service
// (org.freedesktop.Notifications on the session bus). No call waits for the service: without one,
// or with a slow one, the program goes on at once and prints nothing.
class Notifier : public QObject {
    Q_OBJECT
public:
    Notifier(int channels, QObject *parent);

    // Shows "Channel N has run out", in place of that channel's earlier notification.
    void notify(int channel);
    // Takes channel N's notification away, if it shows one.
    void withdraw(int channel);

signals:
    // The user chose a notification's default action.
    void activated();

private slots:
    // QtDBus connects the service's signals only to slots named by their signature.
    void onActionInvoked(uint id, const QString &action);
    void onActivationToken(uint id, const QString &token);

private:
    struct Notice {
        uint id = 0; // the service's id for the channel's notification; 0 before the first
        bool shown = false;
    };
    bool isOurs(uint id) const;
    void close(uint id);

    std::vector<Notice> m_notices;
    bool m_listening = false;
};
