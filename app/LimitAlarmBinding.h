#pragma once

#include "acquisition/Interfaces.h"
#include "acquisition/LiveValues.h"
#include "config/Language.h"

#include <QObject>

namespace kesto {

class BigDisplayGrid;

// The channels' limit alarms in the main window. After each display refresh it runs the alarm of
// every channel (the live page's bars and names show it at their refresh), marks the big display
// cells in alarm, writes one line into the messages window for each alarm that begins or ends,
// and sounds the alarm tone once when one begins, unless the no-data beep sounds already.
class LimitAlarmBinding : public QObject {
    Q_OBJECT

public:
    // Every argument must outlive the binding; `language` is read at each refresh.
    LimitAlarmBinding(LiveDisplay& display, BigDisplayGrid* grid, MessageWindow& messages,
                      Alarm& tone, const Language& language, QObject* parent = nullptr);

    // After the acquisition's refresh, every second.
    void COMTimerGetData();

private:
    LiveDisplay& display_;
    BigDisplayGrid* grid_;
    MessageWindow& messages_;
    Alarm& tone_;
    const Language& language_;
};

} // namespace kesto
