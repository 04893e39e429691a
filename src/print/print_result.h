// What became of a print job, for those who drive printing without reaching the printer
// itself (builds without Qt PrintSupport know these too).
#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <string>

namespace tallivo {

// Where a job stands. Printed: completed, or printing when the wait ended.
enum class JobState {
    kNotSent,      // failed before the print system had it
    kSpoolFailed,  // the spool file could not be written whole: nothing was sent
    kPending,      // waiting in the queue
    kProcessing,
    kCompleted,
    kHeld,
    kStopped,  // the job, or the queue it waits in
    kCancelled,
    kAborted,
};

struct PrintResult {
    bool ok = false;      // printed, or written into the file
    bool toFile = false;  // the pages went into a file the print dialog asked for, not a queue
    std::string error;    // why it did not print, in English (the command line's words)
    QString message;      // the same for the seller, in Chinese; empty when ok
    int jobId = 0;        // the print system's number; 0 when printed into a file
    qint64 bytes = 0;     // what was handed to the print system (or written to the file)
    int pages = 0;
    JobState state = JobState::kNotSent;
    // What the queue says about the job or itself, in its own words (UTF-8); may be empty.
    std::string queueMessage;
    // A held or stopped job is cancelled, so that it cannot print later unrecorded.
    bool cancelled = false;
};

// How a handed-over job is doing while the print system is asked about it.
struct JobProgress {
    int jobId = 0;
    QString queue;
    JobState state = JobState::kPending;
    std::string queueMessage;
    int elapsedMs = 0;
    int boundMs = 0;
};
// Called at each look at the job; false stops waiting (the job is then reported as waiting).
using JobObserver = std::function<bool(const JobProgress&)>;

}  // namespace tallivo
