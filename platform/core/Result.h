#pragma once

#include <cassert>
#include <utility>
#include <variant>

#include "platform/core/Error.h"

namespace platform {

// A value or the error that prevented it. Readers of outside input return this instead of
// throwing, so no exception ever crosses into agent code.
template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : v_(std::move(value)) {}      // NOLINT(google-explicit-constructor)
    Result(Error error) : v_(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& {
        assert(ok());
        return std::get<0>(v_);
    }
    T& value() & {
        assert(ok());
        return std::get<0>(v_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(v_));
    }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    const Error& error() const {
        assert(!ok());
        return std::get<1>(v_);
    }

    T valueOr(T fallback) const& { return ok() ? std::get<0>(v_) : std::move(fallback); }

  private:
    std::variant<T, Error> v_;
};

// For operations that produce nothing but can fail.
struct Ok {};
using Status = Result<Ok>;

}  // namespace platform
