// The sound track of a recording: the module's click, sounded at the time of each play
// the module makes, mixed where plays of different buffers overlap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A sound as samples from -1 to 1, one channel.
struct MonoSound {
    int rate_hz = 0;
    std::vector<float> samples;
};

// Reads a RIFF WAVE file in memory (PCM, 8 or 16 bits, one or two channels, mixed down
// to one). False with error when it is not such a file.
bool decode_wave(const uint8_t* bytes, size_t size, MonoSound& out, std::string& error);

// The sound at another sample rate (libswresample). False with error when that fails.
bool resample(const MonoSound& in, int rate_hz, MonoSound& out, std::string& error);

class ClickTrack {
public:
    // click: the sound every play sounds, at the track's rate.
    explicit ClickTrack(MonoSound click) : click_(std::move(click)) {}

    // A play of buffer starting at sample start. A buffer sounds once at a time, as a
    // sound buffer does: a new play of the same buffer cuts its earlier one short.
    // Plays come in time order.
    void play(uint32_t buffer, int64_t start);
    // The track's samples [from, from + count) into out, clipped to -1..1. Ranges are
    // asked for in order; plays that have ended before from are forgotten.
    void render(int64_t from, size_t count, float* out);
    // The first sample after the last play has sounded out (0 without plays).
    int64_t end() const { return end_; }
    int rate_hz() const { return click_.rate_hz; }

private:
    struct Play {
        uint32_t buffer;
        int64_t start;
        int64_t stop;  // exclusive: the click's end, or the start of the buffer's next play
    };
    MonoSound click_;
    std::vector<Play> plays_;
    int64_t end_ = 0;
};
