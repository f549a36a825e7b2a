// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frmtb.h"
#include "systembeep.h"

#include <QtDBus>
#include <QtTest>
#include <QtWidgets>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// The control table: the Start/Stop (Toggle) and Reset buttons of channels 1 to 20.
const int Toggle[] { 1, 3, 6, 8, 10, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39 };
const int Reset[] { 2, 4, 5, 7, 9, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40 };
const std::array SetTimes { &frmTB::SetTime, &frmTB::SetTime2, &frmTB::SetTime3, &frmTB::SetTime4,
    &frmTB::SetTime5, &frmTB::SetTime6, &frmTB::SetTime7, &frmTB::SetTime8, &frmTB::SetTime9,
    &frmTB::SetTime10, &frmTB::SetTime11, &frmTB::SetTime12, &frmTB::SetTime13, &frmTB::SetTime14,
    &frmTB::SetTime15, &frmTB::SetTime16, &frmTB::SetTime17, &frmTB::SetTime18, &frmTB::SetTime19,
    &frmTB::SetTime20 };
const auto named = [](const char *word, int n) { return QLatin1String(word) + QString::number(n); };
// The controls by their object names, looked up once per window; index n is control n.
struct Controls {
    explicit Controls(const QWidget &w)
    {
        for (int n = 1; n <= 42; ++n) {
            button[n] = w.findChild<QPushButton *>(named("Command", n));
            time[n] = w.findChild<QLabel *>(named("Label", n));
            name[n] = w.findChild<QLabel *>(named(n > 1 ? "lblChan" : "lblchan", n));
            timer[n] = w.findChild<QTimer *>(named("Timer", n));
        }
    }
    // The timer event that a due timer gets.
    void timeout(int n) const
    {
        QTimerEvent tick(timer[n]->timerId());
        QCoreApplication::sendEvent(timer[n], &tick);
    }
    QPushButton *button[43] {};
    QLabel *time[43] {}, *name[43] {};
    QTimer *timer[43] {};
};
const auto activate
    = [](QWidget *w) { return w->show(), w->activateWindow(), QTest::qWaitForWindowActive(w); };

// A plain model of one channel, written from the behaviour alone.
struct Model {
    int seconds = 2700;
    QString text = u"45:0"_s;
    QColor colour; // of both labels; invalid while they show the system's text colour
    bool running = false;

    bool tick(bool bellFails) // true when the bell rings; a bell that fails ends the tick
    {
        if (seconds <= 0) {
            if (!bellFails)
                text = u"00:00"_s, running = false;
            return true;
        }
        colour = text == u"20:0" ? QColor(Qt::yellow) : text == u"5:0" ? QColor(Qt::red) : colour;
        --seconds;
        text = u"%1:%2"_s.arg(seconds / 60 % 60).arg(seconds % 60);
        return false;
    }
    bool setTime(int minutes, int tens) // false, changing nothing, when 16 bits overflow
    {
        const int p = minutes * 60, q = tens * 10;
        if (qint16(p) != p || qint16(q) != q || qint16(p + q) != p + q)
            return false;
        seconds = p + q, text = u"%1:%2"_s.arg(minutes).arg(tens);
        return true;
    }
    // What a screen reader is told in words, as an index into Warnings.
    int told() const { return text == u"00:00" ? 3 : colour == Qt::red ? 2 : colour == Qt::yellow; }
};
const std::array Warnings
    = { ""_L1, ", below 20 minutes"_L1, ", below 5 minutes"_L1, ", run out"_L1 };

} // namespace

// The desktop's notification service, played by the test on a private session bus: it logs the
// calls it gets and holds its answers to Notify until the test lets them go.
class NotificationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList calls, dock;
    QList<QDBusMessage> held;
    uint next = 101; // the id of the next notification

    void answer(QDBusConnection bus)
    {
        for (const QDBusMessage &call : std::exchange(held, {}))
            bus.send(call.createReply(QVariant::fromValue(next++)));
    }

