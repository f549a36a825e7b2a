// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "systembeep.h"

#include <QApplication>
#include <memory>

#ifdef TEMBRIK_HAVE_CANBERRA
#include <canberra.h>
#endif

SystemBeep::SystemBeep(Play play, std::function<void()> fallback)
    : m_play(std::move(play))
    , m_fallback(std::move(fallback))
{ }

void SystemBeep::toolkitBeep()
{
    QApplication::beep();
}

void SystemBeep::operator()() const
{
    if (!m_play || m_play() != 0)
        m_fallback();
}

SystemBeep SystemBeep::desktop(std::function<void()> fallback)
{
#ifdef TEMBRIK_HAVE_CANBERRA
    // One context for the program's life; canberra opens its driver on the first play.
    struct Context {
        ca_context *context = nullptr;
        int error = ca_context_create(&context);
        Context()
        {
            if (error == CA_SUCCESS) {
                error = ca_context_change_props(context, CA_PROP_APPLICATION_NAME, TEMBRIK_APP_NAME,
                    CA_PROP_APPLICATION_ID, TEMBRIK_APP_ID, nullptr);
            }
        }
        ~Context()
        {
            if (context)
                ca_context_destroy(context);
        }
        Context(const Context &) = delete;
        Context &operator=(const Context &) = delete;
    };
    auto shared = std::make_shared<Context>();
    return SystemBeep(
        [shared] {
            if (shared->error != CA_SUCCESS)
                return shared->error;
            return ca_context_play(shared->context, 0, CA_PROP_EVENT_ID, "bell",
                CA_PROP_EVENT_DESCRIPTION, "Countdown run out", nullptr);
        },
        std::move(fallback));
#else
    return SystemBeep({}, std::move(fallback));
#endif
}
