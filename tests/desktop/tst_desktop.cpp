// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop/standin.h"
#include "notifier.h"
#include "suspendinhibitor.h"

using namespace std::literals;

// What the program says to the desktop's services, on a session bus of the test's own where the
// test plays the services. Each call is checked with the connection it went to, in order.
class tst_Desktop : public QObject {
    Q_OBJECT

    StandIn s;
    QStringList log; // the calls that the services must have had so far
    void expect(const QStringList &more)
    {
        log << more;
        if (!QTest::currentTestFailed()) // where they first differ is all there is to say
            QTRY_COMPARE(s.calls, log);
    }

private slots:
    void init() { s.clear(), log.clear(); }

    // Every id is closed at the connection that handed it out when it is no longer wanted: one
    // that comes after its notification was superseded or withdrawn, when it comes, while a call
    // of the channel's that is never answered holds back nothing else. Only that connection can
    // say that the user closed the notification or chose it, also after another connection took
    // the service's name over and speaks of a notification of its own under the same number.
    void notifies()
    {
        auto first = serve(u"first"_s, s, Notifications);
        Notifier notifier(20, nullptr);
        QSignalSpy activated(&notifier, &Notifier::activated);
        const auto notify = [&](int n) { notifier.notify(n, u"Channel %1 has run out"_s.arg(n)); };
        const QString close = u"CloseNotification %1 @%2"_s;

        notify(7), notifier.withdraw(7), notify(7);
        expect({ notice(7, "first"), notice(7, "first") }), s.answer(101u); // the latest
        notifier.withdraw(7), expect({ close.arg(101).arg(u"first") }); // the first still out
        s.answer(102u), expect({ close.arg(102).arg(u"first") });
        notify(4), expect({ notice(4, "first") }), s.answer(104u);

        // Another connection takes the name over; an action other than the default does nothing.
        auto other = serve(u"other"_s, s, Notifications, Bus::ReplaceExistingService);
        say(other, "ActivationToken", 104, u"stale"_s),
            say(other, "ActionInvoked", 104, u"default"_s);
        say(other, "NotificationClosed", 104, 2u), say(first, "ActionInvoked", 104, u"other"_s);
        settle(other), settle(first);
        QVERIFY(activated.isEmpty() && !qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
        say(first, "ActivationToken", 104, u"token"_s),
            say(first, "ActionInvoked", 104, u"default"_s);
        QTRY_COMPARE(activated.size(), 1);
        QCOMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), "token");
        notify(6), expect({ notice(6, "other") }), s.answer(106u);
        other.unregisterService(Notifications), claim(other, Notifications); // given up, taken back
        notifier.withdraw(4), expect({ close.arg(104).arg(u"first") });
        notifier.withdraw(6), expect({ close.arg(106).arg(u"other") });
        // The service closed it: forgotten, and its action is gone too.
        notify(5), expect({ notice(5, "other") }), s.answer(105u);
        say(other, "NotificationClosed", 105, 2u), say(other, "ActionInvoked", 105, u"default"_s);
        settle(other), notifier.withdraw(5);
        // A call that finds the owner it went to gone goes to the name's new owner.
        other = QDBusConnection(u"gone"_s), QDBusConnection::disconnectFromBus(u"other"_s);
        other = serve(u"again"_s, s, Notifications);
        notify(8), expect({ notice(8, "again") });
        QCOMPARE(std::tuple(activated.size(), s.interfaces), std::tuple(1, QSet { Notifications }));
    }

    // While channels run, one request that the computer not suspend: from the portal, whose
    // answer comes as a Response after its reply; else from the session manager or the power
    // manager, where the portal refuses, answers wrongly or not within the patience. It is
    // released where it was granted: when no channel runs, also when the grant comes after the
    // last stop (nothing is sent for a refusal that comes then), and when the name passes from
    // the connection that granted it, which need not have left the bus; then, and when a
    // service comes back, the ways are asked again. Any other grant is released at once.
    void keepsAwake()
    {
        s.answers = { { u"portal"_s, QVariant::fromValue(QDBusObjectPath()) }, { u"session"_s, 9u },
            { u"power"_s, 7u }, { u"other"_s, 7u } };
        auto portal = serve(u"portal"_s, s, Portal), stranger = serve(u"stranger"_s, s);
        SuspendInhibitor inhibitor(nullptr), hasty(nullptr, 1ms);
        const auto asked = [](const char *at, QString channels = u"1 channel is"_s) {
            channels += u" counting down"_s;
            return at == "portal"sv ? u"Inhibit  4 %1 @portal"_s.arg(channels)
                : at == "session"sv
                ? u"Inhibit %1 0 %2 4 @session"_s.arg(TEMBRIK_APP_ID ""_L1, channels)
                : u"Inhibit Tembrik Timer %1 @%2"_s.arg(channels, QLatin1String(at));
        };
        const auto run = [&](int running) { inhibitor.setRunning(running); };

        // Granted by the portal: two channels, one request, asked again after the name was given
        // up and taken back; a Response from another connection counts for nothing.
        run(1), expect({ asked("portal") }), s.respond(portal, 0), run(2);
        QVERIFY(portal.unregisterService(Portal) && portal.registerService(Portal));
        expect({ u"Close @portal"_s, asked("portal", u"2 channels are"_s) }), s.respond(portal, 0);
        run(1), run(0), expect({ u"Close @portal"_s });
        run(1), expect({ asked("portal") }), s.respond(stranger, 0), settle(stranger), run(0);
        s.respond(portal, 0), expect({ u"Close @portal"_s });

        // Refused by the portal: the session manager; nothing after a stop.
        auto session = serve(u"session"_s, s, SessionManager);
        run(1), expect({ asked("portal") }), s.respond(portal, 2);
        expect({ asked("session") }), run(0), expect({ u"Uninhibit 9 @session"_s });
        run(1), expect({ asked("portal") }), run(0), s.respond(portal, 2), settle(portal);
        // No answer within the patience: the next way; the late grant is released at once.
        s.answers.remove(u"portal"_s);
        hasty.setRunning(1), expect({ asked("portal"), asked("session") });
        s.respond(portal, 0),
            s.answer(QVariant::fromValue(QDBusObjectPath(s.handle))); // its answer first
        expect({ u"Close @portal"_s }), hasty.setRunning(0), expect({ u"Uninhibit 9 @session"_s });
        // Refused by the portal where the power manager is the other way.
        QVERIFY(session.unregisterService(SessionManager));
        auto power = serve(u"power"_s, s, PowerManager);
        s.answers[u"portal"_s] = QVariant::fromValue(QDBusObjectPath());
        run(1), expect({ asked("portal") }), s.respond(portal, 2);
        expect({ asked("power") }), run(0), expect({ u"UnInhibit 7 @power"_s });

        // Wrong answers count as refusals.
        s.answers[u"portal"_s] = u"nonsense"_s, s.answers[u"session"_s] = u"nonsense"_s;
        QVERIFY(session.registerService(SessionManager));
        run(1), expect({ asked("portal"), asked("session"), asked("power") });
        // The power manager's name given up and taken back, then taken over by a connection while
        // the first stays on the bus: released at the holder each time, and asked again.
        portal.unregisterService(Portal), session.unregisterService(SessionManager);
        power.unregisterService(PowerManager), claim(power, PowerManager);
        expect({ u"UnInhibit 7 @power"_s, asked("power") });
        auto other = serve(u"other"_s, s, PowerManager, Bus::ReplaceExistingService);
        expect({ u"UnInhibit 7 @power"_s, asked("other") });
        // The holder leaves the bus and the name passes to one that refuses; a way comes back.
        s.answers[u"power"_s] = u"nonsense"_s, s.answers[u"session"_s] = 9u;
        claim(power, PowerManager, Bus::QueueService);
        QDBusConnection::disconnectFromBus(u"other"_s), other = QDBusConnection(u"gone"_s);
        expect({ asked("power") }), settle(power);
        QVERIFY(session.registerService(SessionManager));
        expect({ asked("session") }), run(0), expect({ u"Uninhibit 9 @session"_s });
        QCOMPARE(s.interfaces,
            QSet<QString>(
                { u"org.freedesktop.portal.Inhibit"_s, u"org.freedesktop.portal.Request"_s,
                    u"org.gnome.SessionManager"_s, u"org.freedesktop.PowerManagement.Inhibit"_s }));
    }
};

QTEST_GUILESS_MAIN(tst_Desktop)
#include "tst_desktop.moc"
