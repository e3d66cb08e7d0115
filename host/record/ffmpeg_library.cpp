// Loading FFmpeg's encoding libraries with dlopen and finding their functions.
#include "host/record/ffmpeg_library.h"

#include <dlfcn.h>

#include <array>

namespace {

#define TARVOLEN_TEXT(x) #x
#define TARVOLEN_NUMBER_TEXT(x) TARVOLEN_TEXT(x)

enum FfmpegPart { avformat, avcodec, swscale, swresample, kFfmpegParts };

// Debian's package of a library file: libavformat.so.59 is in libavformat59.
std::string package_of(const std::string& file) {
    const auto so = file.find(".so.");
    return so == std::string::npos ? std::string() : file.substr(0, so) + file.substr(so + 4);
}

std::string missing(const std::string& file, const std::string& why) {
    const std::string package = package_of(file);
    return "recording needs FFmpeg's " + file + (package.empty() ? "" : " (Debian's package " + package + ")") +
           ", which does not load: " + why;
}

}  // namespace

FfmpegFiles ffmpeg_files() {
    return {"libavformat.so." TARVOLEN_NUMBER_TEXT(LIBAVFORMAT_VERSION_MAJOR),
            "libavcodec.so." TARVOLEN_NUMBER_TEXT(LIBAVCODEC_VERSION_MAJOR),
            "libswscale.so." TARVOLEN_NUMBER_TEXT(LIBSWSCALE_VERSION_MAJOR),
            "libswresample.so." TARVOLEN_NUMBER_TEXT(LIBSWRESAMPLE_VERSION_MAJOR)};
}

std::unique_ptr<FfmpegLibrary> load_ffmpeg(const FfmpegFiles& files, std::string& error) {
    // What loads stays loaded, whatever comes of the rest: FFmpeg's libraries and those
    // they pull in set things up as they load that unloading would not undo.
    const std::array<const char*, kFfmpegParts> names{files.avformat, files.avcodec, files.swscale, files.swresample};
    std::array<void*, kFfmpegParts> handles{};
    for (size_t i = 0; i < names.size(); ++i) {
        handles[i] = dlopen(names[i], RTLD_NOW | RTLD_LOCAL);
        if (!handles[i]) {
            const char* why = dlerror();
            error = missing(names[i], why ? why : "no reason given");
            return nullptr;
        }
    }
    auto library = std::make_unique<FfmpegLibrary>();
    // Each function from its own library, so that a file that is another library is
    // found out here and not at the call.
#define TARVOLEN_FFMPEG_FIND(part, name)                                                                  \
    library->name = reinterpret_cast<decltype(library->name)>(dlsym(handles[part], TARVOLEN_TEXT(name))); \
    if (!library->name) {                                                                                 \
        error = missing(names[part], "it has no function " TARVOLEN_TEXT(name));                          \
        return nullptr;                                                                                   \
    }
    TARVOLEN_FFMPEG_FUNCTIONS(TARVOLEN_FFMPEG_FIND)
#undef TARVOLEN_FFMPEG_FIND
    return library;
}

const FfmpegLibrary* ffmpeg(std::string& error) {
    static std::string load_error;
    static const std::unique_ptr<FfmpegLibrary> library = load_ffmpeg(ffmpeg_files(), load_error);
    if (!library) error = load_error;
    return library.get();
}
