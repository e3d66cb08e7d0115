// A recording's file written on a thread of its own, so that the next picture is drawn
// while the last is converted and encoded. Pictures and sound are handed over in the
// order they belong in the file and written in that order, so the file's bytes are
// those of writing them one after another. At most one picture is in the writer's
// hands at a time and the queue is bounded: memory does not grow with a slow encoder.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/record/media_writer.h"

typedef struct _cairo_surface cairo_surface_t;

class MediaQueue {
public:
    MediaQueue() = default;
    ~MediaQueue() { abandon(); }
    MediaQueue(const MediaQueue&) = delete;
    MediaQueue& operator=(const MediaQueue&) = delete;

    // As MediaWriter::open, on the calling thread (the file's header is written before
    // anything is handed over); then the writer's thread starts.
    bool open(const RecordFormat& format, const std::string& path, int width, int height, int fps, int audio_rate_hz,
              std::string& error);
    bool has_audio() const { return writer_.has_audio(); }
    int audio_frame_samples() const { return writer_.audio_frame_samples(); }

    // Hands over a picture (an RGB24 image surface of the file's size, flushed; a
    // reference is held until it is written) to be written count times. Waits first
    // until the picture handed over before is written: once this returns, that
    // picture's surface may be drawn on again. False with the error of an earlier
    // picture or sound that could not be written (nothing more is written then).
    bool video(cairo_surface_t* picture, int64_t count, std::string& error);
    // Waits until no picture is in the writer's hands; false as video.
    bool wait_for_picture(std::string& error);
    // Hands over audio_frame_samples() samples of the sound track; false as video.
    bool audio(std::vector<float> samples, std::string& error);
    // Waits for everything handed over, then drains the encoders and writes the file's
    // end; false with the first error.
    bool close(std::string& error);
    // Lets what is still queued go unwritten and stops the thread (the file is not
    // finished); what the writer is writing at the moment is written first.
    void abandon() { stop(true); }

private:
    struct Task {
        cairo_surface_t* picture;  // null: samples
        int64_t count;
        std::vector<float> samples;
    };
    void run();
    bool write(const Task& task, std::string& error);
    // Stops the thread once it has done what it holds (and, if drop, nothing queued).
    void stop(bool drop);
    // False with the writer's error, if it has one, or when the file was not opened (the
    // lock held).
    bool no_error(std::string& error) const;

    MediaWriter writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task> tasks_;
    bool picture_busy_ = false;  // a picture is queued or being written
    bool stopping_ = false;
    bool opened_ = false;  // the thread was started (its caller's side only)
    std::string error_;    // the first write that failed
    std::thread thread_;
};
