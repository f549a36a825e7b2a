// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop/standin.h"
#include "frmtb.h"
#include "systembeep.h"

#include <QtWidgets>
#include <xcb/xcb.h>

using namespace std::chrono_literals;

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
    qint64 started = 0, ticks = 0; // the run's start by the clock, in periods, and its ticks

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

// What a window asks of an X window manager for its attention: _NET_WM_STATE_DEMANDS_ATTENTION
// added (1) or taken back (0), in client messages to the root window, which Qt's own connection
// to the X server hears too.
struct Attention : QAbstractNativeEventFilter {
    xcb_connection_t *x = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_atom_t state = atom("_NET_WM_STATE"), demands = atom("_NET_WM_STATE_DEMANDS_ATTENTION");
    QList<uint> asked;
    xcb_atom_t atom(const char *name)
    {
        const auto cookie = xcb_intern_atom(x, 0, uint16_t(qstrlen(name)), name);
        return std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)>(
            xcb_intern_atom_reply(x, cookie, nullptr), free)
            ->atom;
    }
    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const auto *said = static_cast<xcb_client_message_event_t *>(message);
        if ((said->response_type & 0x7f) == XCB_CLIENT_MESSAGE && said->type == state
            && said->data.data32[1] == demands)
            asked << said->data.data32[0];
        return false;
    }
};

} // namespace

