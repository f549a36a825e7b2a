#include "systembeep.h"

#include <QTest>

// Exactly one sound per call: the desktop's bell, or the toolkit's beep when that fails.
class tst_SystemBeep : public QObject {
    Q_OBJECT

private slots:
    void choosesBetweenBellAndFallback_data()
    {
        QTest::addColumn<int>("playResult");
        QTest::addColumn<int>("fallbacks");
        QTest::newRow("bell plays") << 0 << 0;
        QTest::newRow("bell fails") << -1 << 1;
        QTest::newRow("no driver") << -13 << 1;
    }

    void choosesBetweenBellAndFallback()
    {
        QFETCH(int, playResult);
        QFETCH(int, fallbacks);
        int plays = 0;
        int fallbackCalls = 0;
        const SystemBeep beep(
            [&] {
                ++plays;
                return playResult;
            },
            [&] { ++fallbackCalls; });
        beep();
        QCOMPARE(plays, 1);
        QCOMPARE(fallbackCalls, fallbacks);
    }

    void withoutBellUsesFallback()
    {
        int fallbackCalls = 0;
        const SystemBeep beep({}, [&] { ++fallbackCalls; });
        beep();
        beep();
        QCOMPARE(fallbackCalls, 2);
    }

    // The real seam, with canberra told to use a driver that does not exist: it must report the
    // failure and the toolkit's beep must sound instead, once per call.
    void desktopBellFallsBackWhenCanberraFails()
    {
        qputenv("CANBERRA_DRIVER", "no-such-driver");
        int fallbackCalls = 0;
        const SystemBeep beep = SystemBeep::desktop([&] { ++fallbackCalls; });
        beep();
        QCOMPARE(fallbackCalls, 1);
        beep();
        QCOMPARE(fallbackCalls, 2);
    }
};

QTEST_GUILESS_MAIN(tst_SystemBeep)
#include "tst_systembeep.moc"
