#include "frmtb.h"
#include "handlerframe.h"
#include "systembeep.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// The control table: the Start/Stop and Reset buttons of channels 1 to 20.
const int StartStop[] { 1, 3, 6, 8, 10, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37,
    39 };
const int Reset[] { 2, 4, 5, 7, 9, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40 };
const std::array SetTimes { &frmTB::SetTime, &frmTB::SetTime2, &frmTB::SetTime3, &frmTB::SetTime4,
    &frmTB::SetTime5, &frmTB::SetTime6, &frmTB::SetTime7, &frmTB::SetTime8, &frmTB::SetTime9,
    &frmTB::SetTime10, &frmTB::SetTime11, &frmTB::SetTime12, &frmTB::SetTime13, &frmTB::SetTime14,
    &frmTB::SetTime15, &frmTB::SetTime16, &frmTB::SetTime17, &frmTB::SetTime18, &frmTB::SetTime19,
    &frmTB::SetTime20 };
const auto named = [](const char *word, int n) { return QLatin1String(word) + QString::number(n); };
const auto colourOf = [](const QWidget *w) { return w->palette().color(w->foregroundRole()); };

// A plain model of one channel, written from the behaviour alone.
struct Model {
    int seconds = 2700;
    QString text = u"45:0"_s;
    QColor colour; // of both labels; invalid while they show the system's text colour
    bool running = false;

    bool tick() // true when the time has run out
    {
        if (seconds <= 0) {
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
        const auto fits = [](int value) { return value >= -32768 && value <= 32767; };
        if (!fits(minutes * 60) || !fits(tens * 10) || !fits(minutes * 60 + tens * 10))
            return false;
        seconds = minutes * 60 + tens * 10, text = u"%1:%2"_s.arg(minutes).arg(tens);
        return true;
    }
    int warning() const // what a screen reader is told in words, as an index into Warnings
    {
        return text == u"00:00" ? 3 : colour == Qt::red ? 2 : colour == Qt::yellow ? 1 : 0;
    }
};
const std::array Warnings
    = { ""_L1, ", below 20 minutes"_L1, ", below 5 minutes"_L1, ", run out"_L1 };

} // namespace