public slots:
    uint Notify(const QString &, uint replaces, const QString &icon, const QString &summary,
        const QString &, const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        calls << QStringList { u"Notify"_s, QString::number(replaces), icon, summary,
            actions.join(u','), hints[u"desktop-entry"_s].toString(),
            hints[u"suppress-sound"_s].toString(), QString::number(timeout) }
                     .join(u' ');
        setDelayedReply(true);
        held.prepend(message()); // answered latest first, as a service may
        return 0;
    }
    void CloseNotification(uint id) { calls << u"Close %1"_s.arg(id); }
    void Update(const QString &app, const QVariantMap &entry) // the dock's side
    {
        dock << app + u' ' + QVariant(entry.values()).toStringList().join(u' ');
    }

signals:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString &action);
    void ActivationToken(uint id, const QString &token);
};

class tst_App : public QObject {
    Q_OBJECT

    const QPalette m_palette = QApplication::palette();

private slots:
    void cleanup() { QApplication::setPalette(m_palette); }

    // The window and a model take the same random clicks, timer events and set-time calls and
    // must agree after every step; now and then the bell fails. The button face is just light
    // enough for a reset's black, with white text, and one row turns it just dark half-way. Then
    // the program ends, by Exit in half the rows and by the close box in the others.
    // TEMBRIK_DIFF_STEPS sets the steps per seed for a shorter or longer run.
    void agreesWithModel_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 8; ++seed)
            QTest::addRow("seed %u, %s", seed, seed % 2 ? "Exit" : "close box") << seed;
    }
    void agreesWithModel()
    {
        QFETCH(quint32, seed);
        const bool darkHalfWay = seed == 8, closeBox = seed % 2 == 0;
        const int steps = qEnvironmentVariableIntValue("TEMBRIK_DIFF_STEPS");
        const int total = steps > 0 ? steps : 10000;
        int bells = 0, modelBells = 0;
        bool bellFails = false;
        // No event loop runs and no timer fires by itself; a tick is the timer event that a due
        // timer gets. The user is at the window, so no notification goes out.
        QApplication::setPalette(QPalette(QColor(128, 128, 128)));
        frmTB window(
            1h, [&] { ++bells, bellFails ? throw std::runtime_error("no sound") : void(); });
        QVERIFY(activate(&window));
        const Controls c(window);
        const QColor text = window.palette().color(QPalette::ButtonText);
        bool dark = false; // where a reset's black is the theme's text colour
        Model model[20];
        QRandomGenerator random(seed);
        // Mostly loads at the warnings and the run-out, or small ones; else near the 16-bit limits
        // or anything.
        const auto argument = [&](int limit, std::array<int, 3> aims) {
            const int range = random.bounded(6) ? random.bounded(2) ? 22 : limit : 32768;
            return random.bounded(2) ? aims[random.bounded(3)] : random.bounded(-range, range);
        };

        // Seed, step and event stand on both sides, so that a failure names them.
        const auto agree = [&](int step, const QString &event, bool error, bool modelError) {
            for (int i = 0; i < 20; ++i) {
                const Model &m = model[i];
                const QColor colour
                    = !m.colour.isValid() || (dark && m.colour == Qt::black) ? text : m.colour;
                QLabel *time = c.time[i + 1];
                QCOMPARE(std::tuple(seed, step, event, error, bells, i + 1, time->text(),
                             time->palette().color(QPalette::ButtonText),
                             c.name[i + 1]->palette().color(QPalette::ButtonText),
                             c.timer[i + 1]->isActive(),
                             QAccessible::queryAccessibleInterface(time)->text(
                                 QAccessible::Description)),
                    std::tuple(seed, step, event, modelError, modelBells, i + 1, m.text, colour,
                        colour, m.running,
                        named("Channel ", i + 1) + u" time left"_s + Warnings[m.told()]));
            }
        };

        for (int step = 0; step < total; ++step) {
            if (darkHalfWay && step == total / 2) { // the desktop turns to a dark theme
                QApplication::setPalette(QPalette(QColor(127, 127, 127)));
                QCoreApplication::processEvents(); // where the window hears of it
                dark = true;
            }
            const int kind = random.bounded(100);
            int n = random.bounded(20);
            QString event;
            bool modelError = false, error = false;
            if (kind < 75) {
                // A running channel's tick: the timer event that a due timer gets.
                for (int i = 0; i < 20 && !model[n].running; ++i)
                    n = (n + 1) % 20;
                if (!model[n].running)
                    continue;
                event = named("timer event ", n + 1);
                bellFails = model[n].seconds <= 0 && random.bounded(8) == 0;
                if (bellFails)
                    QTest::ignoreMessage(QtWarningMsg,
                        qPrintable(named("frmTB.Timer", n + 1) + u"_Timer: no sound"_s));
                modelBells += model[n].tick(bellFails);
                c.timeout(n + 1);
            } else if (kind < 80) {
                const int minutes = argument(600, { 0, 5, 20 }), tens = argument(3400, { 0, 1, 2 });
                event = u"SetTime%1(?, ?, %2, %3)"_s.arg(n + 1).arg(minutes).arg(tens);
                modelError = !model[n].setTime(minutes, tens);
                try {
                    (window.*SetTimes[n])(qint16(random.generate()), qint16(random.generate()),
                        qint16(minutes), qint16(tens));
                } catch (const OverflowError &) {
                    error = true;
                }
            } else {
                // Mostly Start/Stop, so that channels run long enough to warn and run out.
                const int b = random.bounded(3) ? Toggle[n] : random.bounded(1, 42);
                event = named("click Command", b);
                for (int i = 0; i < 20; ++i) {
                    model[i].running ^= b == Toggle[i];
                    if (b == Reset[i] || b == 41)
                        model[i] = { 2700, u"45:0"_s, Qt::black };
                }
                c.button[b]->click();
            }

            agree(step, event, error, modelError);
            if (QTest::currentTestFailed())
                return;
        }
        // The program ends by Exit or the close box with a tick of channel 1, that would run it
        // out, and a click on its Start/Stop still queued: neither runs, and no bell sounds.
        window.SetTime(0, 0, 0, 0), model[0].setTime(0, 0), bellFails = false;
        if (!model[0].running)
            c.button[1]->click(), model[0].running = true;
        QTimer::singleShot(0, &window, [&] {
            QCoreApplication::postEvent(c.timer[1], new QTimerEvent(c.timer[1]->timerId()));
            QMetaObject::invokeMethod(c.button[1], &QPushButton::click, Qt::QueuedConnection);
            closeBox ? void(window.close()) : c.button[42]->click();
        });
        QCOMPARE(QApplication::exec(), 0);
        QCoreApplication::processEvents(); // what the ended loop left queued
        agree(total, u"the end"_s, false, false);
    }

    // The window as the program makes it: its own tick period, title, size and icon, every
    // visible control at its place in twips (15 to a pixel) with its caption, font and spoken
    // name, and the focus walking the buttons in number order and round.
    void form()
    {
        frmTB window;
        const Controls c(window);
        QCOMPARE(std::tuple(window.objectName(), window.windowTitle(), window.size()),
            std::tuple(u"frmTB"_s, u"Tembrik Timer Ver 1.0  by Kestrune"_s, QSize(657, 374)));
        // The icon: the 16 x 14 picture at its size; the files made for Windows and for the desktop
        // (on a square canvas, like the scalable picture) hold the same pixels, and the larger
        // sizes are the square one with each pixel made a square of 2, 4 and 8.
        const auto argb
            = [](const QImage &image) { return image.convertToFormat(QImage::Format_ARGB32); };
        const QString files = QStringLiteral(TEMBRIK_SOURCE_DIR "/src/app/tembrik");
        const QImage picture = argb(QImage(u":/icons/tembrik.xpm"_s)),
                     square = argb(QImage(files + u"-16.png"_s));
        QCOMPARE(argb(window.windowIcon().pixmap(QSize(16, 14)).toImage()), picture);
        QCOMPARE(argb(QImage(files + u".ico"_s)), picture);
        QCOMPARE(square.copy(0, 1, 16, 14), picture);
        for (const int size : { 32, 64, 128 }) {
            const QImage big = square.scaled(size, size);
            QCOMPARE(argb(QImage(files + u"-%1.png"_s.arg(size))), big);
            QCOMPARE(argb(window.windowIcon().pixmap(QSize(size, size)).toImage()), big);
        }
        const auto check = [&](QWidget *w, QRect twips, const QString &caption, int pixels,
                               bool bold, int align = 0, const QString &spoken = {}) {
            QCOMPARE(std::tuple(w->objectName(), w->geometry(), w->property("text").toString(),
                         w->font().pixelSize(), w->font().bold(), QFontInfo(w->font()).family(),
                         QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name),
                         w->property("alignment").toInt()),
                std::tuple(w->objectName(), QRect(twips.topLeft() / 15, twips.size() / 15), caption,
                    pixels, bold, u"Liberation Sans"_s, spoken.isEmpty() ? caption : spoken,
                    align));
        };
        for (int n = 1; n <= 20; ++n) {
            // Channel n's cell is in column (n - 1) % 7 and row (n - 1) / 7 of the grid.
            const int left = 120 + 1320 * ((n - 1) % 7), top = 120 + 1800 * ((n - 1) / 7);
            const QString channel = named("Channel ", n);
            check(c.name[n], { left, top, 1215, 255 }, channel, 11, true,
                Qt::AlignLeft | Qt::AlignTop);
            check(c.time[n], { left, top + 360, 1215, 375 }, u"45:0"_s, n == 1 ? 13 : 11, true,
                Qt::AlignHCenter | Qt::AlignTop);
            check(c.button[Toggle[n - 1]], { left, top + 840, 1215, 375 }, u"Start/Stop"_s, 11,
                false, 0, channel + u" Start/Stop"_s);
            check(c.button[Reset[n - 1]], { left, top + 1200, 1215, 495 }, u"Reset"_s, 11, false, 0,
                channel + u" Reset"_s);
        }
        // The tick timers, all made alike: precise, a second from the start.
        c.button[39]->click();
        QCOMPARE(std::tuple(c.timer[20]->interval(), c.timer[20]->timerType()),
            std::tuple(1000, Qt::PreciseTimer));
        check(c.button[41], { 8280, 3840, 1215, 615 }, u"Master Reset"_s, 13, true);
        check(c.button[42], { 8280, 4440, 1215, 855 }, u"Exit"_s, 13, true);

        QVERIFY(activate(&window));
        for (int next = 0; next <= 42; ++next) {
            QCOMPARE(QApplication::focusWidget()->objectName(), named("Command", next % 42 + 1));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }

    // A channel that runs out while the user is elsewhere is named in a notification, which its
    // start or reset withdraws, and whose default action brings the window to the front. While
    // the window is active nothing is sent. Every id that the service hands back is closed when
    // no longer wanted, also when it comes late, and forgotten when the service closed it or gave
    // its name to another owner (the last Notify goes to the new owner).
    void notifies()
    {
        const QString path = u"/org/freedesktop/Notifications"_s,
                      bus = u"org.freedesktop.Notifications"_s;
        NotificationService service;
        auto server = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"first"_s);
        QVERIFY(server.registerObject(path, &service, QDBusConnection::ExportAllContents));
        QVERIFY(server.registerService(bus));
        QVERIFY(server.connect({}, {}, u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s,
            &service, SLOT(Update(QString, QVariantMap))));
        // Returns once the program has heard all that the service said before: a round trip of
        // the service's connection to the bus, then one of the program's.
        const auto settle = [&] {
            server.registerService(u"org.example.Sync"_s);
            QDBusConnection::sessionBus().interface()->isServiceRegistered(bus);
            QCoreApplication::processEvents();
        };
        frmTB window(1ms, [] {});
        const Controls c(window);
        QWidget elsewhere;
        const auto runOut = [&](int n) {
            (window.*SetTimes[n - 1])(0, 0, 0, 0);
            c.button[Toggle[n - 1]]->click();
            QTRY_COMPARE(c.time[n]->text(), u"00:00"_s);
        };
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        static QStringList spoken; // what a screen reader is told at once, only while active
        QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
            if (auto *said = dynamic_cast<QAccessibleAnnouncementEvent *>(event))
                spoken << said->message() + QString::number(int(said->politeness()));
        });
