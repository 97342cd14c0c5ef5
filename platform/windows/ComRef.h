#pragma once

// A COM interface pointer owned by one object: released when the owner goes, moved,
// never copied. Included only by the Windows backend's own sources.

#include <unknwn.h>

#include <utility>

namespace tbt::platform::windows_backend {

template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(); }
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  /// For a call that hands out a new reference: releases the held one first.
  Interface** Out() {
    Reset();
    return &pointer_;
  }
  void Reset() {
    if (pointer_ != nullptr) {
      pointer_->Release();
      pointer_ = nullptr;
    }
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace tbt::platform::windows_backend
