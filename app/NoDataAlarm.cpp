#include "app/NoDataAlarm.h"

#include "platform/qt/ToneBeeper.h"

#include <QTimer>

namespace kesto {

NoDataAlarm::NoDataAlarm(Beeper& beeper, QObject* parent)
    : QObject(parent), beeper_(beeper), Timer1(new QTimer(this)) {
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kIntervalMs);
}

void NoDataAlarm::close() {
    closed_ = true;
    Timer1->stop();
}

void NoDataAlarm::setAlarmTimer(bool on) {
    if (on && !closed_) {
        if (!Timer1->isActive()) {
            Timer1->start();
        }
    } else {
        Timer1->stop();
    }
}

bool NoDataAlarm::alarmTimerOn() const {
    return Timer1->isActive();
}

void NoDataAlarm::beep() {
    beeper_.beep();
}

} // namespace kesto
