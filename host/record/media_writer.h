// Writing a moving picture with the FFmpeg libraries: one video stream, and a mono
// sound track where the format has one. Frames come in as cairo's RGB24 pixels.
#pragma once

#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct FfmpegLibrary;

// A file format a recording can be written in.
struct RecordFormat {
    const char* extension;      // the file name's ending that chooses it
    const char* muxer;          // libavformat's name of the container
    const char* video_encoder;  // libavcodec's names of the encoders
    const char* audio_encoder;  // null: no sound track
    // What a recording of this format holds per pixel of its pictures, measured: the
    // drawn picture and the one handed on, the converted frames and those the encoder
    // keeps to look ahead. Bounds the picture size a recording may have.
    int memory_per_pixel = 128;
};

class MediaWriter {
public:
    MediaWriter() = default;
    ~MediaWriter();
    MediaWriter(const MediaWriter&) = delete;
    MediaWriter& operator=(const MediaWriter&) = delete;

    // Opens path for writing (the file exists already or is created) in the format, with
    // frames of width x height (even numbers) at fps, and the sound at audio_rate_hz.
    bool open(const RecordFormat& format, const std::string& path, int width, int height, int fps, int audio_rate_hz,
              std::string& error);
    // One frame: RGB24 pixels as cairo keeps them (32 bits a pixel), width x height.
    bool video(const uint8_t* pixels, int stride, std::string& error);
    bool has_audio() const { return audio_ != nullptr; }
    // Samples of the sound track per call of audio (the encoder's frame size).
    int audio_frame_samples() const { return audio_frame_samples_; }
    // count samples (at most audio_frame_samples) of the sound track, in order.
    bool audio(const float* samples, int count, std::string& error);
    // Drains the encoders and writes the file's end.
    bool close(std::string& error);

private:
    bool open_video(const RecordFormat& format, int width, int height, int fps, std::string& error);
    bool open_audio(const RecordFormat& format, int rate_hz, std::string& error);
    bool send(AVCodecContext* codec, AVStream* stream, const AVFrame* frame, std::string& error);
    void to_palette(const uint8_t* pixels, int stride);

    const FfmpegLibrary* ff_ = nullptr;  // FFmpeg's libraries, once open was called
    AVFormatContext* container_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVCodecContext* audio_ = nullptr;
    AVStream* video_stream_ = nullptr;
    AVStream* audio_stream_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVFrame* sound_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scaler_ = nullptr;
    int64_t frames_ = 0;
    int64_t samples_ = 0;
    int audio_frame_samples_ = 0;
    bool header_written_ = false;
};

// Whether this machine's FFmpeg has the container and encoders of the format; false
// with error naming what is missing.
bool format_available(const RecordFormat& format, std::string& error);
