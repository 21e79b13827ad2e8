// The exception classes every layer shares: the common exception with a message text,
// the silent abort, conversion errors and database errors.
#pragma once

#include <exception>
#include <string>

namespace prenos {

// Common base of the system's own exceptions: a single-byte (Windows-1250) message text
// and a class name that the error log records.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

// The silent abort: ends the current user action without a message and is never recorded.
// The error log compares the exact class, so a class derived from it is recorded.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  explicit EAbort(std::string message) : Exception(std::move(message)) {}
  const char* ClassName() const noexcept override { return "EAbort"; }
};

// A text that does not convert to a number or a date.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EConvertError"; }
};

// Common base of database failures (the ODBC layer's exceptions derive from it).
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EDatabaseError"; }
};

// The class name of any exception: ClassName() for ours, the demangled type name otherwise.
std::string ExceptionClassName(const std::exception& e);

// True only when e is exactly EAbort (not a class derived from it).
bool IsExactlyEAbort(const std::exception& e);

}  // namespace prenos
