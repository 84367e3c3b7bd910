#pragma once
// Move-only owners of Win32 handles and COM pointers: each resource has exactly one owner.
#include <windows.h>

#include <cstdint>

#include <utility>

namespace tavrel::win {

template <typename T, typename Traits>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T value) : value_(value) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : value_(std::exchange(other.value_, Traits::invalid())) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Traits::invalid()));
    return *this;
  }
  ~Owned() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::invalid(); }
  T release() { return std::exchange(value_, Traits::invalid()); }
  void reset(T value = Traits::invalid()) {
    T old = std::exchange(value_, value);
    if (old != Traits::invalid()) Traits::close(old);
  }

 private:
  T value_ = Traits::invalid();
};

struct FileHandleTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct KernelHandleTraits {
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { FindClose(h); }
};
struct WindowTraits {
  static HWND invalid() { return nullptr; }
  static void close(HWND h) { DestroyWindow(h); }
};
template <typename G>
struct GdiTraits {
  static G invalid() { return nullptr; }
  static void close(G h) { DeleteObject(h); }
};

struct GlobalMemoryTraits {
  static HGLOBAL invalid() { return nullptr; }
  static void close(HGLOBAL memory) { GlobalFree(memory); }
};
struct DcTraits {
  static HDC invalid() { return nullptr; }
  static void close(HDC dc) { DeleteDC(dc); }
};

using UniqueFile = Owned<HANDLE, FileHandleTraits>;      // CreateFileW results
using UniqueHandle = Owned<HANDLE, KernelHandleTraits>;  // mutexes, events, processes
using UniqueFind = Owned<HANDLE, FindHandleTraits>;      // FindFirstFileExW results
using UniqueWindow = Owned<HWND, WindowTraits>;
using UniqueGlobal = Owned<HGLOBAL, GlobalMemoryTraits>;  // GlobalAlloc blocks, print settings
using UniqueDc = Owned<HDC, DcTraits>;                    // created (not borrowed) device contexts

// The clipboard, open for as long as this lives. Another program may hold it for a moment (a
// clipboard viewer reading what was just copied): a few short tries before giving up.
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) {
    for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
      if (attempt > 0) Sleep(10);
      open_ = OpenClipboard(owner) != FALSE;
    }
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  ~ClipboardScope() {
    if (open_) CloseClipboard();
  }
  bool is_open() const { return open_; }

 private:
  bool open_ = false;
};

// A global memory block locked for as long as this lives; data() is null when it cannot be.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {}
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  ~LockedBlock() {
    if (data_ != nullptr) GlobalUnlock(block_);
  }
  std::uint8_t* data() const { return static_cast<std::uint8_t*>(data_); }

 private:
  HGLOBAL block_;
  void* data_;
};
using UniqueFont = Owned<HFONT, GdiTraits<HFONT>>;
using UniqueBrush = Owned<HBRUSH, GdiTraits<HBRUSH>>;

// The identifier of COM interface I, for the interfaces the program declares itself (their
// headers specialise it).
template <typename I>
constexpr const IID& iid_of();

// Releases a COM interface pointer.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  // Takes over a reference the caller already holds.
  static ComPtr attach(I* p) {
    ComPtr owner;
    owner.p_ = p;
    return owner;
  }
  // A second owner of the same object.
  ComPtr copy() const {
    if (p_) p_->AddRef();
    return attach(p_);
  }
  // Hands the reference to the caller, typically into an out parameter.
  I* detach() { return std::exchange(p_, nullptr); }
  // The same object's interface J, or null when it does not offer it.
  template <typename J>
  ComPtr<J> query(REFIID iid = iid_of<J>()) const {
    J* raw = nullptr;
    if (p_ && SUCCEEDED(p_->QueryInterface(iid, reinterpret_cast<void**>(&raw)))) {
      return ComPtr<J>::attach(raw);
    }
    return {};
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  I** put() {
    reset();
    return &p_;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  I* p_ = nullptr;
};

// A further owner of an object only lent to the caller, such as a callback's argument.
template <typename I>
ComPtr<I> retained(I* object) {
  if (object != nullptr) object->AddRef();
  return ComPtr<I>::attach(object);
}

}  // namespace tavrel::win
