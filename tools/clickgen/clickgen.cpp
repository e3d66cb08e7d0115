// Writes the radio click: a RIFF WAVE file, PCM mono 16-bit at 22050 samples per second,
// 1914 samples (about 87 ms). A light first transient (the switch lever leaving its
// detent) at about 9 ms, then the snap at about 38 ms, which reaches full scale, and
// its decay to silence. Usage: clickgen OUT.wav
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr uint32_t SAMPLE_RATE = 22050;
constexpr uint32_t SAMPLE_COUNT = 1914;
constexpr uint32_t DATA_BYTES = SAMPLE_COUNT * 2;
constexpr int32_t POSITIVE_PEAK = 32482;
constexpr int32_t NEGATIVE_PEAK = -32546;

constexpr uint32_t FIRST_ONSET = 200;  // samples: 9.1 ms
constexpr uint32_t SNAP_ONSET = 830;   // samples: 37.6 ms
constexpr uint32_t FADE_SAMPLES = 256;

// A two-pole resonator, y[n] = a1 y[n-1] - a2 y[n-2] + x[n], with a1 = 2 r cos(w) and
// a2 = r^2 written out as literals: about 2800 Hz with r = 0.985 for the lever, about
// 1400 Hz with r = 0.995 for the snap.
struct Resonator {
    double a1;
    double a2;
    double y1 = 0.0;
    double y2 = 0.0;
    double step(double x) {
        const double y = a1 * y1 - a2 * y2 + x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// Noise in [-1, 1) from a 32-bit linear congruential generator.
struct Noise {
    uint32_t state = 0x2F6E2B1u;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

// A burst of noise that dies away by factor per sample from onset on.
double burst(uint32_t n, uint32_t onset, double level, double factor, Noise& noise) {
    const double value = noise.next();
    if (n < onset) return 0.0;
    double envelope = level;
    for (uint32_t i = onset; i < n && envelope > 1e-9; ++i) envelope *= factor;
    return value * envelope;
}

std::vector<double> shape() {
    Resonator lever{1.375527, 0.970225};
    Resonator snap{1.833735, 0.990025};
    Noise lever_noise;
    Noise snap_noise;
    snap_noise.state = 0x51C0FFEu;
    std::vector<double> out(SAMPLE_COUNT);
    for (uint32_t n = 0; n < SAMPLE_COUNT; ++n) {
        const double impulse = n == SNAP_ONSET ? 1.0 : 0.0;
        double y = lever.step(burst(n, FIRST_ONSET, 0.25, 0.80, lever_noise)) +
                   snap.step(impulse + burst(n, SNAP_ONSET, 0.35, 0.90, snap_noise));
        if (n >= SAMPLE_COUNT - FADE_SAMPLES) y *= static_cast<double>(SAMPLE_COUNT - 1 - n) / FADE_SAMPLES;
        out[n] = y;
    }
    return out;
}

// Rounds to the nearest whole number, halves upwards, for |v| below 32768.5.
double round_half_up(double v) { return static_cast<double>(static_cast<int64_t>(v + 32768.5)) - 32768.0; }

// Scales the positive half to POSITIVE_PEAK and the negative half to NEGATIVE_PEAK, so
// the loudest samples land exactly on them.
std::vector<int16_t> to_pcm(const std::vector<double>& wave, uint32_t& top_at, uint32_t& bottom_at) {
    double top = 0.0;
    double bottom = 0.0;
    for (uint32_t n = 0; n < wave.size(); ++n) {
        if (wave[n] > top) {
            top = wave[n];
            top_at = n;
        }
        if (wave[n] < bottom) {
            bottom = wave[n];
            bottom_at = n;
        }
    }
    std::vector<int16_t> pcm(wave.size());
    for (size_t n = 0; n < wave.size(); ++n) {
        const double v = wave[n] > 0.0 ? wave[n] / top * POSITIVE_PEAK : wave[n] / bottom * NEGATIVE_PEAK;
        pcm[n] = static_cast<int16_t>(round_half_up(v));
    }
    return pcm;
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put_id(std::vector<uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

std::vector<uint8_t> wave_file(const std::vector<int16_t>& pcm) {
    std::vector<uint8_t> out;
    put_id(out, "RIFF");
    put32(out, 4 + (8 + 16) + (8 + DATA_BYTES));
    put_id(out, "WAVE");
    put_id(out, "fmt ");
    put32(out, 16);
    put16(out, 1);                // PCM
    put16(out, 1);                // mono
    put32(out, SAMPLE_RATE);      // samples per second
    put32(out, SAMPLE_RATE * 2);  // bytes per second
    put16(out, 2);                // block alignment
    put16(out, 16);               // bits per sample
    put_id(out, "data");
    put32(out, DATA_BYTES);
    for (const int16_t s : pcm) put16(out, static_cast<uint16_t>(s));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: clickgen OUT.wav\n");
        return 2;
    }
    uint32_t top_at = 0;
    uint32_t bottom_at = 0;
    const std::vector<int16_t> pcm = to_pcm(shape(), top_at, bottom_at);
    // The snap must be the loudest part, 35 to 45 ms in.
    const uint32_t from = SAMPLE_RATE * 35 / 1000;
    const uint32_t to = SAMPLE_RATE * 45 / 1000;
    if (top_at < from || top_at > to || bottom_at < from || bottom_at > to) {
        std::fprintf(stderr, "clickgen: peaks at samples %u and %u, outside 35-45 ms\n", top_at, bottom_at);
        return 1;
    }
    const std::vector<uint8_t> file = wave_file(pcm);
    FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "clickgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
