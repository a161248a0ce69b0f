// One move-only owner for every kind of Windows handle; the deleter is a template parameter,
// so copying an owner is a compile error and every handle is released exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace mendrake::platform {

template <typename T, typename Traits> class Owned {
  public:
    Owned() = default;
    explicit Owned(T value) : value_(value) {}
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : value_(std::exchange(other.value_, Traits::invalid())) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            value_ = std::exchange(other.value_, Traits::invalid());
        }
        return *this;
    }
    T get() const { return value_; }
    T* put() {
        reset();
        return &value_;
    }
    // Gives up ownership without closing.
    T release() { return std::exchange(value_, Traits::invalid()); }
    explicit operator bool() const { return value_ != Traits::invalid(); }
    void reset() {
        if (value_ != Traits::invalid()) {
            Traits::close(value_);
            value_ = Traits::invalid();
        }
    }

  private:
    T value_ = Traits::invalid();
};

struct FindTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};
struct FileTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct CoTaskMemTraits {
    static void* invalid() { return nullptr; }
    static void close(void* p);
};
template <typename I> struct ComTraits {
    static I* invalid() { return nullptr; }
    static void close(I* p) { p->Release(); }
};

using FindHandle = Owned<HANDLE, FindTraits>;
using FileHandle = Owned<HANDLE, FileTraits>;
template <typename I> using ComPtr = Owned<I*, ComTraits<I>>;

} // namespace mendrake::platform
