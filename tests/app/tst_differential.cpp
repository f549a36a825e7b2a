#include "frmtb.h"

#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <limits>
#include <optional>

using namespace std::chrono_literals;

namespace {

// A plain reference model of the twenty channels, written from the behaviour alone.
struct Model {
    struct Channel {
        int seconds = 2700;
        QString text = QStringLiteral("45:0");
        std::optional<QColor> timeColour; // unset: the system's text colour
        std::optional<QColor> nameColour;
        bool running = false;
    };
    Channel channels[20];
    int beeps = 0;
    int yellows = 0; // how often each warning was reached, so a run can prove its depth
    int reds = 0;

    static QString showing(int seconds)
    {
        return QStringLiteral("%1:%2").arg((seconds / 60) % 60).arg(seconds % 60);
    }

    void tick(Channel &c)
    {
        if (c.seconds <= 0) {
            ++beeps;
            c.text = QStringLiteral("00:00");
            c.running = false;
            return;
        }
        if (c.text == QStringLiteral("20:0")) {
            c.timeColour = c.nameColour = QColor(255, 255, 0);
            ++yellows;
        }
        if (c.text == QStringLiteral("5:0")) {
            c.timeColour = c.nameColour = QColor(255, 0, 0);
            ++reds;
        }
        c.seconds -= 1;
        c.text = showing(c.seconds);
    }

    // Returns false when the 16-bit arithmetic overflows; the channel is then unchanged.
    static bool setTime(Channel &c, int minutes, int tenSeconds)
    {
        const auto fits = [](long v) { return v >= -32768 && v <= 32767; };
        const long p = long(minutes) * 60, q = long(tenSeconds) * 10;
        if (!fits(p) || !fits(q) || !fits(p + q))
            return false;
        c.seconds = int(p + q);
        c.text = QStringLiteral("%1:%2").arg(minutes).arg(tenSeconds);
        return true;
    }

    void reset(Channel &c)
    {
        c.running = false;
        setTime(c, 45, 0);
        c.timeColour = c.nameColour = QColor(0, 0, 0);
    }
};

// Which channel each button serves, and how: from the control table.
struct ButtonRole {
    int channel; // 0: Master Reset
    bool startStop;
};
ButtonRole roleOf(int button)
{
    static const int startStop[]
        = { 1, 3, 6, 8, 10, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39 };
    static const int reset[]
        = { 2, 4, 5, 7, 9, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40 };
    for (int i = 0; i < 20; ++i) {
        if (startStop[i] == button)
            return { i + 1, true };
        if (reset[i] == button)
            return { i + 1, false };
    }
    return { 0, false };
}

using SetTimeOp = void (frmTB::*)(qint16, qint16, qint16, qint16);
const SetTimeOp SetTimeOps[20] = { &frmTB::SetTime, &frmTB::SetTime2, &frmTB::SetTime3,
    &frmTB::SetTime4, &frmTB::SetTime5, &frmTB::SetTime6, &frmTB::SetTime7, &frmTB::SetTime8,
    &frmTB::SetTime9, &frmTB::SetTime10, &frmTB::SetTime11, &frmTB::SetTime12, &frmTB::SetTime13,
    &frmTB::SetTime14, &frmTB::SetTime15, &frmTB::SetTime16, &frmTB::SetTime17, &frmTB::SetTime18,
    &frmTB::SetTime19, &frmTB::SetTime20 };

} // namespace

class tst_Differential : public QObject {
    Q_OBJECT

    // One seeded run: the model and a real window take the same random events, and the whole
    // visible state must agree after each of them. Returns an empty string or the first divergence.
    struct Outcome {
        QString divergence;
        int yellows, reds, beeps, errors;
    };

