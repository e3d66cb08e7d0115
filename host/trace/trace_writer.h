// Writing a long run's trace on a thread of its own: the lines of one stretch (a frame's)
// are handed over and written while the next stretch is made. With a big panel a frame's
// trace is a megabyte, and storing it is as much work for the system as making it is for
// the host, so the two go side by side on two cores.
#pragma once

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <thread>

#include "host/trace/trace.h"

class TraceWriter {
public:
    // Writes to out, which nothing else writes to while this writer lives.
    explicit TraceWriter(std::ostream& out);
    // Writes what was sent, then ends the thread.
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // The batch to take the next lines into (GaugeHost::take_trace); it holds the memory
    // of a batch written before, which the host gets back in the exchange.
    TraceBatch& next() { return batches_[filling_]; }
    // Writes next()'s lines after those sent before; waits only while the one before it
    // is still being written.
    void send();
    // Waits until every line sent is in the stream.
    void finish();

private:
    void write_sent();

    std::ostream& out_;
    TraceBatch batches_[2];
    int filling_ = 0;       // the batch next() gives; the other is the thread's
    bool writing_ = false;  // the thread's batch is not yet written
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};
