// PNG files written on a thread of their own, one after another in the order given, so
// that whoever draws several pictures (a scenario's render lines) draws the next one
// while the last is encoded. The file is opened at once, so that a folder that takes no
// file is reported where the picture was asked for; what comes of the encoding and
// the write is collected afterwards.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "host/base/diagnostics.h"

typedef struct _cairo_surface cairo_surface_t;

class PngQueue {
public:
    PngQueue() = default;
    ~PngQueue();  // waits for every picture given
    PngQueue(const PngQueue&) = delete;
    PngQueue& operator=(const PngQueue&) = delete;

    // Opens path and queues the surface (an image surface nobody draws on any more; a
    // reference is held until it is written). False, with the error named as a picture
    // that cannot be written, when the file cannot be opened. note is what the
    // picture's outcome says once it is written.
    bool write(cairo_surface_t* surface, const std::string& path, std::string note, Diagnostics& diagnostics);
    // Waits for every picture given so far; adds each one's note, or its error.
    void finish(Diagnostics& diagnostics);

private:
    struct Picture {
        cairo_surface_t* surface;
        FILE* file;
        std::string path, note;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Picture> waiting_;
    size_t busy_ = 0;  // pictures taken by the thread and not yet written
    Diagnostics outcomes_;
    bool stopping_ = false;
    std::thread thread_;  // started with the first picture
};
