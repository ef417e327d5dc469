// The exception kinds every subsystem shares.
#pragma once

#include <exception>
#include <string>

namespace morvane {

// Base of every error the system raises; carries the message text shown to the user.
class Error : public std::exception {
 public:
  explicit Error(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// An operating-system file operation on the sprite file failed (open, read, seek, size),
// or a fixed-size record ends past the end of the file.
class IoError : public Error {
 public:
  using Error::Error;
};

}  // namespace morvane
