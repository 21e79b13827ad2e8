// A variable set for the length of a scope: its old value comes back when the scope ends,
// whether by return or by an exception.
#pragma once

#include <utility>

namespace prenos {

template <class T>
class TScopedValue {
 public:
  TScopedValue(T& variable, T value)
      : variable_(variable), saved_(std::exchange(variable, std::move(value))) {}
  ~TScopedValue() { variable_ = std::move(saved_); }
  TScopedValue(const TScopedValue&) = delete;
  TScopedValue& operator=(const TScopedValue&) = delete;

 private:
  T& variable_;
  T saved_;
};

}  // namespace prenos
