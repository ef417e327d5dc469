// The base errors of the whole converter. Every error ends only the conversion of the sprite
// file it arose in: the per-file job catches them, reports the file's outcome and goes on with
// the next file. Each class says how that job reports it; the sprite reader's format error
// (sprite/format_error.h) and the GIF code's error (gif/gif_error.h) derive from Error.
#pragma once

#include <exception>
#include <string>

namespace morvane {

// Base of every error the converter raises; carries the exact text shown to the user. Raised
// as itself for broken limits (a canvas or GIF too large): the job prints "Error: <text>" and
// logs "(internal) <text> in file <base name>".
class Error : public std::exception {
 public:
  explicit Error(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// An operating-system file operation on the sprite file failed (open, read, seek, size), or a
// fixed-size record ends past the end of the file. Reported as "Error: <text>", not logged.
class IoError : public Error {
 public:
  using Error::Error;
};

// A list was asked for a capacity or an index it cannot have ("List capacity out of bounds
// (-1)", "List index out of bounds (7)"). Reported and logged as an internal error.
class IndexError : public Error {
 public:
  using Error::Error;
};

}  // namespace morvane
