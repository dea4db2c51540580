#pragma once

#include "acquisition/Interfaces.h"
#include "acquisition/LiveValues.h"
#include "config/Language.h"

#include <QObject>

namespace kesto {

// The channels' limit alarms in the main window. After each display refresh it runs the alarm of
// every channel (the live page and the big display show it at their refresh), writes one line into the messages window for each alarm that begins or ends,
// and sounds the alarm tone once when one begins, unless the no-data beep sounds already.
class LimitAlarmBinding : public QObject {
    Q_OBJECT

public:
    // Every argument must outlive the binding; `language` is read at each refresh.
    LimitAlarmBinding(LiveDisplay& display, MessageWindow& messages, Alarm& tone,
                      const Language& language, QObject* parent = nullptr);

    // After the acquisition's refresh, every second.
    void COMTimerGetData();

private:
    LiveDisplay& display_;
    MessageWindow& messages_;
    Alarm& tone_;
    const Language& language_;
};

} // namespace kesto
