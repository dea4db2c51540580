#include "app/LimitAlarmBinding.h"

#include "measurement/LimitAlarms.h"
#include "widgets/BigDisplayGrid.h"
#include "widgets/QtText.h"

namespace kesto {

LimitAlarmBinding::LimitAlarmBinding(LiveDisplay& display, BigDisplayGrid* grid,
                                     MessageWindow& messages, Alarm& tone, const Language& language,
                                     QObject* parent)
    : QObject(parent), display_(display), grid_(grid), messages_(messages), tone_(tone),
      language_(language) {}

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
    for (int cell = 0; cell < kBigDisplayColumns * kBigDisplayRows; ++cell) {
        const auto channel =
            bigDisplayChannel(cell % kBigDisplayColumns, cell / kBigDisplayColumns);
        if (channel) {
            const ChannelDisplay& d = display_[index(*channel)];
            grid_->setCellAlarm(cell, d.alarm, qs(limitAlarmText(d.settings, d.alarm, texts)));
        }
    }
}

} // namespace kesto
