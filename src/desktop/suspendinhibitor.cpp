// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "suspendinhibitor.h"

#include "busservice.h"
#include "sessionbus.h"

#include <QDBusMessage>
#include <QTimer>

namespace {

constexpr uint SuspendFlag = 4; // never 8, idle: the screen saver stays the user's
const QString Request = QStringLiteral("org.freedesktop.portal.Request");

} // namespace

SuspendInhibitor::SuspendInhibitor(QObject *parent, std::chrono::milliseconds patience)
    : QObject(parent)
    , m_patience(patience)
    , m_ways { new BusService(QStringLiteral("org.gnome.SessionManager"),
                   QStringLiteral("/org/gnome/SessionManager"),
                   QStringLiteral("org.gnome.SessionManager"), this),
        new BusService(QStringLiteral("org.freedesktop.PowerManagement"),
            QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
            QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), this),
        new BusService(QStringLiteral("org.freedesktop.portal.Desktop"),
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Inhibit"), this) }
{
    // When the name leaves the connection that granted the request, the request is released
    // there, whether that connection stays on the bus or not, and the ways are asked again while
    // channels run; so they are when a way comes (back) and none holds the request.
    for (const Way way : { SessionManager, PowerManager, Portal }) {
        connect(m_ways[way], &BusService::ownerChanged, this, [this, way](const QString &from) {
            if (m_held && m_held->way == way && m_held->owner == from)
                release(*std::exchange(m_held, std::nullopt));
            setRunning(m_running);
        });
    }
}

void SuspendInhibitor::setRunning(int running)
{
    m_running = running;
    if (running > 0 && !m_held && m_asking == 0)
        ask(SessionManager);
    else if (running == 0 && m_held)
        release(*std::exchange(m_held, std::nullopt));
}

void SuspendInhibitor::ask(Way way)
{
    const quint64 serial = m_asking = ++m_serial;
    // The patience runs from when the call goes out: while the bus daemon stands still, no way
    // could answer, and none is passed over.
    const auto calling = [this, serial, way](const QString &) {
        QTimer::singleShot(
            m_patience, Qt::PreciseTimer, this, [this, serial, way] { refused(serial, way); });
    };
    const QString reason = m_running == 1
        ? QStringLiteral("1 channel is counting down")
        : QStringLiteral("%1 channels are counting down").arg(m_running);
    const auto cookie = [this, serial, way](const QDBusMessage &reply, const QString &from) {
        if (reply.signature() == u"u")
            granted(serial, { way, from, {}, reply.arguments().value(0).toUInt() });
        else
            refused(serial, way);
    };
    switch (way) {
    case SessionManager:
        m_ways[way]->call(QStringLiteral("Inhibit"),
            { QStringLiteral(TEMBRIK_APP_ID), 0u, reason, SuspendFlag }, cookie, calling);
        break;
    case PowerManager:
        m_ways[way]->call(QStringLiteral("Inhibit"), { QStringLiteral(TEMBRIK_APP_NAME), reason },
            cookie, calling);
        break;
    case Portal:
        SessionBus::reach(this, [this, serial, reason, calling](QDBusConnection bus) {
            // The portal's reply is only the request's handle; its answer comes later, as a
            // Response there, and counts only from the connection that the call went to. The
            // token fixes the handle in advance, so an answer that comes before the reply counts.
            if (!std::exchange(m_listening, true)) {
                bus.connect({}, {}, Request, QStringLiteral("Response"), this,
                    SLOT(responded(QDBusMessage)));
            }
            const QString token = QStringLiteral("tembrik%1").arg(serial);
            const QString handle = QStringLiteral("/org/freedesktop/portal/desktop/request/")
                + bus.baseService().sliced(1).replace(u'.', u'_') + u'/' + token;
            m_awaited.insert_or_assign(handle, Awaited { serial, {} });
            m_ways[Portal]->call(
                QStringLiteral("Inhibit"),
                { QString(), SuspendFlag,
                    QVariantMap { { QStringLiteral("handle_token"), token },
                        { QStringLiteral("reason"), reason } } },
                [this, serial, handle](const QDBusMessage &reply, const QString &) {
                    if (reply.signature() != u"o" && m_awaited.erase(handle))
                        refused(serial, Portal);
                },
                [this, handle, calling](const QString &owner) {
                    calling(owner);
                    if (const auto awaited = m_awaited.find(handle); awaited != m_awaited.end())
                        awaited->second.owner = owner;
                });
        });
        break;
    case WayCount:
        break;
    }
}

void SuspendInhibitor::responded(const QDBusMessage &response)
{
    const auto awaited = m_awaited.find(response.path());
    if (awaited == m_awaited.end() || awaited->second.owner != response.service())
        return;
    const QVariant code = response.arguments().value(0);
    const auto [serial, owner] = awaited->second;
    m_awaited.erase(awaited);
    if (code.metaType() == QMetaType::fromType<uint>() && code.toUInt() == 0)
        granted(serial, { Portal, owner, response.path() });
    else
        refused(serial, Portal);
}

// The first grant is held while channels run; any other, and one that comes after the last
// stop, is released at once.
void SuspendInhibitor::granted(quint64 serial, const Grant &grant)
{
    if (m_asking == serial)
        m_asking = 0;
    if (m_running > 0 && !m_held)
        m_held = grant;
    else
        release(grant);
}

// A refusal, a wrong answer or the patience's end: the next way is asked, unless this request was
// answered already or the next is asked already.
void SuspendInhibitor::refused(quint64 serial, Way way)
{
    if (m_asking != serial)
        return;
    m_asking = 0;
    if (m_running > 0 && way + 1 < WayCount)
        ask(Way(way + 1));
}

void SuspendInhibitor::release(const Grant &grant)
{
    if (grant.way == Portal) {
        m_ways[Portal]->send(grant.owner, QStringLiteral("Close"), {}, grant.handle, Request);
    } else {
        m_ways[grant.way]->send(grant.owner,
            grant.way == SessionManager ? QStringLiteral("Uninhibit") : QStringLiteral("UnInhibit"),
            { grant.cookie });
    }
}
