// Paths, directories and text files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvane {

// The directory of the running program file, with a trailing "/".
std::string ProgramDirectory();

// True for an existing regular file (false for a directory).
bool FileExists(const std::string& path);

// Creates one directory level; false when it could not be created (it may exist already).
bool CreateDirectory(const std::string& path);

// Removes the directory at path when it is empty; false when it was not removed.
bool RemoveEmptyDirectory(const std::string& path);

// Makes the directory at path and every missing directory above it, each readable by the user
// alone (mode 0700). True when path is a directory afterwards, whether made now or before.
bool CreatePrivateDirectories(const std::string& path);

// Reads a text file line by line; a line ends at LF or CR LF, and a last line without a line
// end still counts. Raises IoError with the system's text when the file cannot be read.
std::vector<std::string> ReadTextLines(const std::string& path);

// The most a bounded text file may hold; the defaults bound nothing.
struct TextBounds {
  std::uint64_t max_file_bytes = UINT64_MAX;
  std::size_t max_line_bytes = SIZE_MAX;  // a CR before the LF not counted
};

// The same, reading the whole file first: a file over bounds.max_file_bytes or with a line over
// bounds.max_line_bytes raises IoError "File too large", and no line is returned.
std::vector<std::string> ReadTextLines(const std::string& path, const TextBounds& bounds);

// Appends text to a file, creating it first when create is true. Returns false when the file
// does not exist (and create is false) or cannot be written.
bool AppendText(const std::string& path, std::string_view text, bool create);

// A whole file written under a temporary name in the directory of its path, waiting to be put
// in place. Unless placed, the temporary file is removed when the object goes.
class PendingFile {
 public:
  // Raises Error "Cannot create file <path>" when the file cannot be created (a directory at
  // path included), the system's text when writing fails; nothing is left behind then.
  static PendingFile Write(const std::string& path, const std::vector<std::uint8_t>& bytes);
  // The same for a file made piece by piece, so that no more than a piece is held: next_piece
  // hands out the next bytes, which stay valid until it is called again, and an empty piece
  // ends the file. What next_piece raises goes on to the caller, and nothing is left behind
  // then either.
  using NextPiece = std::function<std::span<const std::uint8_t>()>;
  static PendingFile WriteInPieces(const std::string& path, const NextPiece& next_piece);

  PendingFile(PendingFile&& other) noexcept
      : temp_path_(std::exchange(other.temp_path_, std::string())), path_(std::move(other.path_)) {}
  PendingFile& operator=(PendingFile&& other) noexcept;
  ~PendingFile() { Discard(); }

  const std::string& Path() const { return path_; }

  // Renames the file into place, replacing what stands at the path. Raises Error "Cannot create
  // file <path>" when the path refuses it, the system's text on other failures; the temporary
  // file is removed then.
  void Place();

 private:
  PendingFile(std::string temp_path, std::string path)
      : temp_path_(std::move(temp_path)), path_(std::move(path)) {}
  void Discard();

  std::string temp_path_;  // empty once placed or removed
  std::string path_;
};

// Writes a whole file under a temporary name in the same directory and renames it into place,
// so that a file standing under path is always complete; once the run is ending it is removed
// instead (Interrupted). Raises Error
// "Cannot create file <path>" when the file cannot be created, the system's text when writing
// fails.
void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace morvane
