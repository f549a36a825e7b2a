// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <exception>

// Every handler runs inside this frame: an error ends the handler where it arose and is reported
// on standard error by the handler's name, so no error ever crosses the event loop and the other
// channels go on. Returns whether the body ran to its end.
template <typename Body>
bool runHandler(const char *control, int number, const char *event, Body &&body) noexcept
{
    const auto report = [&](const char *what) {
        QByteArray name(control);
        if (number > 0)
            name += QByteArray::number(number);
        qWarning("frmTB.%s_%s: %s", name.constData(), event, what);
    };
    try {
        body();
        return true;
    } catch (const std::exception &error) {
        report(error.what());
    } catch (...) {
        report("unknown error");
    }
    return false;
}
