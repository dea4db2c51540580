#include "AnalyzerSearch.h"

#include "AnalyzerPort.h"
#include "FrameDecoder.h"

#include <QSerialPort>

namespace kesto {

// One port with a decoder of its own; its texts are thrown away, only the counters matter.
struct AnalyzerSearch::Listener {
    Listener(const Candidate& c, const Clock& clock) : candidate(c), decoder(texts, clock) {}
    Candidate candidate;
    QSerialPort port;
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
        QSerialPort& port = l->port;
        port.setPortName(QString::fromStdString(c.devicePath));
        port.setBaudRate(AnalyzerPort::kBaudRate);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        port.setReadBufferSize(AnalyzerPort::kReadBufferBytes);
        if (!port.open(QIODevice::ReadWrite)) {
            continue; // busy, gone or not ours: not the analyzer's port for this search
        }
        port.setDataTerminalReady(false); // as on the analyzer's line; a pty refuses, harmlessly
        port.setRequestToSend(false);
        Listener* raw = l.get();
        connect(&port, &QSerialPort::readyRead, this, [this, raw] {
            const QByteArray data = raw->port.readAll();
            raw->decoder.onBytes(
                std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data.data()),
                                              static_cast<std::size_t>(data.size())));
            if (raw->found()) {
                // Reads already waiting on other ports come in first; then the first is taken.
                deadline_.start(0);
            }
        });
        connect(&port, &QSerialPort::errorOccurred, this, [raw](QSerialPort::SerialPortError e) {
            // A vanished device keeps signalling readiness: close it, the others go on.
            if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError) {
                raw->port.close();
            }
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
        l->port.disconnect(this);
        l->port.close();
    }
    listeners_.clear();
}

} // namespace kesto
