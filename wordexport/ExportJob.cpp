#include "wordexport/ExportJob.h"

#include <thread>
#include <utility>

namespace kesto {

std::shared_ptr<ExportJob> ExportJob::start(std::shared_ptr<WordProcessor> processor,
                                            ReportValues values, Done done) {
    std::shared_ptr<ExportJob> job(new ExportJob);
    // Detached: a thread blocked in a call to a hung word processor cannot be joined, and the
    // caller must not wait for it. Everything it touches it owns.
    std::thread([job, processor = std::move(processor), values = std::move(values),
                 done = std::move(done)] {
        const ExportOutcome outcome = runReportExport(*processor, values, job->cancelled_);
        if (done) {
            done(outcome);
        }
        job->running_ = false;
    }).detach();
    return job;
}

} // namespace kesto
