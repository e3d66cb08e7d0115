// The thread that writes a queue's pictures.
#include "host/render/png_queue.h"

#include <cairo.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "host/render/png_writer.h"

namespace {

// A picture cut short is not left behind as if it were whole; what is not a regular
// file (a device the picture was sent to) is left alone.
void remove_cut_short(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) std::remove(path.c_str());
}

}  // namespace

PngQueue::~PngQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool PngQueue::write(cairo_surface_t* surface, const std::string& path, std::string note, Diagnostics& diagnostics) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        diagnostics.error(path, 0, std::string("cannot write the picture (") + std::strerror(errno) + ")");
        return false;
    }
    cairo_surface_flush(surface);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back({cairo_surface_reference(surface), file, path, std::move(note)});
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
    return true;
}

void PngQueue::finish(Diagnostics& diagnostics) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.empty() && busy_ == 0; });
    diagnostics.merge(outcomes_);
    outcomes_ = Diagnostics();
}

// Takes the pictures in order until the queue is stopped with none left.
void PngQueue::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !waiting_.empty() || stopping_; });
        if (waiting_.empty()) return;
        Picture picture = std::move(waiting_.front());
        waiting_.pop_front();
        ++busy_;
        lock.unlock();
        std::string error;
        const bool written = write_png_to(picture.surface, picture.file, error);
        cairo_surface_destroy(picture.surface);
        if (!written) remove_cut_short(picture.path);
        lock.lock();
        if (written)
            outcomes_.note(picture.path, 0, picture.note);
        else
            outcomes_.error(picture.path, 0, "cannot write the picture (" + error + ")");
        --busy_;
        changed_.notify_all();
    }
}