    static Outcome run(quint32 seed, int steps)
    {
        int errors = 0;
        int beeps = 0;
        // Real timers never fire here: no event loop runs, and the period is an hour. Ticks are
        // delivered as the timer events that a due timer would get.
        frmTB window(1h, [&beeps] { ++beeps; });
        Model model;
        QRandomGenerator random(seed);

        QPushButton *buttons[42];
        QLabel *timeLabels[20];
        QLabel *nameLabels[20];
        QTimer *timers[20];
        for (int b = 1; b <= 42; ++b)
            buttons[b - 1] = window.findChild<QPushButton *>(QStringLiteral("Command%1").arg(b));
        for (int n = 1; n <= 20; ++n) {
            timeLabels[n - 1] = window.findChild<QLabel *>(QStringLiteral("Label%1").arg(n));
            nameLabels[n - 1] = window.findChild<QLabel *>(
                (n == 1 ? QStringLiteral("lblchan%1") : QStringLiteral("lblChan%1")).arg(n));
            timers[n - 1] = window.findChild<QTimer *>(QStringLiteral("Timer%1").arg(n));
        }
        const QColor systemText = timeLabels[0]->palette().color(QPalette::ButtonText);
        const auto colourOf
            = [](const QLabel *label) { return label->palette().color(label->foregroundRole()); };

        const auto argument = [&random]() -> int {
            switch (random.bounded(6)) {
            case 0:
                return random.bounded(-32768, 32768); // anything at all
            case 1:
                return random.bounded(540, 553) * (random.bounded(2) ? 1 : -1); // near the limits
            case 2:
                return random.bounded(3270, 3283) * (random.bounded(2) ? 1 : -1);
            case 3:
                return random.bounded(2) ? 20 : 5; // warning texts straight after a load
            default:
                return random.bounded(0, 4);
            }
        };

        for (int step = 0; step < steps; ++step) {
            QString event;
            bool modelError = false;
            bool realError = false;
            const int kind = random.bounded(100);
            QList<int> running;
            for (int n = 0; n < 20; ++n) {
                if (model.channels[n].running)
                    running << n;
            }

            if (kind < 70 && !running.isEmpty()) {
                const int n = running.at(random.bounded(int(running.size())));
                event = QStringLiteral("tick %1").arg(n + 1);
                model.tick(model.channels[n]);
                QTimerEvent tick(timers[n]->timerId());
                QCoreApplication::sendEvent(timers[n], &tick);
            } else if (kind < 75) {
                // A timer event for a stopped timer, as a late one would be: it must do nothing.
                const int n = random.bounded(20);
                event = QStringLiteral("stale tick %1").arg(n + 1);
                if (!model.channels[n].running) {
                    QTimerEvent stale(timers[n]->timerId() < 0 ? 1 : timers[n]->timerId() + 1000);
                    QCoreApplication::sendEvent(timers[n], &stale);
                }
            } else if (kind < 80) {
                const int n = random.bounded(20);
                const int minutes = argument();
                const int tens = argument();
                event = QStringLiteral("SetTime channel %1 (%2, %3)")
                            .arg(n + 1)
                            .arg(minutes)
                            .arg(tens);
                modelError = !Model::setTime(model.channels[n], minutes, tens);
                try {
                    (window.*SetTimeOps[n])(
                        qint16(random.bounded(65536) - 32768), 0, qint16(minutes), qint16(tens));
                } catch (const OverflowError &) {
                    realError = true;
                    ++errors;
                }
            } else {
                // Start/Stop clicks are the common case, so that channels run long enough to warn.
                const int button
                    = random.bounded(3) ? 2 * random.bounded(20) + 1 : random.bounded(1, 42);
                event = QStringLiteral("click Command%1").arg(button);
                const ButtonRole role = roleOf(button);
                if (role.channel == 0) {
                    for (auto &c : model.channels)
                        model.reset(c);
                } else if (role.startStop) {
                    model.channels[role.channel - 1].running ^= true;
                } else {
                    model.reset(model.channels[role.channel - 1]);
                }
                buttons[button - 1]->click();
            }

            const auto diverged = [&](const QString &what) {
                return Outcome { QStringLiteral("seed %1, step %2 (%3): %4")
                                     .arg(seed)
                                     .arg(step)
                                     .arg(event, what),
                    0, 0, 0, 0 };
            };
            if (modelError != realError)
                return diverged(QStringLiteral("error raised: model %1, window %2")
                                    .arg(modelError)
                                    .arg(realError));
            if (beeps != model.beeps)
                return diverged(
                    QStringLiteral("beeps: model %1, window %2").arg(model.beeps).arg(beeps));
            for (int n = 0; n < 20; ++n) {
                const Model::Channel &c = model.channels[n];
                if (timeLabels[n]->text() != c.text)
                    return diverged(QStringLiteral("Label%1 reads %2, model %3")
                                        .arg(n + 1)
                                        .arg(timeLabels[n]->text(), c.text));
                if (timers[n]->isActive() != c.running)
                    return diverged(
                        QStringLiteral("Timer%1 enabled %2").arg(n + 1).arg(timers[n]->isActive()));
                if (colourOf(timeLabels[n]) != c.timeColour.value_or(systemText))
                    return diverged(QStringLiteral("Label%1 colour %2")
                                        .arg(n + 1)
                                        .arg(colourOf(timeLabels[n]).name()));
                if (colourOf(nameLabels[n]) != c.nameColour.value_or(systemText))
                    return diverged(QStringLiteral("channel label %1 colour %2")
                                        .arg(n + 1)
                                        .arg(colourOf(nameLabels[n]).name()));
            }
        }
        return { {}, model.yellows, model.reds, model.beeps, errors };
    }

private slots:
    void agreesWithModel_data()
    {
        // TEMBRIK_DIFF_STEPS raises the steps per seed for a longer run on demand.
        const int steps = qEnvironmentVariableIsSet("TEMBRIK_DIFF_STEPS")
            ? qEnvironmentVariableIntValue("TEMBRIK_DIFF_STEPS")
            : 125000;
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("steps");
        for (quint32 seed : { 1u, 2u, 3u, 4u, 5u, 6u, 7u, 20261206u })
            QTest::addRow("seed %u", seed) << seed << steps;
    }

    void agreesWithModel()
    {
        QFETCH(quint32, seed);
        QFETCH(int, steps);
        const Outcome outcome = run(seed, steps);
        QVERIFY2(outcome.divergence.isEmpty(), qPrintable(outcome.divergence));
        qInfo("seed %u: %d steps, %d yellow and %d red warnings, %d expiries, %d overflows", seed,
            steps, outcome.yellows, outcome.reds, outcome.beeps, outcome.errors);
        // A run that never warned, expired or overflowed would prove little.
        QVERIFY(outcome.yellows > 0 && outcome.reds > 0 && outcome.beeps > 0 && outcome.errors > 0);
    }
};

QTEST_MAIN(tst_Differential)
#include "tst_differential.moc"