class tst_App : public QObject {
    Q_OBJECT

private slots:
    // The window and a model take the same random clicks, timer events and set-time calls and
    // must agree after every step; the last seed turns to a dark theme half-way through.
    // TEMBRIK_DIFF_STEPS sets the steps per seed for a longer run.
    void agreesWithModel()
    {
        const int steps = qEnvironmentVariable("TEMBRIK_DIFF_STEPS", u"125000"_s).toInt();
        for (quint32 seed = 1; seed <= 8; ++seed) {
            int beeps = 0, modelBeeps = 0, seen = 0;
            // No event loop runs and no timer fires by itself; a tick is the timer event that a
            // due timer gets.
            frmTB window(1h, [&] { ++beeps; });
            QColor systemText = window.palette().color(QPalette::ButtonText), black = Qt::black;
            Model model[20];
            QRandomGenerator random(seed);
            QLabel *times[20], *names[20];
            QAccessibleInterface *spoken[20];
            QString descriptions[20][4];
            int timerIds[20] = {};
            for (int n = 0; n < 20; ++n) {
                times[n] = window.findChild<QLabel *>(named("Label", n + 1));
                names[n] = window.findChild<QLabel *>(named(n ? "lblChan" : "lblchan", n + 1));
                spoken[n] = QAccessible::queryAccessibleInterface(times[n]);
                for (int w = 0; w < 4; ++w)
                    descriptions[n][w] = named("Channel ", n + 1) + u" time left"_s + Warnings[w];
            }
            // Mostly small loads, that warn and run out soon; else near the 16-bit limits or
            // anything at all.
            const auto argument = [&](int limit) {
                const int range = random.bounded(6) ? random.bounded(2) ? 22 : limit : 32768;
                return random.bounded(-range, range);
            };

            for (int step = 0; step < steps; ++step) {
                if (seed == 8 && step == steps / 2) { // the desktop turns to a dark theme
                    QApplication::setPalette(QPalette(QColor(66, 66, 69)));
                    QCoreApplication::processEvents(); // where the window hears of it
                    systemText = black = QApplication::palette().color(QPalette::ButtonText);
                }
                const int kind = random.bounded(100);
                int n = random.bounded(20);
                QString event;
                bool modelError = false, error = false;
                if (kind < 75) {
                    // Mostly a running channel's tick, else one that was due as its timer stopped.
                    for (int i = 0; kind < 70 && i < 20 && !model[n].running; ++i)
                        n = (n + 1) % 20;
                    event = named("timer event ", n + 1);
                    if (model[n].running) {
                        modelBeeps += model[n].tick();
                        seen |= 1 << model[n].warning();
                        timerIds[n] = window.channels().channel(n + 1).timer()->timerId();
                    }
                    QTimerEvent tick(timerIds[n]);
                    QCoreApplication::sendEvent(window.channels().channel(n + 1).timer(), &tick);
                } else if (kind < 80) {
                    const int minutes = argument(600), tens = argument(3400);
                    event = u"SetTime%1(?, ?, %2, %3)"_s.arg(n + 1).arg(minutes).arg(tens);
                    modelError = !model[n].setTime(minutes, tens);
                    // Called as the load calls it, in a handler that reports errors by its name.
                    if (modelError)
                        QTest::ignoreMessage(QtWarningMsg,
                            "frmTB.Form_Load: overflow in 16-bit set-time arithmetic");
                    error = !runHandler("Form", 0, "Load", [&] {
                        (window.*SetTimes[n])(qint16(random.generate()), qint16(random.generate()),
                            qint16(minutes), qint16(tens));
                    });
                } else {
                    // Mostly Start/Stop, so that channels run long enough to warn and run out.
                    const int b = random.bounded(3) ? StartStop[n] : random.bounded(1, 42);
                    event = named("click Command", b);
                    for (int i = 0; i < 20; ++i) {
                        model[i].running ^= b == StartStop[i];
                        if (b == Reset[i] || b == 41)
                            model[i] = { 2700, u"45:0"_s, Qt::black };
                    }
                    window.findChild<QPushButton *>(named("Command", b))->click();
                }

                seen |= error << 4;
                for (int i = 0; i < 20; ++i) {
                    const Model &m = model[i];
                    const QColor colour = !m.colour.isValid() ? systemText
                        : m.colour == Qt::black               ? black
                                                              : m.colour;
                    // Seed, step and event stand on both sides, so that a failure names them.
                    QCOMPARE(std::tuple(seed, step, event, error, beeps, i + 1, times[i]->text(),
                                 colourOf(times[i]), colourOf(names[i]),
                                 window.channels().channel(i + 1).isRunning(),
                                 spoken[i]->text(QAccessible::Description)),
                        std::tuple(seed, step, event, modelError, modelBeeps, i + 1, m.text, colour,
                            colour, m.running, descriptions[i][m.warning()]));
                }
            }
            QVERIFY2(seen == 0b11111, "the run never warned, ran out and overflowed");
            QApplication::setPalette(QPalette());
        }
    }

