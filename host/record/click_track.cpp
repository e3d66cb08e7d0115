// Decoding the click, bringing it to the track's rate and mixing the plays.
#include "host/record/click_track.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "host/record/ffmpeg_library.h"

namespace {

uint32_t read_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint16_t read_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// One sample of the frame as -1..1: 8-bit PCM is unsigned, 16-bit signed.
float sample_at(const uint8_t* p, int bits) {
    if (bits == 8) return (static_cast<float>(p[0]) - 128.0f) / 128.0f;
    return static_cast<float>(static_cast<int16_t>(read_u16(p))) / 32768.0f;
}

}  // namespace

bool decode_wave(const uint8_t* bytes, size_t size, MonoSound& out, std::string& error) {
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return error = "not a RIFF WAVE file", false;
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    const uint8_t* data = nullptr;
    size_t data_size = 0;
    for (size_t at = 12; at + 8 <= size;) {
        const uint32_t chunk = read_u32(bytes + at + 4);
        const size_t body = at + 8;
        if (chunk > size - body) return error = "a chunk runs past the end of the file", false;
        if (std::memcmp(bytes + at, "fmt ", 4) == 0 && chunk >= 16) {
            format = read_u16(bytes + body);
            channels = read_u16(bytes + body + 2);
            rate = read_u32(bytes + body + 4);
            bits = read_u16(bytes + body + 14);
        } else if (std::memcmp(bytes + at, "data", 4) == 0) {
            data = bytes + body;
            data_size = chunk;
        }
        at = body + chunk + (chunk & 1);
    }
    if (format != 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 2 || rate == 0 || rate > 384000)
        return error = "not 8- or 16-bit PCM in one or two channels", false;
    if (!data) return error = "no data chunk", false;
    const size_t frame_bytes = static_cast<size_t>(channels) * (bits / 8);
    out.rate_hz = static_cast<int>(rate);
    out.samples.resize(data_size / frame_bytes);
    for (size_t i = 0; i < out.samples.size(); ++i) {
        const uint8_t* frame = data + i * frame_bytes;
        float sum = 0;
        for (uint16_t c = 0; c < channels; ++c) sum += sample_at(frame + c * (bits / 8), bits);
        out.samples[i] = sum / channels;
    }
    return true;
}

bool resample(const MonoSound& in, int rate_hz, MonoSound& out, std::string& error) {
    out.rate_hz = rate_hz;
    if (in.rate_hz == rate_hz || in.samples.empty()) {
        out.samples = in.samples;
        return true;
    }
    const FfmpegLibrary* ff = ffmpeg(error);
    if (!ff) return false;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* swr = nullptr;
    if (ff->swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, rate_hz, &mono, AV_SAMPLE_FMT_FLT, in.rate_hz, 0,
                                nullptr) < 0 ||
        ff->swr_init(swr) < 0) {
        ff->swr_free(&swr);
        return error = "cannot resample the click", false;
    }
    const int in_count = static_cast<int>(in.samples.size());
    const int room = ff->swr_get_out_samples(swr, in_count) + 64;
    out.samples.assign(static_cast<size_t>(room), 0.0f);
    auto* dst = reinterpret_cast<uint8_t*>(out.samples.data());
    const auto* src = reinterpret_cast<const uint8_t*>(in.samples.data());
    const int converted = ff->swr_convert(swr, &dst, room, &src, in_count);
    int flushed = 0;
    if (converted >= 0) {
        uint8_t* rest = dst + static_cast<size_t>(converted) * sizeof(float);
        flushed = ff->swr_convert(swr, &rest, room - converted, nullptr, 0);
    }
    ff->swr_free(&swr);
    if (converted < 0 || flushed < 0) return error = "cannot resample the click", false;
    out.samples.resize(static_cast<size_t>(converted + flushed));
    return true;
}

void ClickTrack::play(uint32_t buffer, int64_t start) {
    for (Play& earlier : plays_)
        if (earlier.buffer == buffer && earlier.stop > start) earlier.stop = std::max(earlier.start, start);
    const int64_t stop = start + static_cast<int64_t>(click_.samples.size());
    plays_.push_back({buffer, start, stop});
    end_ = std::max(end_, stop);
}

void ClickTrack::render(int64_t from, size_t count, float* out) {
    std::fill(out, out + count, 0.0f);
    const int64_t to = from + static_cast<int64_t>(count);
    for (const Play& p : plays_) {
        const int64_t a = std::max(from, p.start), b = std::min(to, p.stop);
        for (int64_t i = a; i < b; ++i) out[i - from] += click_.samples[static_cast<size_t>(i - p.start)];
    }
    for (size_t i = 0; i < count; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
    std::erase_if(plays_, [to](const Play& p) { return p.stop <= to; });
}
