#include "serial/AnalyzerSearch.h"

#include "acquisition/FrameDecoder.h"
#include "serial/AnalyzerPort.h"


namespace kesto {

// One port, opened as the acquisition opens the analyzer's line, with a decoder of its own;
// its texts are thrown away, only the counters matter.
struct AnalyzerSearch::Listener {
    Listener(const Candidate& c, const Clock& clock) : candidate(c), decoder(texts, clock) {}
    Candidate candidate;
    AnalyzerPort port;
    ReceivedTexts texts;
    FrameDecoder decoder;
    bool found() const { return decoder.counters().framesAccepted > 0; }
};

AnalyzerSearch::AnalyzerSearch(QObject* parent) : QObject(parent) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &AnalyzerSearch::finish);
}

AnalyzerSearch::~AnalyzerSearch() {
    cancel();
}

void AnalyzerSearch::start(std::vector<Candidate> candidates, Done done, int listenMs) {
    cancel();
    done_ = std::move(done);
    for (const Candidate& c : candidates) {
        auto l = std::make_unique<Listener>(c, clock_);
        Listener* raw = l.get();
        l->decoder.resetForOpen(clock_.tickMs());
        if (l->port.openPath(c.devicePath).has_value()) {
            continue; // busy, gone or not ours: not the analyzer's port for this search
        }
        auto checkFound = [this, raw] {
            if (raw->found()) {
                // Reads already waiting on other ports come in first; then the first is taken.
                deadline_.start(0);
            }
        };
        l->port.setBytesHandler([this, raw, checkFound](std::span<const std::uint8_t> bytes) {
            raw->decoder.onBytes(bytes, clock_.tickMs());
            checkFound();
        });
        l->port.setQuietHandler([this, raw, checkFound] {
            raw->decoder.onLineQuiet(clock_.tickMs());
            checkFound();
        });
        listeners_.push_back(std::move(l));
    }
    // With nothing to listen on, the answer still comes from the event loop.
    deadline_.start(listeners_.empty() ? 0 : listenMs);
}

void AnalyzerSearch::finish() {
    if (!done_) {
        return; // cancelled meanwhile
    }
    std::optional<int> port;
    for (const auto& l : listeners_) {
        if (l->found()) {
            port = l->candidate.port;
            break;
        }
    }
    Done done = std::exchange(done_, {});
    cancel();
    if (done) {
        done(port);
    }
}

void AnalyzerSearch::cancel() {
    deadline_.stop();
    done_ = {};
    for (auto& l : listeners_) {
        l->port.setBytesHandler({});
        l->port.setQuietHandler({});
        l->port.close();
    }
    listeners_.clear();
}

} // namespace kesto
