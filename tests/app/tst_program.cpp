#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program as a user starts it.
class tst_Program : public QObject {
    Q_OBJECT

private slots:
    // Without a window system the program says so in one line and fails, rather than aborting.
    void noDisplay()
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TEMBRIK_PROGRAM), {});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QList<QByteArray> lines = program.readAllStandardError().trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().startsWith("tembrik-timer: cannot open the window"));
    }

    // With one, it opens its window and runs until it is told to end.
    void startsAndRuns()
    {
        QTemporaryDir runtime; // a private runtime folder, so Qt has nothing to warn about
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TEMBRIK_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        QVERIFY(!program.waitForFinished(1000));
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.readAllStandardError(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
