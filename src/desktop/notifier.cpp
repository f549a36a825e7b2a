// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "notifier.h"

#include "busservice.h"
#include "sessionbus.h"

#include <QDBusMessage>
#include <algorithm>

namespace {

const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

} // namespace

Notifier::Notifier(int channels, QObject *parent)
    : QObject(parent)
    , m_service(new BusService(Interface, Path, Interface, this))
    , m_notices(std::size_t(channels))
{ }

void Notifier::notify(int channel, const QString &words)
{
    // The service's signals are heard from every connection, so that hearing them asks the bus
    // nothing; who sent one is checked against the id it names. QtDBus hands a bus signal only
    // to a slot named by its signature.
    if (!std::exchange(m_listening, true)) {
        SessionBus::reach(this, [this](QDBusConnection bus) {
            for (const char *member : { "NotificationClosed", "ActionInvoked", "ActivationToken" })
                bus.connect(
                    {}, Path, Interface, QLatin1String(member), this, SLOT(heard(QDBusMessage)));
        });
    }
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    notice.wanted = true;
    const quint64 serial = notice.latest = ++m_serial;
    // The bell has already sounded, so the notification makes no sound of its own; it stays
    // until the user or the channel's start or reset takes it away.
    m_service->call(QStringLiteral("Notify"),
        { QStringLiteral(TEMBRIK_APP_NAME), 0u, QStringLiteral(TEMBRIK_APP_ID), words, QString(),
            QStringList { QStringLiteral("default"), QStringLiteral("Show") },
            QVariantMap { { QStringLiteral("desktop-entry"), QStringLiteral(TEMBRIK_APP_ID) },
                { QStringLiteral("suppress-sound"), true } },
            0 },
        [this, channel, serial](const QDBusMessage &reply, const QString &from) {
            if (reply.signature() != u"u")
                return;
            const Id id { from, reply.arguments().value(0).toUInt() };
            Notice &notice = m_notices.at(std::size_t(channel - 1));
            if (notice.wanted && serial == notice.latest) {
                if (notice.shown != id)
                    close(std::exchange(notice.shown, id));
            } else if (notice.shown != id) {
                close(id); // superseded or withdrawn while on its way
            }
        });
}

void Notifier::withdraw(int channel)
{
    Notice &notice = m_notices.at(std::size_t(channel - 1));
    notice.wanted = false;
    close(std::exchange(notice.shown, {}));
}

void Notifier::close(const Id &id)
{
    if (id.id != 0)
        m_service->send(id.owner, QStringLiteral("CloseNotification"), { id.id });
}

void Notifier::heard(const QDBusMessage &signal)
{
    const QVariantList arguments = signal.arguments();
    const Id id { signal.service(), arguments.value(0).toUInt() };
    const auto shown = std::find_if(m_notices.begin(), m_notices.end(),
        [&id](const Notice &notice) { return notice.wanted && id.id != 0 && notice.shown == id; });
    if (shown == m_notices.end())
        return;
    if (signal.member() == u"NotificationClosed") {
        shown->shown = {}; // gone, with its action
    } else if (signal.member() == u"ActionInvoked") {
        if (arguments.value(1).toString() == u"default")
            emit activated();
    } else {
        // On Wayland a window may take the focus only with the token that the service hands
        // over just before the action; Qt's activation reads it from here.
        qputenv("XDG_ACTIVATION_TOKEN", arguments.value(1).toString().toUtf8());
    }
}
