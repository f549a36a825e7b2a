#include "frmtb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

// Resident memory of this process in kB.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Runs the event loop for a while. Unlike QTest::qWait, which sleeps between batches, this lets
// 1 ms timers tick at their own pace.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

// All twenty channels on real timers with a 1 ms period, under a storm of real mouse clicks.
class tst_Storm : public QObject {
    Q_OBJECT

    int beeps = 0;
    std::unique_ptr<frmTB> window;
    bool testActs = false;
    QStringList violations;

    QPushButton *button(int number) const
    {
        return window->findChild<QPushButton *>(QStringLiteral("Command%1").arg(number));
    }

    // Any button but Exit; Master Reset seldom, so that channels live long enough to expire.
    void clickRandomButton(QRandomGenerator &random)
    {
        const int number = random.bounded(500) == 0 ? 41 : random.bounded(1, 41);
        testActs = true;
        QTest::mouseClick(button(number), Qt::LeftButton);
        testActs = false;
    }

    // Outside the test's own clicks and loads only a tick changes a channel, and only a tick of a
    // running timer does.
    void watchTicks()
    {
        for (Channel *channel : window->channels().channels()) {
            const auto check = [this, channel] {
                if (!testActs && !channel->isRunning())
                    violations << QStringLiteral("channel %1 changed while stopped")
                                      .arg(channel->number());
            };
            connect(channel, &Channel::textChanged, this, check);
            connect(channel, &Channel::colourChanged, this, check);
        }
    }

    void storm(QRandomGenerator &random, std::chrono::milliseconds length)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < length.count()) {
            // Short loads now and then, so that channels warn and expire between the resets.
            if (random.bounded(10) == 0) {
                testActs = true;
                window->channels()
                    .channel(random.bounded(1, 21))
                    .setTime(qint16(random.bounded(6)), qint16(random.bounded(6)));
                testActs = false;
            }
            clickRandomButton(random);
            spin(random.bounded(20));
        }
    }

private slots:
    void init()
    {
        beeps = 0;
        violations.clear();
        window = std::make_unique<frmTB>(1ms, [this] { ++beeps; });
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // Short loads, so that channels warn and expire during the storm.
        for (Channel *channel : window->channels().channels()) {
            channel->setTime(5, 1);
            channel->toggle();
        }
        watchTicks();
    }

    void cleanup() { window.reset(); }

    void invariantsHoldUnderClicks()
    {
        QRandomGenerator random(42);
        storm(random, 500ms); // warm up allocator and caches before measuring memory
        const long before = residentKb();
        storm(random, 3s);
        const long after = residentKb();

        QVERIFY2(violations.isEmpty(), qPrintable(violations.join(u'\n')));
        const QRegularExpression tickText(QStringLiteral("^([1-5]?[0-9]):([1-5]?[0-9])$"));
        const QRegularExpression loadText(QStringLiteral("^(45:0|[0-5]:[0-5])$"));
        const QList<QColor> allowed { QColor(Qt::black), QColor(Qt::yellow), QColor(Qt::red),
            window->palette().color(QPalette::ButtonText) };
        for (const QLabel *label : window->findChildren<QLabel *>()) {
            const QString text = label->text();
            if (label->objectName().startsWith(u"Label")) {
                QVERIFY2(text == u"00:00" || tickText.match(text).hasMatch()
                        || loadText.match(text).hasMatch(),
                    qPrintable(text));
            }
            QVERIFY(allowed.contains(label->palette().color(label->foregroundRole())));
        }
        QVERIFY(beeps > 0);
        qInfo("resident memory %ld kB before the storm, %ld kB after; %d beeps", before, after,
            beeps);
#ifndef __SANITIZE_ADDRESS__ // the address sanitizer holds freed memory back on purpose
        QVERIFY2(after - before < 4096, "resident memory grew by 4 MB or more");
#endif
    }

    void endDuringStorm_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Exit button") << false;
        QTest::newRow("close box") << true;
    }

    // Ending the program in the middle of ticks and clicks returns from the event loop, and
    // nothing ticks, beeps or clicks through afterwards.
    void endDuringStorm()
    {
        QFETCH(bool, closeBox);
        QRandomGenerator random(7);
        QTimer clicker;
        connect(&clicker, &QTimer::timeout, this, [&] { clickRandomButton(random); });
        clicker.start(1ms);
        QTimer::singleShot(300ms, window.get(), [&] {
            if (closeBox)
                window->close();
            else
                QTest::mouseClick(button(42), Qt::LeftButton);
        });
        QTimer::singleShot(10s, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);

        const int beepsAtEnd = beeps;
        QStringList texts;
        for (const QLabel *label : window->findChildren<QLabel *>())
            texts << label->text();
        spin(100); // the clicker goes on clicking; nothing may answer
        QCOMPARE(beeps, beepsAtEnd);
        QStringList textsLater;
        for (const QLabel *label : window->findChildren<QLabel *>())
            textsLater << label->text();
        QCOMPARE(textsLater, texts);
        for (const Channel *channel : window->channels().channels())
            QVERIFY(!channel->isRunning());
    }
};

QTEST_MAIN(tst_Storm)
#include "tst_storm.moc"
