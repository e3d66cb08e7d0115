// The trace's writing thread (see trace_writer.h).
#include "host/trace/trace_writer.h"

TraceWriter::TraceWriter(std::ostream& out) : out_(out), thread_([this] { write_sent(); }) {}

TraceWriter::~TraceWriter() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !writing_; });
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TraceWriter::send() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !writing_; });
        filling_ = 1 - filling_;
        writing_ = true;
    }
    changed_.notify_all();
}

void TraceWriter::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !writing_; });
}

void TraceWriter::write_sent() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return writing_ || stopping_; });
        if (!writing_) return;
        TraceBatch& batch = batches_[1 - filling_];
        lock.unlock();
        batch.records.write(out_);
        batch.clear();
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}
