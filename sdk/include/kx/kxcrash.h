#pragma once
// Reports a module makes of failures it caught: a message (a PQ_... code) and the source line.
// The host writes each one on standard error.

#include <exception>
#include <string>

class PqExceptionWithMsg : public std::exception {
 public:
  PqExceptionWithMsg(const char* message, int line)
      : message_(message ? message : ""), line_(line) {}

  const char* message() const { return message_.c_str(); }
  int line() const { return line_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  int line_;
};

struct IKxadCrashRecorder {
  virtual void recordException(const PqExceptionWithMsg& exception) = 0;

 protected:
  ~IKxadCrashRecorder() = default;
};

extern "C" IKxadCrashRecorder* kxadGetCrashRecorder();
