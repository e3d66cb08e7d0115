// The FFmpeg side of a recording: container, encoders, pixel conversion.
#include "host/record/media_writer.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include "host/record/ffmpeg_library.h"

namespace {

std::string av_message(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool failed(int code, const std::string& what, std::string& error) {
    if (code >= 0) return false;
    error = what + " (" + av_message(code) + ")";
    return true;
}

// The encoders' settings: quick enough to record as the scenario runs, sharp enough
// for the panel's small lettering.
void encoder_options(const std::string& name, AVDictionary** options) {
    if (name == "libvpx-vp9") {
        av_dict_set(options, "deadline", "realtime", 0);
        av_dict_set(options, "cpu-used", "8", 0);
        av_dict_set(options, "row-mt", "1", 0);
        av_dict_set(options, "crf", "30", 0);
    } else if (name == "libx264") {
        av_dict_set(options, "preset", "veryfast", 0);
        av_dict_set(options, "crf", "20", 0);
    }
}

// The GIF palette: a 6 x 7 x 6 colour cube (green has the most levels, as the eye sees
// it best), 252 colours; each pixel is dithered onto it with a 4 x 4 ordered pattern,
// which keeps still parts of the picture identical from frame to frame (so the GIF
// encoder stores only what moved).
constexpr int kRedLevels = 6, kGreenLevels = 7, kBlueLevels = 6;
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint8_t level(int value, int levels, int threshold) {
    const int q = (value * (levels - 1) * 16 + threshold * 255 + 127) / (255 * 16);
    return static_cast<uint8_t>(std::min(q, levels - 1));
}

uint8_t level_value(int q, int levels) { return static_cast<uint8_t>((q * 255 + (levels - 1) / 2) / (levels - 1)); }

// FFmpeg's libraries and encoders print their banners and statistics to the terminal;
// only their errors belong beside panelhost's own messages.
void quiet_ffmpeg() { av_log_set_level(AV_LOG_ERROR); }

}  // namespace

bool format_available(const RecordFormat& format, std::string& error) {
    const FfmpegLibrary* ff = ffmpeg(error);
    if (!ff) return false;
    quiet_ffmpeg();
    if (!ff->av_guess_format(format.muxer, nullptr, nullptr))
        return error = std::string("this FFmpeg cannot write ") + format.muxer + " files", false;
    for (const char* name : {format.video_encoder, format.audio_encoder})
        if (name && !ff->avcodec_find_encoder_by_name(name))
            return error = std::string("this FFmpeg has no encoder \"") + name + "\" (needed for " + format.extension +
                           " files)",
                   false;
    return true;
}

MediaWriter::~MediaWriter() {
    if (!ff_) return;  // nothing was made
    if (container_ && container_->pb) ff_->avio_closep(&container_->pb);
    ff_->avformat_free_context(container_);
    ff_->avcodec_free_context(&video_);
    ff_->avcodec_free_context(&audio_);
    av_frame_free(&picture_);
    av_frame_free(&sound_);
    ff_->av_packet_free(&packet_);
    ff_->sws_freeContext(scaler_);
}

bool MediaWriter::open(const RecordFormat& format, const std::string& path, int width, int height, int fps,
                       int audio_rate_hz, std::string& error) {
    ff_ = ffmpeg(error);
    if (!ff_) return false;
    quiet_ffmpeg();
    if (failed(ff_->avformat_alloc_output_context2(&container_, nullptr, format.muxer, path.c_str()),
               std::string("cannot make a ") + format.muxer + " container", error))
        return false;
    packet_ = ff_->av_packet_alloc();
    if (!packet_) return error = "out of memory", false;
    if (!open_video(format, width, height, fps, error)) return false;
    if (format.audio_encoder && !open_audio(format, audio_rate_hz, error)) return false;
    if (failed(ff_->avio_open(&container_->pb, path.c_str(), AVIO_FLAG_WRITE), path + ": cannot write", error))
        return false;
    AVDictionary* options = nullptr;
    const std::string muxer = format.muxer;
    if (muxer == "gif") av_dict_set(&options, "loop", "0", 0);
    if (muxer == "apng") av_dict_set(&options, "plays", "0", 0);
    if (muxer == "mp4") av_dict_set(&options, "movflags", "+faststart", 0);
    const int written = ff_->avformat_write_header(container_, &options);
    av_dict_free(&options);
    if (failed(written, path + ": cannot write the file's header", error)) return false;
    header_written_ = true;
    return true;
}

bool MediaWriter::open_video(const RecordFormat& format, int width, int height, int fps, std::string& error) {
    const AVCodec* codec = ff_->avcodec_find_encoder_by_name(format.video_encoder);
    if (!codec) return error = std::string("no encoder \"") + format.video_encoder + "\"", false;
    video_stream_ = ff_->avformat_new_stream(container_, nullptr);
    video_ = ff_->avcodec_alloc_context3(codec);
    picture_ = av_frame_alloc();
    if (!video_stream_ || !video_ || !picture_) return error = "out of memory", false;
    const std::string name = format.video_encoder;
    const AVPixelFormat pixels = name == "gif"    ? AV_PIX_FMT_PAL8
                                 : name == "apng" ? AV_PIX_FMT_RGB24
                                                  : AV_PIX_FMT_YUV420P;
    video_->width = width;
    video_->height = height;
    video_->time_base = AVRational{1, fps};
    video_->framerate = AVRational{fps, 1};
    video_->pix_fmt = pixels;
    video_->gop_size = fps * 10;
    video_->thread_count = 0;  // as many as the machine has
    if (container_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    encoder_options(name, &options);
    const int opened = ff_->avcodec_open2(video_, codec, &options);
    av_dict_free(&options);
    if (failed(opened, "cannot open the " + name + " encoder", error)) return false;
    if (failed(ff_->avcodec_parameters_from_context(video_stream_->codecpar, video_), "cannot set up the video", error))
        return false;
    video_stream_->time_base = video_->time_base;
    picture_->format = pixels;
    picture_->width = width;
    picture_->height = height;
    if (failed(av_frame_get_buffer(picture_, 0), "out of memory for a frame", error)) return false;
    if (pixels == AV_PIX_FMT_PAL8) return true;
    // Cairo's RGB24 lies in memory as B, G, R and an unused byte.
    scaler_ = ff_->sws_getContext(width, height, AV_PIX_FMT_BGR0, width, height, pixels, SWS_POINT, nullptr, nullptr,
                                  nullptr);
    if (!scaler_) return error = "cannot convert the frames' pixels", false;
    return true;
}

bool MediaWriter::open_audio(const RecordFormat& format, int rate_hz, std::string& error) {
    const AVCodec* codec = ff_->avcodec_find_encoder_by_name(format.audio_encoder);
    if (!codec) return error = std::string("no encoder \"") + format.audio_encoder + "\"", false;
    // One channel of 32-bit floats: packed or planar are the same bytes.
    AVSampleFormat sample_format = AV_SAMPLE_FMT_NONE;
    for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLT || *f == AV_SAMPLE_FMT_FLTP) sample_format = *f;
    if (sample_format == AV_SAMPLE_FMT_NONE)
        return error = std::string("the ") + format.audio_encoder + " encoder takes no float samples", false;
    audio_stream_ = ff_->avformat_new_stream(container_, nullptr);
    audio_ = ff_->avcodec_alloc_context3(codec);
    sound_ = av_frame_alloc();
    if (!audio_stream_ || !audio_ || !sound_) return error = "out of memory", false;
    audio_->sample_fmt = sample_format;
    audio_->sample_rate = rate_hz;
    audio_->bit_rate = 96000;
    audio_->time_base = AVRational{1, rate_hz};
    av_channel_layout_default(&audio_->ch_layout, 1);
    if (container_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (failed(ff_->avcodec_open2(audio_, codec, nullptr),
               std::string("cannot open the ") + format.audio_encoder + " encoder", error))
        return false;
    if (failed(ff_->avcodec_parameters_from_context(audio_stream_->codecpar, audio_), "cannot set up the sound", error))
        return false;
    audio_stream_->time_base = audio_->time_base;
    audio_frame_samples_ = audio_->frame_size > 0 ? audio_->frame_size : 1024;
    sound_->format = sample_format;
    sound_->sample_rate = rate_hz;
    sound_->nb_samples = audio_frame_samples_;
    av_channel_layout_default(&sound_->ch_layout, 1);
    if (failed(av_frame_get_buffer(sound_, 0), "out of memory for the sound", error)) return false;
    return true;
}

bool MediaWriter::send(AVCodecContext* codec, AVStream* stream, const AVFrame* frame, std::string& error) {
    if (failed(ff_->avcodec_send_frame(codec, frame), "the encoder refused a frame", error)) return false;
    for (;;) {
        const int got = ff_->avcodec_receive_packet(codec, packet_);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
        if (failed(got, "the encoder failed", error)) return false;
        ff_->av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        if (failed(ff_->av_interleaved_write_frame(container_, packet_), "cannot write to the file", error))
            return false;
    }
}

void MediaWriter::to_palette(const uint8_t* pixels, int stride) {
    auto* palette = reinterpret_cast<uint32_t*>(picture_->data[1]);
    for (int r = 0; r < kRedLevels; ++r)
        for (int g = 0; g < kGreenLevels; ++g)
            for (int b = 0; b < kBlueLevels; ++b)
                palette[(r * kGreenLevels + g) * kBlueLevels + b] =
                    0xFF000000u | static_cast<uint32_t>(level_value(r, kRedLevels)) << 16 |
                    static_cast<uint32_t>(level_value(g, kGreenLevels)) << 8 | level_value(b, kBlueLevels);
    for (int i = kRedLevels * kGreenLevels * kBlueLevels; i < 256; ++i) palette[i] = 0xFF000000u;
    // One table per threshold and channel, so a pixel costs three look-ups.
    static uint8_t red[16][256], green[16][256], blue[16][256];
    static const bool tables = [] {
        for (int t = 0; t < 16; ++t)
            for (int v = 0; v < 256; ++v) {
                red[t][v] = static_cast<uint8_t>(level(v, kRedLevels, t) * kGreenLevels * kBlueLevels);
                green[t][v] = static_cast<uint8_t>(level(v, kGreenLevels, t) * kBlueLevels);
                blue[t][v] = level(v, kBlueLevels, t);
            }
        return true;
    }();
    (void)tables;
    for (int y = 0; y < picture_->height; ++y) {
        const uint8_t* in = pixels + static_cast<ptrdiff_t>(y) * stride;
        uint8_t* out = picture_->data[0] + static_cast<ptrdiff_t>(y) * picture_->linesize[0];
        for (int x = 0; x < picture_->width; ++x, in += 4) {
            const int t = kBayer[y & 3][x & 3];
            out[x] = static_cast<uint8_t>(red[t][in[2]] + green[t][in[1]] + blue[t][in[0]]);
        }
    }
}

bool MediaWriter::video(const uint8_t* pixels, int stride, std::string& error) {
    if (failed(av_frame_make_writable(picture_), "out of memory for a frame", error)) return false;
    if (picture_->format == AV_PIX_FMT_PAL8)
        to_palette(pixels, stride);
    else
        ff_->sws_scale(scaler_, &pixels, &stride, 0, picture_->height, picture_->data, picture_->linesize);
    picture_->pts = frames_++;
    return send(video_, video_stream_, picture_, error);
}

bool MediaWriter::audio(const float* samples, int count, std::string& error) {
    if (failed(av_frame_make_writable(sound_), "out of memory for the sound", error)) return false;
    const int n = std::min(count, audio_frame_samples_);
    std::memcpy(sound_->data[0], samples, static_cast<size_t>(n) * sizeof(float));
    std::fill(reinterpret_cast<float*>(sound_->data[0]) + n,
              reinterpret_cast<float*>(sound_->data[0]) + audio_frame_samples_, 0.0f);
    sound_->pts = samples_;
    samples_ += audio_frame_samples_;
    return send(audio_, audio_stream_, sound_, error);
}

bool MediaWriter::close(std::string& error) {
    if (!header_written_) return error = "the file was never opened", false;
    if (!send(video_, video_stream_, nullptr, error)) return false;
    if (audio_ && !send(audio_, audio_stream_, nullptr, error)) return false;
    if (failed(ff_->av_write_trailer(container_), "cannot finish the file", error)) return false;
    if (failed(ff_->avio_closep(&container_->pb), "cannot finish the file", error)) return false;
    return true;
}
