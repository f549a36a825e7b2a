// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "channelbank.h"

#include <QWidget>
#include <array>
#include <chrono>
#include <functional>

class QLabel;

// The program's one window: twenty channels of four controls each, "Master Reset" and "Exit".
// The named handlers are what the controls' events call; each is one line that hands its channel
// or button number to the single shared body.
class frmTB : public QWidget {
    Q_OBJECT
public:
    // The program ticks once a second by the time since boot and sounds the desktop's bell;
    // tests and benchmarks may pass another period, bell and clock of their own.
    explicit frmTB(std::chrono::milliseconds tickPeriod = TickPeriod,
        std::function<void()> bell = {}, Channel::Clock clock = ChannelBank::sinceBoot,
        QWidget *parent = nullptr);

    // Set-time, one per channel: loads mins * 60 + tens * 10 seconds and shows "mins:tens". The
    // first two arguments are ignored. Throws OverflowError if the 16-bit arithmetic overflows.
    void SetTime(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(1, mins, tens); }
    void SetTime2(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(2, mins, tens); }
    void SetTime3(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(3, mins, tens); }
    void SetTime4(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(4, mins, tens); }
    void SetTime5(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(5, mins, tens); }
    void SetTime6(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(6, mins, tens); }
    void SetTime7(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(7, mins, tens); }
    void SetTime8(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(8, mins, tens); }
    void SetTime9(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(9, mins, tens); }
    void SetTime10(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(10, mins, tens); }
    void SetTime11(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(11, mins, tens); }
    void SetTime12(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(12, mins, tens); }
    void SetTime13(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(13, mins, tens); }
    void SetTime14(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(14, mins, tens); }
    void SetTime15(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(15, mins, tens); }
    void SetTime16(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(16, mins, tens); }
    void SetTime17(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(17, mins, tens); }
    void SetTime18(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(18, mins, tens); }
    void SetTime19(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(19, mins, tens); }
    void SetTime20(qint16, qint16, qint16 mins, qint16 tens) { setTimeOf(20, mins, tens); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    static constexpr std::chrono::milliseconds TickPeriod { 1000 };
    static constexpr int ButtonCount = 42;
    static constexpr int MasterResetButton = 41;
    static constexpr int ExitButton = 42;

    // Start/Stop and Reset button numbers of each channel, in channel order.
    struct ChannelButtons {
        int startStop;
        int reset;
    };
    static constexpr std::array<ChannelButtons, ChannelBank::Count> ButtonsOfChannel { {
        { 1, 2 }, { 3, 4 }, { 6, 5 }, { 8, 7 }, { 10, 9 }, // channels 1 to 5
        { 11, 12 }, { 13, 14 }, { 15, 16 }, { 17, 18 }, { 19, 20 }, // 6 to 10
        { 21, 22 }, { 23, 24 }, { 25, 26 }, { 27, 28 }, { 29, 30 }, // 11 to 15
        { 31, 32 }, { 33, 34 }, { 35, 36 }, { 37, 38 }, { 39, 40 }, // 16 to 20
    } };

    enum class Role { StartStop, Reset, MasterReset, Exit };
    struct Button {
        Role role;
        int channel; // 0 for the two that act on the whole window
    };
    static constexpr std::array<Button, ButtonCount + 1> buttonTable();
    static Button buttonAt(int number);

    // What each control's event calls: the named handlers, in the controls' number order.
    using Handler = void (frmTB::*)();
    static const std::array<Handler, ButtonCount> ClickHandlers;
    static const std::array<Handler, ChannelBank::Count> TickHandlers;

    // Load: runs once from the constructor, before the window can be shown.
    void Form_Load();

    // Click handlers; which button belongs to which channel is ButtonsOfChannel's business.
    void Command1_Click() { buttonClicked(1); }
    void Command2_Click() { buttonClicked(2); }
    void Command3_Click() { buttonClicked(3); }
    void Command4_Click() { buttonClicked(4); }
    void Command5_Click() { buttonClicked(5); }
    void Command6_Click() { buttonClicked(6); }
    void Command7_Click() { buttonClicked(7); }
    void Command8_Click() { buttonClicked(8); }
    void Command9_Click() { buttonClicked(9); }
    void Command10_Click() { buttonClicked(10); }
    void Command11_Click() { buttonClicked(11); }
    void Command12_Click() { buttonClicked(12); }
    void Command13_Click() { buttonClicked(13); }
    void Command14_Click() { buttonClicked(14); }
    void Command15_Click() { buttonClicked(15); }
    void Command16_Click() { buttonClicked(16); }
    void Command17_Click() { buttonClicked(17); }
    void Command18_Click() { buttonClicked(18); }
    void Command19_Click() { buttonClicked(19); }
    void Command20_Click() { buttonClicked(20); }
    void Command21_Click() { buttonClicked(21); }
    void Command22_Click() { buttonClicked(22); }
    void Command23_Click() { buttonClicked(23); }
    void Command24_Click() { buttonClicked(24); }
    void Command25_Click() { buttonClicked(25); }
    void Command26_Click() { buttonClicked(26); }
    void Command27_Click() { buttonClicked(27); }
    void Command28_Click() { buttonClicked(28); }
    void Command29_Click() { buttonClicked(29); }
    void Command30_Click() { buttonClicked(30); }
    void Command31_Click() { buttonClicked(31); }
    void Command32_Click() { buttonClicked(32); }
    void Command33_Click() { buttonClicked(33); }
    void Command34_Click() { buttonClicked(34); }
    void Command35_Click() { buttonClicked(35); }
    void Command36_Click() { buttonClicked(36); }
    void Command37_Click() { buttonClicked(37); }
    void Command38_Click() { buttonClicked(38); }
    void Command39_Click() { buttonClicked(39); }
    void Command40_Click() { buttonClicked(40); }
    void Command41_Click() { buttonClicked(41); }
    void Command42_Click() { buttonClicked(42); }

    // Tick handlers, one per channel.
    void Timer1_Timer() { timerTicked(1); }
    void Timer2_Timer() { timerTicked(2); }
    void Timer3_Timer() { timerTicked(3); }
    void Timer4_Timer() { timerTicked(4); }
    void Timer5_Timer() { timerTicked(5); }
    void Timer6_Timer() { timerTicked(6); }
    void Timer7_Timer() { timerTicked(7); }
    void Timer8_Timer() { timerTicked(8); }
    void Timer9_Timer() { timerTicked(9); }
    void Timer10_Timer() { timerTicked(10); }
    void Timer11_Timer() { timerTicked(11); }
    void Timer12_Timer() { timerTicked(12); }
    void Timer13_Timer() { timerTicked(13); }
    void Timer14_Timer() { timerTicked(14); }
    void Timer15_Timer() { timerTicked(15); }
    void Timer16_Timer() { timerTicked(16); }
    void Timer17_Timer() { timerTicked(17); }
    void Timer18_Timer() { timerTicked(18); }
    void Timer19_Timer() { timerTicked(19); }
    void Timer20_Timer() { timerTicked(20); }

    void createControls();
    template <typename Body>
    bool handle(const char *control, int number, const char *event, Body &&body);
    void setTimeOf(int channel, qint16 minutes, qint16 tenSeconds);
    void buttonClicked(int number);
    void timerTicked(int channel);
    void showColours(int channel);
    void end();

    ChannelBank *const m_bank;
    const std::function<void()> m_bell;
    std::array<QLabel *, ChannelBank::Count> m_timeLabels {};
    std::array<QLabel *, ChannelBank::Count> m_nameLabels {};
    bool m_ended = false;
};
