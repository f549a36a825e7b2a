// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <ctime>

// Small helpers shared by the benchmarks: order statistics, clocks, memory and a plain table.

inline double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<qsizetype>(p / 100.0 * double(values.size() - 1) + 0.5);
    return values.at(std::min(index, values.size() - 1));
}

// Resident memory of this process in kB.
inline long residentKb()
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

inline double cpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

inline void printRow(const QString &what, const QString &figure, const QString &target = {})
{
    std::printf(
        "| %-44s | %14s | %-12s |\n", qPrintable(what), qPrintable(figure), qPrintable(target));
}

inline void printHeader(const char *title)
{
    std::printf("\n%s\n", title);
    printRow(QStringLiteral("measure"), QStringLiteral("figure"), QStringLiteral("target"));
    std::printf("|%s|%s|%s|\n", QByteArray(46, '-').constData(), QByteArray(16, '-').constData(),
        QByteArray(14, '-').constData());
}
