#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kesto {

// The alarm tone as the main window uses it; tests count calls with their own.
class Beeper {
public:
    virtual ~Beeper() = default;
    // Starts the alarm tone and returns at once.
    virtual void beep() = 0;
};

// 1000 Hz for 200 ms through ALSA's default PCM device, played on a worker thread so the UI
// thread never waits for the tone. Without ALSA at build time, or when no device can be opened,
// the system's standard beep (QApplication::beep) sounds instead, on the UI thread. A beep
// requested while a tone is still playing is dropped.
class ToneBeeper final : public QObject, public Beeper {
    Q_OBJECT

public:
    static constexpr int kFrequencyHz = 1000;
    static constexpr int kDurationMs = 200;

    // Plays one tone and returns when it is done; false when no sound device could be used.
    using TonePlayer = std::function<bool(int frequencyHz, int durationMs)>;

    // `player` runs on the worker thread; `fallback` runs on the thread that owns this object.
    explicit ToneBeeper(TonePlayer player = alsaTone(), std::function<void()> fallback = {},
                        QObject* parent = nullptr);
    ~ToneBeeper() override;

    void beep() override;
    bool isPlaying() const { return playing_.load(); }

    // The ALSA player; without ALSA at build time a player that always reports no device.
    static TonePlayer alsaTone();

private:
    void run();
    void fallBack();

    TonePlayer player_;
    std::function<void()> fallback_;
    std::atomic<bool> playing_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool requested_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace kesto
