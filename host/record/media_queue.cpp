// The writer's thread of a recording and the hand-over to it.
#include "host/record/media_queue.h"

#include <cairo.h>
#include <pthread.h>

#include <csignal>
#include <utility>

namespace {

// The most pieces (one picture, the rest sound) waiting for the writer; who hands over
// more waits. A picture's sound is a few pieces at the lowest frame rate.
constexpr size_t kMaxWaiting = 64;

}  // namespace

bool MediaQueue::open(const RecordFormat& format, const std::string& path, int width, int height, int fps,
                      int audio_rate_hz, std::string& error) {
    if (!writer_.open(format, path, width, height, fps, audio_rate_hz, error)) return false;
    // The writer's thread takes no signals: a stop signal's handler runs on the thread
    // that runs the recording, as it did before there was a writer's thread.
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    thread_ = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    opened_ = true;
    return true;
}

bool MediaQueue::no_error(std::string& error) const {
    if (!opened_ || stopping_) return error = "the file is not open", false;
    if (error_.empty()) return true;
    error = error_;
    return false;
}

bool MediaQueue::video(cairo_surface_t* picture, int64_t count, std::string& error) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return (!picture_busy_ && tasks_.size() < kMaxWaiting) || !error_.empty(); });
    if (!no_error(error)) return false;
    tasks_.push_back({cairo_surface_reference(picture), count, {}});
    picture_busy_ = true;
    changed_.notify_all();
    return true;
}

bool MediaQueue::wait_for_picture(std::string& error) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !picture_busy_ || !error_.empty(); });
    return no_error(error);
}

bool MediaQueue::audio(std::vector<float> samples, std::string& error) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return tasks_.size() < kMaxWaiting || !error_.empty(); });
    if (!no_error(error)) return false;
    tasks_.push_back({nullptr, 0, std::move(samples)});
    changed_.notify_all();
    return true;
}

bool MediaQueue::close(std::string& error) {
    if (!opened_) return writer_.close(error);  // says the file was never opened
    stop(false);
    if (!error_.empty()) return error = error_, false;  // the thread has ended: nothing changes it
    return writer_.close(error);
}

void MediaQueue::stop(bool drop) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        if (drop)
            for (; !tasks_.empty(); tasks_.pop_front())
                if (tasks_.front().picture) {
                    cairo_surface_destroy(tasks_.front().picture);
                    picture_busy_ = false;
                }
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool MediaQueue::write(const Task& task, std::string& error) {
    if (!task.picture) return writer_.audio(task.samples.data(), static_cast<int>(task.samples.size()), error);
    const uint8_t* pixels = cairo_image_surface_get_data(task.picture);
    const int stride = cairo_image_surface_get_stride(task.picture);
    for (int64_t i = 0; i < task.count; ++i)
        if (!writer_.video(pixels, stride, error)) return false;
    return true;
}

// Writes the pieces in order until stopped with none left; after a failure, lets the
// rest go unwritten.
void MediaQueue::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !tasks_.empty() || stopping_; });
        if (tasks_.empty()) return;
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        const bool failed_before = !error_.empty();
        lock.unlock();
        std::string error;
        const bool written = failed_before || write(task, error);
        if (task.picture) cairo_surface_destroy(task.picture);
        lock.lock();
        if (!written) error_ = error;
        if (task.picture) picture_busy_ = false;
        changed_.notify_all();
    }
}
