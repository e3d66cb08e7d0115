// What the portable platform's pieces share behind the host-facing API of backend.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/portable/backend.h"

// Counts and logs one call of op. false when a fault is injected into it.
bool backend_enter(PlatformOp op);
// Records a misuse of the back end.
void backend_report_misuse(const std::string& what);
// Tells the sound observer about one sound call.
void backend_notify_sound(const char* call, uint32_t object, int64_t value, bool ok);
// A new id for a device or buffer.
uint32_t backend_next_id();
bool backend_window_exists(WindowHandle window);
// The program file name the host set, else this process's own.
std::string backend_program_name();
// The host's window of that class, or null.
WindowHandle backend_find_window(const char* class_name);

// Appends to a log that keeps only its latest LOG_LIMIT entries, so that a host running
// for hours holds a bounded log: once full, the older half is dropped at once.
template <typename T>
void keep_bounded(std::vector<T>& log, T entry) {
    if (log.size() >= LOG_LIMIT) log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(LOG_LIMIT / 2));
    log.push_back(std::move(entry));
}

// Each piece's part of reset and of the live count.
void sound_backend_reset();
void sound_backend_count(LiveObjects& live);
void resource_backend_reset();
void resource_backend_count(LiveObjects& live);
void riff_backend_count(LiveObjects& live);
void memory_backend_count(LiveObjects& live);

// The live objects of one kind, by handle. Addresses are kept disguised, so that an
// object the module has lost its handle to is unreachable and LeakSanitizer reports it.
template <typename T>
class Registry {
public:
    T* add(std::unique_ptr<T> object) {
        T* p = object.release();
        keys_.insert(hide(p));
        return p;
    }
    bool contains(const T* p) const { return keys_.count(hide(p)) != 0; }
    T* find(const void* p) const {
        return contains(static_cast<const T*>(p)) ? const_cast<T*>(static_cast<const T*>(p)) : nullptr;
    }
    void remove(T* p) {
        if (keys_.erase(hide(p)) != 0) delete p;
    }
    size_t size() const { return keys_.size(); }
    template <typename Visit>
    void each(Visit visit) const {
        for (const uintptr_t key : keys_) visit(*reveal(key));
    }

private:
    static uintptr_t hide(const T* p) { return ~reinterpret_cast<uintptr_t>(p); }
    static T* reveal(uintptr_t key) { return reinterpret_cast<T*>(~key); }
    std::unordered_set<uintptr_t> keys_;
};
