// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sessionbus.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

enum class Stage { Untouched, Connecting, Connected, Absent };
// Read and written on the interface thread only.
Stage stage = Stage::Untouched;
std::vector<std::pair<QPointer<QObject>, std::function<void(QDBusConnection)>>> waiting;

} // namespace

void SessionBus::reach(QObject *context, std::function<void(QDBusConnection)> reached)
{
    if (stage == Stage::Connected) {
        reached(QDBusConnection::sessionBus());
        return;
    }
    if (stage == Stage::Absent)
        return;
    waiting.emplace_back(context, std::move(reached));
    if (std::exchange(stage, Stage::Connecting) == Stage::Connecting)
        return;
    // Qt keeps the connection for the whole process; once the thread has made it, taking it here
    // waits for nothing.
    QThread *thread = QThread::create([] { QDBusConnection::sessionBus(); });
    QObject::connect(thread, &QThread::finished, QCoreApplication::instance(), [thread] {
        thread->deleteLater();
        const QDBusConnection bus = QDBusConnection::sessionBus();
        stage = bus.isConnected() ? Stage::Connected : Stage::Absent;
        for (auto &[context, reached] : std::exchange(waiting, {})) {
            if (context && stage == Stage::Connected)
                reached(bus);
        }
    });
    thread->start();
}

void SessionBus::leave(int status)
{
    if (stage == Stage::Connecting) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
}
