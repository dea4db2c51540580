#pragma once

#include "acquisition/Interfaces.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kesto {

// Listens on several ports at once, at the analyzer's line settings, until one of them brings a
// frame the decoder accepts or the time is up. Event driven: nothing here blocks, so windows
// keep painting and the acquisition's timers keep running while it listens.
class AnalyzerSearch final : public QObject {
    Q_OBJECT

public:
    static constexpr int kListenMs = 2500;

    struct Candidate {
        int port = 0;           // COM number, handed back as the result
        std::string devicePath; // what to open
    };
    // The COM number where a frame was accepted, or none.
    using Done = std::function<void(std::optional<int> port)>;

    explicit AnalyzerSearch(QObject* parent = nullptr);
    ~AnalyzerSearch() override;

    // Opens every candidate it can and listens. Ports that do not open are passed over. When
    // several bring a frame, the first of them in the candidates' order is taken. `done` is
    // called once, from the event loop, and never after cancel().
    void start(std::vector<Candidate> candidates, Done done, int listenMs = kListenMs);
    // Stops listening and closes every port; nothing is reported.
    void cancel();
    bool running() const { return static_cast<bool>(done_); }
    // How many of the candidates could be opened for this search.
    std::size_t listening() const { return listeners_.size(); }

private:
    struct Listener;
    void finish();

    std::vector<std::unique_ptr<Listener>> listeners_;
    SystemClock clock_;
    QTimer deadline_;
    Done done_;
};

} // namespace kesto
