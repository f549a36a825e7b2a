#pragma once

#include <QtGlobal>

// What one channel remembers between events. Only remainingSeconds carries from tick to tick;
// the other three are the last counting tick's working values.
struct ChannelState {
    qint16 remainingSeconds = 0;
    int wholeMinutes = 0;
    int shownSeconds = 0;
    int shownMinutes = 0;
};
