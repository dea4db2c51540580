#include "platform/qt/ToneBeeper.h"

#include <QApplication>
#include <QMetaObject>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#ifdef KESTO_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace kesto {
namespace {

#ifdef KESTO_HAVE_ALSA

constexpr unsigned kSampleRate = 48000;
// Short ramps at both ends keep the tone from clicking.
constexpr int kRampMs = 5;

// Without a sound card ALSA writes its configuration complaints to stderr on every open.
void quietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

std::vector<std::int16_t> sineSamples(int frequencyHz, int durationMs) {
    const std::size_t count = kSampleRate * static_cast<unsigned>(durationMs) / 1000;
    const std::size_t ramp = kSampleRate * kRampMs / 1000;
    std::vector<std::int16_t> samples(count);
    constexpr double kAmplitude = 0.5 * 32767.0;
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 1.0;
        if (i < ramp) {
            gain = static_cast<double>(i) / static_cast<double>(ramp);
        } else if (count - i <= ramp) {
            gain = static_cast<double>(count - i - 1) / static_cast<double>(ramp);
        }
        const double phase = 2.0 * std::numbers::pi * frequencyHz * static_cast<double>(i) /
                             static_cast<double>(kSampleRate);
        samples[i] = static_cast<std::int16_t>(std::lround(kAmplitude * gain * std::sin(phase)));
    }
    return samples;
}

bool playAlsaTone(int frequencyHz, int durationMs) {
    static const bool quiet = [] {
        snd_lib_error_set_handler(quietAlsaErrors);
        return true;
    }();
    (void)quiet;

    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        return false;
    }
    // 100 ms of device latency; the whole tone is written in one go.
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                           kSampleRate, 1, 100000) < 0) {
        snd_pcm_close(pcm);
        return false;
    }
    const std::vector<std::int16_t> samples = sineSamples(frequencyHz, durationMs);
    const std::int16_t* next = samples.data();
    auto left = static_cast<snd_pcm_uframes_t>(samples.size());
    bool ok = true;
    while (left > 0) {
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, next, left);
        if (written < 0) {
            // An underrun or a suspended device: recover once per failure, give up otherwise.
            if (snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) {
                ok = false;
                break;
            }
            continue;
        }
        next += written;
        left -= static_cast<snd_pcm_uframes_t>(written);
    }
    if (ok) {
        snd_pcm_drain(pcm);
    }
    snd_pcm_close(pcm);
    return ok;
}

#endif

} // namespace

ToneBeeper::TonePlayer ToneBeeper::alsaTone() {
#ifdef KESTO_HAVE_ALSA
    return playAlsaTone;
#else
    return [](int, int) { return false; };
#endif
}

ToneBeeper::ToneBeeper(TonePlayer player, std::function<void()> fallback, QObject* parent)
    : QObject(parent), player_(std::move(player)), fallback_(std::move(fallback)) {
    if (!fallback_) {
        fallback_ = [] { QApplication::beep(); };
    }
    worker_ = std::thread([this] { run(); });
}

ToneBeeper::~ToneBeeper() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    // Waits at most for the tone in progress (200 ms).
    worker_.join();
}

void ToneBeeper::beep() {
    if (playing_.exchange(true)) {
        return; // the tone in progress stands for this one
    }
    {
        std::lock_guard lock(mutex_);
        requested_ = true;
    }
    wake_.notify_one();
}

void ToneBeeper::run() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return requested_ || stopping_; });
            if (stopping_) {
                return;
            }
            requested_ = false;
        }
        const bool played = player_ && player_(kFrequencyHz, kDurationMs);
        if (!played) {
            // QApplication::beep belongs to the UI thread; a queued call is dropped if this
            // object is gone by then.
            QMetaObject::invokeMethod(
                this, [this] { fallBack(); }, Qt::QueuedConnection);
        }
        playing_.store(false);
    }
}

void ToneBeeper::fallBack() {
    fallback_();
}

} // namespace kesto