#endif
        QVERIFY(activate(&window));
        runOut(3);
        QVERIFY(activate(&elsewhere));
        runOut(7), runOut(7); // the second before the service has answered the first
        QTRY_COMPARE(service.calls.size(), 2);
        service.answer(server);
        QTRY_COMPARE(service.calls.size(), 3);
        runOut(3), c.button[5]->click(); // reset while the call is on its way
        service.answer(server);
        QTRY_COMPARE(service.calls.size(), 5);
        // Neither a superseded nor a withdrawn notification, nor another action, does anything.
        for (const uint id : { 102, 103 }) {
            emit service.ActivationToken(id, u"stale"_s);
            emit service.ActionInvoked(id, u"default"_s);
        }
        emit service.ActionInvoked(101, u"other"_s);
        settle();
        QVERIFY(!window.isActiveWindow() && !qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
        window.showMinimized();
        emit service.ActivationToken(101, u"token"_s); // which Wayland needs to take the focus
        emit service.ActionInvoked(101, u"default"_s);
        QTRY_VERIFY(window.isActiveWindow() && !window.isMinimized());
        QCOMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), "token");
        QVERIFY(activate(&elsewhere));
        emit service.NotificationClosed(101, 2); // the user dismissed it: its action is gone too
        emit service.ActionInvoked(101, u"default"_s);
        settle();
        QVERIFY(!window.isActiveWindow());
        c.button[14]->click();
        runOut(3);
        QTRY_COMPARE(service.calls.size(), 6);
        service.answer(server);
        // The service's name passes to another owner, who knows none of the old ids.
        QVERIFY(server.unregisterService(bus));
        auto second = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"second"_s);
        QVERIFY(second.registerObject(path, &service, QDBusConnection::ExportAllContents));
        QVERIFY(second.registerService(bus));
        settle();
        runOut(3);
        const QString notify = u"Notify 0 %1 Channel %2 has run out default,Show %1 true 0"_s.arg(
            QStringLiteral(TEMBRIK_APP_ID));
        QTRY_COMPARE(service.calls,
            QStringList({ notify.arg(7), notify.arg(7), u"Close 102"_s, notify.arg(3),
                u"Close 103"_s, notify.arg(3), notify.arg(3) }));
        // The dock's count, whether it shows, and the urgent mark.
        QCOMPARE(service.dock.join(u',').remove(u"application://" TEMBRIK_APP_ID ".desktop "_s),
            u"1 true false,2 true true,1 true true,2 true true,1 true true,2 true true,1 true true,"
            "1 true false,0 false false,1 true true,0 false true,1 true true"_s);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QCOMPARE(spoken, QStringList { u"Channel 3 has run out1"_s });
