#pragma once

#include "acquisition/Interfaces.h"

#include <QObject>

class QTimer;

namespace kesto {

class Beeper;

// The no-data alarm as the acquisition drives it: the main window's timer `Timer1`, which runs
// while the link is silent and the messages window is open, and the tone it sounds each second.
class NoDataAlarm final : public QObject, public Alarm {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 1000;

    // `beeper` must outlive the alarm.
    NoDataAlarm(Beeper& beeper, QObject* parent = nullptr);

    QTimer* timer() const { return Timer1; }
    // The program ends: the timer stops and stays off.
    void close();

    void setAlarmTimer(bool on) override;
    bool alarmTimerOn() const override;
    void beep() override;

private:
    Beeper& beeper_;
    QTimer* Timer1;
    bool closed_ = false;
};

} // namespace kesto