    // The window as the program makes it: its own tick period, title, size and icon, every
    // visible control at its place in twips (15 to a pixel) with its caption, font and spoken
    // name, the focus walking the buttons in number order and round, and resizing moving nothing.
    void form()
    {
        frmTB window;
        QCOMPARE(window.objectName(), u"frmTB"_s);
        QCOMPARE(window.windowTitle(), u"Tembrik Timer Ver 1.0  by Kestrune"_s);
        QCOMPARE(window.size(), QSize(9855 / 15, 5610 / 15));
        QCOMPARE(window.windowIcon().availableSizes(), QList({ QSize(16, 14) }));
        const auto control = [&](const QString &name, QRect twips, const QString &caption,
                                 int pixels, bool bold, const QString &spoken = {}) {
            QWidget *w = window.findChild<QWidget *>(name);
            QVERIFY2(w, qPrintable(name));
            QCOMPARE(std::tuple(name, w->geometry(), w->property("text").toString(),
                         w->font().pixelSize(), w->font().bold(), QFontInfo(w->font()).family(),
                         QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name),
                         w->property("alignment").toInt()),
                std::tuple(name, QRect(twips.topLeft() / 15, twips.size() / 15), caption, pixels,
                    bold, u"Liberation Sans"_s, spoken.isEmpty() ? caption : spoken,
                    name.startsWith(u"Command")     ? 0
                        : name.startsWith(u"Label") ? int(Qt::AlignHCenter | Qt::AlignTop)
                                                    : int(Qt::AlignLeft | Qt::AlignTop)));
        };
        for (int n = 1; n <= 20; ++n) {
            // Channel n's cell is in column (n - 1) % 7 and row (n - 1) / 7 of the grid.
            const int left = 120 + 1320 * ((n - 1) % 7), top = 120 + 1800 * ((n - 1) / 7);
            const QString channel = named("Channel ", n);
            control(named(n == 1 ? "lblchan" : "lblChan", n), { left, top, 1215, 255 }, channel, 11,
                true);
            control(named("Label", n), { left, top + 360, 1215, 375 }, u"45:0"_s, n == 1 ? 13 : 11,
                true);
            control(named("Command", StartStop[n - 1]), { left, top + 840, 1215, 375 },
                u"Start/Stop"_s, 11, false, channel + u" Start/Stop"_s);
            control(named("Command", Reset[n - 1]), { left, top + 1200, 1215, 495 }, u"Reset"_s, 11,
                false, channel + u" Reset"_s);
            QCOMPARE(window.findChild<QTimer *>(named("Timer", n))->interval(), 1000);
        }
        control(u"Command41"_s, { 8280, 3840, 1215, 615 }, u"Master Reset"_s, 13, true);
        control(u"Command42"_s, { 8280, 4440, 1215, 855 }, u"Exit"_s, 13, true);

        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (int next = 0; next <= 42; ++next) {
            QCOMPARE(QApplication::focusWidget()->objectName(), named("Command", next % 42 + 1));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        const QImage before = window.grab().toImage();
        for (const QSize size : { QSize(300, 200), QSize(1600, 1000) }) {
            window.resize(size);
            const QRect seen({}, size.boundedTo(before.size()));
            QCOMPARE(window.grab(seen).toImage(), before.copy(seen));
        }
    }

    // Exit and the close box, with channels running on real timers, end the event loop; nothing
    // ticks, sounds or answers a click after them.
    void ends()
    {
        for (const bool closeBox : { false, true }) {
            int beeps = 0;
            // Ends as channel 1 runs out, with the other nineteen running.
            frmTB window(1ms, [&] {
                QTimer::singleShot(0, &window, [&] {
                    closeBox ? void(window.close())
                             : window.findChild<QPushButton *>(u"Command42"_s)->click();
                });
                ++beeps;
            });
            window.show();
            for (int n = 0; n < 20; ++n) {
                (window.*SetTimes[n])(0, 0, 0, qint16(n + 1)); // runs out at its tick 10n + 11
                window.findChild<QPushButton *>(named("Command", StartStop[n]))->click();
            }
            QTimer::singleShot(10s, &window, [] { QCoreApplication::exit(2); });
            QCOMPARE(QApplication::exec(), 0);
            const QImage atEnd = window.grab().toImage();
            window.findChild<QPushButton *>(u"Command1"_s)->click();
            QTest::qWait(50);
            QCOMPARE(window.grab().toImage(), atEnd);
            QCOMPARE(beeps, 1);
        }
    }

    // One sound per run-out: the desktop's bell, or the toolkit's beep where that cannot play.
    void bell()
    {
        QString heard;
        const auto fallback = [&] { heard += u'f'; };
        SystemBeep([&] { return heard += u'b', 0; }, fallback)();
        SystemBeep([&] { return heard += u'b', -1; }, fallback)();
        SystemBeep({}, fallback)();
        qputenv("CANBERRA_DRIVER", "no-such-driver");
        SystemBeep::desktop(fallback)();
        QCOMPARE(heard, u"bbfff"_s);
    }
};

QTEST_MAIN(tst_App)
#include "tst_app.moc"
