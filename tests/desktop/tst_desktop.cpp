// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop/standin.h"
#include "notifier.h"
#include "suspendinhibitor.h"

using namespace std::literals;

// What the program says to the desktop's services, on a session bus of the test's own where the
// test plays the services. Each call is checked with the connection it went to and where there,
// in order.
class tst_Desktop : public QObject {
    Q_OBJECT

    StandIn s;
    QStringList log; // the calls that the services must have had so far
    void expect(const QStringList &more)
    {
        log << more;
        if (!QTest::currentTestFailed()) { // where they first differ is all there is to say
            (void)QTest::qWaitFor([this] { return s.calls.size() >= log.size(); });
            QCOMPARE(s.calls, log);
        }
    }
    // The request to stay awake as the connection `at` gets it, by the way that it serves.
    static QString asked(const QString &at, const QString &channels = u"1 channel is"_s)
    {
        return (at == u"session"  ? u"Inhibit " TEMBRIK_APP_ID " 0 %1 counting down 4 @%2"_s
                : at == u"portal" ? u"Inhibit  4 %1 counting down @%2"_s
                                  : u"Inhibit Tembrik Timer %1 counting down @%2"_s)
            .arg(channels, at);
    }

private slots:
    void init() { s.clear(), log.clear(), QTest::failOnWarning(QRegularExpression(u"."_s)); }

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
        notifier.withdraw(4), expect({ close.arg(104).arg(u"first") });
        notifier.withdraw(6), expect({ close.arg(106).arg(u"other") });
        // The service closed it: forgotten, and its action is gone too.
        notify(5), expect({ notice(5, "other") }), s.answer(105u);
        say(other, "NotificationClosed", 105, 2u), say(other, "ActionInvoked", 105, u"default"_s);
        settle(other), notifier.withdraw(5), settle(other);
        QCOMPARE(std::tuple(activated.size(), s.calls), std::tuple(1, log));
    }

    // While channels run, one request that the computer not suspend, asked of the ways in turn:
    // the session manager, the power manager, the portal (whose answer comes as a Response after
    // its reply, and counts from the connection that took the request alone, before the reply or
    // after). A way that is missing, refuses or answers wrongly is passed over at once, one that
    // does not answer after the patience that the program uses. The grant is released where it
    // was granted: when no channel runs (also when it comes after the last stop; nothing is sent
    // for a refusal then), and when the name passes from the connection that granted it, which
    // need not have left the bus; then, and when a way comes (back), the ways are asked again.
    // Any other grant, however late, is released at once.
    void keepsAwake()
    {
        s.answers = { { u"session"_s, 9u }, { u"power"_s, 7u }, { u"other"_s, 7u } };
        auto session = serve(u"session"_s, s, SessionManager),
             power = serve(u"power"_s, s, PowerManager), portal = serve(u"portal"_s, s, Portal),
             stranger = serve(u"stranger"_s, s);
        // A patience so long that only the bus's answers pass a way over, and the program's own.
        SuspendInhibitor inhibitor(nullptr, 1h), patient(nullptr);
        const auto run = [&](int running) { inhibitor.setRunning(running); };

        // Every way there (GNOME, MATE, Cinnamon): the session manager, once for two channels.
        run(1), run(2), expect({ asked(u"session"_s) }), run(0),
            expect({ u"Uninhibit 9 @session"_s });
        // Its refusal after the stop asks nothing more. It never answers: the power manager after
        // the patience; its late grant released at once.
        s.answers.remove(u"session"_s);
        run(1), expect({ asked(u"session"_s) }), run(0), s.answer(u"no"_s), settle(session);
        QElapsedTimer clock;
        clock.start(), patient.setRunning(1), expect({ asked(u"session"_s), asked(u"power"_s) });
        QVERIFY(clock.elapsed() >= SuspendInhibitor::Patience.count());
        s.answer(9u), expect({ u"Uninhibit 9 @session"_s });
        patient.setRunning(0), expect({ u"UnInhibit 7 @power"_s });

        // No session manager (XFCE, KDE Plasma): the power manager, before the portal. Its name
        // given up and taken back, then taken over by a connection while the first stays on the
        // bus: released at the holder each time, and asked again.
        QVERIFY(session.unregisterService(SessionManager));
        run(1), expect({ asked(u"power"_s) });
        power.unregisterService(PowerManager), claim(power, PowerManager);
        expect({ u"UnInhibit 7 @power"_s, asked(u"power"_s) });
        auto other = serve(u"other"_s, s, PowerManager, Bus::ReplaceExistingService);
        expect({ u"UnInhibit 7 @power"_s, asked(u"other"_s) });
        // The holder leaves the bus, the name passes to a connection that answers wrongly, and
        // the portal too: nothing is held until a way comes back.
        s.answers[u"power"_s] = s.answers[u"portal"_s] = u"nonsense"_s,
        s.answers[u"session"_s] = 9u;
        claim(power, PowerManager, Bus::QueueService);
        QDBusConnection::disconnectFromBus(u"other"_s), other = QDBusConnection(u"gone"_s);
        expect({ asked(u"power"_s), asked(u"portal"_s) }), settle(portal);
        QVERIFY(session.registerService(SessionManager));
        expect({ asked(u"session"_s) }), run(0), expect({ u"Uninhibit 9 @session"_s });
        session.unregisterService(SessionManager), power.unregisterService(PowerManager);

        // The portal alone (a sandbox): its yes before its reply, another connection's no between,
        // held for two channels; the name given up and taken back: released, and asked again.
        s.answers.remove(u"portal"_s);
        run(1), expect({ asked(u"portal"_s) }), s.respond(portal, 0), s.respond(stranger, 2);
        s.answer(), run(2);
        QVERIFY(portal.unregisterService(Portal) && portal.registerService(Portal));
        expect({ u"Close #2 @portal"_s, asked(u"portal"_s, u"2 channels are"_s) });
        // Another connection's yes before the reply and after it counts for nothing: after the
        // portal's no, nothing is held. The portal's yes after the stop is released when it comes.
        s.respond(stranger, 0), s.answer(), s.respond(stranger, 0), s.respond(portal, 2);
        settle(portal), run(0), run(1), expect({ asked(u"portal"_s) }), run(0), s.answer();
        s.respond(portal, 0), expect({ u"Close #4 @portal"_s }), settle(portal);
        QCOMPARE(s.calls, log);
    }
};

QTEST_GUILESS_MAIN(tst_Desktop)
#include "tst_desktop.moc"
