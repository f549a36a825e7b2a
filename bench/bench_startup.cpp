// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up: process start to the window first shown, and resident memory once it is shown. The
// parent starts the program's own start-up path in a child process many times; "--bare" measures
// a plain Qt window holding the same 82 widgets, as the toolkit's own floor.
#include "benchutil.h"
#include "frmtb.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QWindow>

namespace {

qint64 monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The child: what main() does, then report when the window is exposed.
int child(int argc, char *argv[], bool bare)
{
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window;
    if (bare) {
        window = std::make_unique<QWidget>();
        for (int i = 0; i < 42; ++i)
            (new QPushButton(QStringLiteral("Start/Stop"), window.get()))
                ->setGeometry(i % 7 * 88, i / 7 * 40, 81, 25);
        for (int i = 0; i < 40; ++i)
            (new QLabel(QStringLiteral("Channel %1").arg(i), window.get()))
                ->setGeometry(i % 7 * 88, i / 7 * 40 + 30, 81, 17);
        window->resize(657, 374);
    } else {
        window = std::make_unique<frmTB>();
    }
    window->show();
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents(); // the first paint
    std::printf("%lld %ld\n", static_cast<long long>(monotonicNs()), residentKb());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && (qstrcmp(argv[1], "--child") == 0 || qstrcmp(argv[1], "--bare") == 0))
        return child(argc, argv, qstrcmp(argv[1], "--bare") == 0);

    QCoreApplication app(argc, argv);
    constexpr int Runs = 15;
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb"));
    printHeader(
        qPrintable(QStringLiteral("Start-up on %1 (median of %2 runs)").arg(platform).arg(Runs)));
    // The two kinds take turns, so a change in the machine's load touches both alike.
    QList<double> shown[2], resident[2];
    for (int run = 0; run < 2 * Runs; ++run) {
        const int bare = run % 2;
        QProcess process;
        const qint64 started = monotonicNs();
        process.start(QCoreApplication::applicationFilePath(),
            { bare ? QStringLiteral("--bare") : QStringLiteral("--child") });
        process.waitForFinished(30000);
        const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split(' ');
        if (process.exitCode() != 0 || figures.size() != 2) {
            std::fprintf(stderr, "child failed: %s\n", process.readAllStandardError().constData());
            return 1;
        }
        shown[bare] << double(figures[0].toLongLong() - started) / 1e6;
        resident[bare] << double(figures[1].toLong()) / 1024.0;
    }
    for (const int bare : { 0, 1 }) {
        const QString who
            = bare ? QStringLiteral("bare window, 82 widgets") : QStringLiteral("frmTB");
        printRow(who + QStringLiteral(": start to shown"),
            QStringLiteral("%1 ms").arg(percentile(shown[bare], 50), 0, 'f', 1),
            bare ? QString() : QStringLiteral("< 100 ms"));
        printRow(who + QStringLiteral(": resident memory"),
            QStringLiteral("%1 MB").arg(percentile(resident[bare], 50), 0, 'f', 1),
            bare ? QString() : QStringLiteral("< 35 MB"));
    }
    printRow(QStringLiteral("frmTB / bare window: start to shown"),
        QString::number(percentile(shown[0], 50) / percentile(shown[1], 50), 'f', 2),
        QStringLiteral("<= 1.10"));
    printRow(QStringLiteral("frmTB / bare window: resident memory"),
        QString::number(percentile(resident[0], 50) / percentile(resident[1], 50), 'f', 2),
        QStringLiteral("<= 1.05"));
    return 0;
}
