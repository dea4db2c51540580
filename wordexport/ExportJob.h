#pragma once

#include "wordexport/ReportExport.h"

#include <atomic>
#include <functional>
#include <memory>

namespace kesto {

// One report export on a worker thread of its own, so that a word processor that hangs never
// holds up the caller. The thread keeps the word processor and the job alive until it ends;
// a job whose word processor never answers is given up with cancel() and left behind.
class ExportJob {
public:
    using Done = std::function<void(const ExportOutcome&)>;

    // Starts the export at once. `done` is called exactly once, on the worker thread, with the
    // outcome (Cancelled when cancel() came first).
    static std::shared_ptr<ExportJob> start(std::shared_ptr<WordProcessor> processor,
                                            ReportValues values, Done done);

    // No further step is taken; a call to the word processor already under way runs to its end.
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    // False once `done` has returned.
    bool running() const { return running_; }

private:
    ExportJob() = default;

    std::atomic<bool> cancelled_{false};
    std::atomic<bool> running_{true};
};

} // namespace kesto