#endif
    }

    // Every tick that fell due while the program could not run (stopped, or asleep by the boot
    // clock) comes at the next timeout, in order, with its warnings, and none comes before it is
    // due; a channel that ran out meanwhile sounds one bell. A bell that fails ends the catch-up
    // there, and the next timeout tries again.
    void catchesUp()
    {
        int bells = 0;
        std::chrono::nanoseconds now {};
        frmTB window(
            1h, [&] { ++bells == 1 ? throw std::runtime_error("no sound") : void(); },
            [&] { return now; });
        const Controls c(window);
        window.SetTime(0, 0, 5, 1); // red at the 11th tick, run out at the 311th
        c.button[1]->click(), c.button[3]->click();
        now = 400h;
        QTest::ignoreMessage(QtWarningMsg, "frmTB.Timer1_Timer: no sound");
        c.timeout(1), c.timeout(2);
        const auto shown = [&](int n) {
            return std::tuple(c.time[n]->text(), c.name[n]->palette().color(QPalette::ButtonText),
                c.timer[n]->isActive(), bells);
        };
        QCOMPARE(shown(1), std::tuple(u"0:0"_s, QColor(Qt::red), true, 1));
        QCOMPARE(shown(2), std::tuple(u"38:20"_s, QColor(Qt::black), true, 1));
        c.timeout(1);
        QCOMPARE(shown(1), std::tuple(u"00:00"_s, QColor(Qt::red), false, 2));
        now = 2701h;
        c.timeout(2);
        QCOMPARE(shown(2), std::tuple(u"00:00"_s, QColor(Qt::red), false, 3));
    }

    // Where the desktop's bell cannot play, the toolkit's beep sounds instead.
    void bellFallsBack()
    {
        qputenv("CANBERRA_DRIVER", "no-such-driver"); // the last test, so nothing else hears it
        int fallbacks = 0;
        SystemBeep::desktop([&] { ++fallbacks; })();
        QCOMPARE(fallbacks, 1);
    }
};

QTEST_MAIN(tst_App)
#include "tst_app.moc"
