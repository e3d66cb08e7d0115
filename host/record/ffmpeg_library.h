// FFmpeg's encoding libraries, loaded when a recording starts instead of with the
// program: libavformat, libavcodec, libswscale and libswresample pull in over a hundred
// further libraries, whose loading took longer than most commands take to run. A machine
// without them runs every other command; a recording there says what is missing.
// libavutil stays linked: it is light, and the server uses it too.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

// The functions recordings call, by library. To call another: add its row here; the
// field gets the type of the function the headers declare, so every call is checked.
#define TARVOLEN_FFMPEG_FUNCTIONS(X)            \
    /* library     function */                  \
    X(avformat, av_guess_format)                \
    X(avformat, avformat_alloc_output_context2) \
    X(avformat, avformat_new_stream)            \
    X(avformat, avformat_write_header)          \
    X(avformat, avformat_free_context)          \
    X(avformat, av_interleaved_write_frame)     \
    X(avformat, av_write_trailer)               \
    X(avformat, avio_open)                      \
    X(avformat, avio_closep)                    \
    X(avcodec, avcodec_find_encoder_by_name)    \
    X(avcodec, avcodec_alloc_context3)          \
    X(avcodec, avcodec_open2)                   \
    X(avcodec, avcodec_parameters_from_context) \
    X(avcodec, avcodec_send_frame)              \
    X(avcodec, avcodec_receive_packet)          \
    X(avcodec, avcodec_free_context)            \
    X(avcodec, av_packet_alloc)                 \
    X(avcodec, av_packet_free)                  \
    X(avcodec, av_packet_rescale_ts)            \
    X(swscale, sws_getContext)                  \
    X(swscale, sws_scale)                       \
    X(swscale, sws_freeContext)                 \
    X(swresample, swr_alloc_set_opts2)          \
    X(swresample, swr_init)                     \
    X(swresample, swr_get_out_samples)          \
    X(swresample, swr_convert)                  \
    X(swresample, swr_free)

struct FfmpegLibrary {
#define TARVOLEN_FFMPEG_FIELD(library, name) decltype(&::name) name = nullptr;
    TARVOLEN_FFMPEG_FUNCTIONS(TARVOLEN_FFMPEG_FIELD)
#undef TARVOLEN_FFMPEG_FIELD
};

// The files the libraries are loaded from.
struct FfmpegFiles {
    const char* avformat;
    const char* avcodec;
    const char* swscale;
    const char* swresample;
};
// This system's names of the libraries whose headers the host was compiled against
// (their major versions: another major version is another interface).
FfmpegFiles ffmpeg_files();

// The libraries, loaded at the first call; later calls answer as the first did. Null
// with error naming the library (and its Debian package) or the function missing.
const FfmpegLibrary* ffmpeg(std::string& error);
// Loads the named files (tests name files that are missing or are other libraries).
// Null with error as above. Nothing loaded is unloaded again.
std::unique_ptr<FfmpegLibrary> load_ffmpeg(const FfmpegFiles& files, std::string& error);
