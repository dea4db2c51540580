#include "app/LimitAlarmBinding.h"

#include "measurement/LimitAlarms.h"

namespace kesto {

LimitAlarmBinding::LimitAlarmBinding(LiveDisplay& display, MessageWindow& messages, Alarm& tone,
                                     const Language& language, QObject* parent)
    : QObject(parent), display_(display), messages_(messages), tone_(tone), language_(language) {}

void LimitAlarmBinding::COMTimerGetData() {
    const LanguageTexts& texts = language_.texts;
    const LimitAlarmReport report = updateLimitAlarms(display_, texts);
    for (const std::string& line : report.messages) {
        messages_.addMessage(line);
    }
    // While the link is silent and the messages window open, the tone sounds every second
    // already; one more would only blur it.
    if (report.began && !tone_.alarmTimerOn()) {
        tone_.beep();
    }
}

} // namespace kesto