class tst_App : public QObject {
    Q_OBJECT

private slots:
    // The window and a model take the same random clicks, timer events, set-time calls and leaps
    // of the clock (as a stalled or sleeping computer sees it; a timer event then brings every
    // tick that fell due) and must agree after every step; now and then the bell fails, which
    // ends a timer event's ticks. The button face is just light
    // enough for a reset's black, with white text, and one row turns it just dark half-way. Then
    // the program ends, by Exit in half the rows and by the close box in the others.
    // TEMBRIK_DIFF_STEPS sets more steps per seed for a longer run.
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
        const int total = std::max(qEnvironmentVariableIntValue("TEMBRIK_DIFF_STEPS"), 10000);
        int bells = 0, modelBells = 0;
        bool bellFails = false;
        // No event loop runs and no timer fires by itself; a tick is the timer event that a due
        // timer gets. The user is elsewhere, so every run-out also tells the desktop, which
        // here has no session bus.
        QApplication::setPalette(QPalette(QColor(128, 128, 128)));
        qint64 hours = 0;
        frmTB window(
            1h, [&] { ++bells, bellFails ? throw std::runtime_error("no sound") : void(); },
            [&] { return std::chrono::hours(hours); });
        window.show();
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
            for (int n = 1; n <= 20; ++n) {
                const Model &m = model[n - 1];
                const QColor colour
                    = !m.colour.isValid() || (dark && m.colour == Qt::black) ? text : m.colour;
                QCOMPARE(
                    std::tuple(seed, step, event, error, bells, n, c.time[n]->text(),
                        c.time[n]->palette().color(QPalette::ButtonText),
                        c.name[n]->palette().color(QPalette::ButtonText), c.timer[n]->isActive(),
                        QAccessible::queryAccessibleInterface(c.time[n])->text(
                            QAccessible::Description)),
                    std::tuple(seed, step, event, modelError, modelBells, n, m.text, colour, colour,
                        m.running, named("Channel ", n) + u" time left"_s + Warnings[m.told()]));
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
            if (kind < 70) {
                // A running channel's timeout: its own tick and every other that is due.
                for (int i = 0; i < 20 && !model[n].running; ++i)
                    n = (n + 1) % 20;
                Model &m = model[n];
                if (!m.running)
                    continue;
                event = named("timer event ", n + 1), bellFails = random.bounded(8) == 0;
                bool failed = false;
                for (const qint64 due = std::max(m.ticks + 1, hours - m.started);
                     m.ticks < due && m.running && !failed; ++m.ticks) {
                    const bool rang = m.tick(bellFails);
                    modelBells += rang, failed = rang && bellFails;
                }
                if (failed)
                    QTest::ignoreMessage(QtWarningMsg,
                        qPrintable(named("frmTB.Timer", n + 1) + u"_Timer: no sound"_s));
                QTimerEvent timeout(c.timer[n + 1]->timerId()); // the event that a due timer gets
                QCoreApplication::sendEvent(c.timer[n + 1], &timeout);
            } else if (kind < 75) {
                hours += random.bounded(1, random.bounded(8) ? 30 : 1000);
                event = u"clock at %1 h"_s.arg(hours);
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
                    if (b == Toggle[i] && (model[i].running = !model[i].running))
                        model[i].started = hours, model[i].ticks = 0;
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
        // images of the window are the square one with each pixel made a square of 2, 4 and 8.
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
        // The tick timers, all made alike: precise, a second apart; a period that could never fall
        // due is refused.
        QCOMPARE(std::tuple(c.timer[20]->interval(), c.timer[20]->timerType()),
            std::tuple(1000, Qt::PreciseTimer));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, frmTB(0ms));
        check(c.button[41], { 8280, 3840, 1215, 615 }, u"Master Reset"_s, 13, true);
        check(c.button[42], { 8280, 4440, 1215, 855 }, u"Exit"_s, 13, true);

        QVERIFY(activate(&window));
        for (int next = 0; next <= 42; ++next) {
            QCOMPARE(QApplication::focusWidget()->objectName(), named("Command", next % 42 + 1));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }

    // The window tells the desktop about its channels. A run-out while the user is elsewhere is
    // named in a notification, whose action brings the minimised window back and which the
    // channel's start or reset withdraws, and on X11 asks the window manager for attention; at
    // the window nothing is sent and a screen reader hears it at once (Qt 6.8). The dock counts the
    // channels that show a run-out, urgent from one in the background until the window is active
    // again, and Master Reset makes one update. While channels run, a request that the computer not
    // suspend stands, released by Master Reset and by Exit.
    void tellsDesktop()
    {
        StandIn s;
        s.answers = { { u"desktop"_s, 101u }, { u"power"_s, 7u } };
        auto bus = serve(u"desktop"_s, s, Notifications),
             power = serve(u"power"_s, s, PowerManager);
        QVERIFY(bus.connect({}, {}, u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s, &s,
            SLOT(Update(QString, QVariantMap))));
        frmTB window(1ms, [] {});
        const Controls c(window);
        QWidget elsewhere;
        window.show();
        std::optional<Attention> attention; // on X11 alone
        if (QGuiApplication::platformName() == u"xcb")
            qApp->installNativeEventFilter(&attention.emplace());
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        static QStringList spoken; // what a screen reader is told at once, only while active
        QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
            if (auto *said = dynamic_cast<QAccessibleAnnouncementEvent *>(event))
                spoken << said->message() + QString::number(int(said->politeness()));
        });
#endif
        const QString inhibit = u"Inhibit Tembrik Timer 1 channel is counting down @power"_s,
                      uninhibit = u"UnInhibit 7 @power"_s,
                      close = u"CloseNotification 101 @desktop"_s;
        QVERIFY(activate(&elsewhere));
        c.button[1]->click();
        QTRY_COMPARE(s.calls, QStringList { inhibit });
        window.SetTime7(0, 0, 0, 0), window.SetTime8(0, 0, 0, 0); // both run out
        c.button[13]->click(), c.button[15]->click();
        QTRY_COMPARE(s.calls.size(), 3);
        window.showMinimized(), say(bus, "ActionInvoked", 101, u"default"_s);
        QTRY_VERIFY(window.isActiveWindow() && !window.isMinimized());
        c.button[13]->click(); // a start withdraws 7's; it runs out again at the window
        QTRY_VERIFY(!c.timer[7]->isActive() && s.calls.size() == 4);
        c.button[41]->click(), c.button[1]->click(); // Master Reset withdraws 8's; a start, Exit
        QTRY_COMPARE(s.calls.size(), 7);
        QTimer::singleShot(0, c.button[42], &QPushButton::click);
        QCOMPARE(QApplication::exec(), 0);
        QTRY_COMPARE(
            s.calls.filter(u"@power"_s), QStringList({ inhibit, uninhibit, inhibit, uninhibit }));
        QCOMPARE(s.calls.filter(u"@desktop"_s),
            QStringList({ notice(7, "desktop"), notice(8, "desktop"), close, close }));
        QCOMPARE(s.dock, QStringList({ u"2 true true"_s, u"2 true false"_s, u"0 false false"_s }));
        // The run-outs in the background ask for attention once, taken back when the window is
        // active.
        QVERIFY(!attention || attention->asked == QList<uint>({ 1, 0 }));
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QCOMPARE(spoken, QStringList { u"Channel 7 has run out1"_s });
#endif
    }

    // The desktop's bell, else the toolkit's beep: once where the desktop's bell fails, never
    // where it plays.
    void bellFallsBack()
    {
        qputenv("CANBERRA_DRIVER", "no-such-driver"); // a process of its own: nothing else hears it
        int beeps = 0;
        const auto beep = [&] { ++beeps; };
        SystemBeep([] { return 0; }, beep)();
        QCOMPARE(beeps, 0); // the desktop's bell played: nothing more
        SystemBeep([] { return -1; }, beep)();
        QCOMPARE(beeps, 1); // it failed: the toolkit's beep, once
        SystemBeep::desktop(beep)();
        QCOMPARE(beeps, 2); // canberra with no driver fails too
    }
};

QTEST_MAIN(tst_App)
#include "tst_app.moc"
