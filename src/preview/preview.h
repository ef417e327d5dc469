// The preview page: one HTML page that shows every GIF the converter wrote into a set of sprite
// folders, playing, grouped by sequence with its directions in compass order, with what each
// GIF is and which ones are broken.
//
// Reading a folder: ScanFolder lists its ".gif" files, groups them into sequences
// (GroupSequences) and reads each file's facts with giflib (ReadGifFacts). Writing the page:
// BuildPage turns the scanned folders into the page text, linking every GIF by a relative,
// percent-encoded URL. RunPreview is the whole program behind its command line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::preview {

// What a GIF file is, as giflib reads it; error is empty for a readable GIF.
struct GifFacts {
  std::uint64_t file_size = 0;
  int width = 0;  // logical screen
  int height = 0;
  int frame_count = 0;
  int min_delay = 0;  // in hundredths of a second over all frames; 0 when no frame sets one
  int max_delay = 0;
  int loop_count = -1;       // -1: no looping extension (plays once); 0: for ever; n: n repeats
  bool transparent = false;  // some frame has a transparent colour
  std::string error;         // the decoder's reason when the file cannot be read whole
};

// Reads and decodes the whole file; never opens anything but a regular file.
GifFacts ReadGifFacts(const std::string& path);

// How a sequence's GIFs are named: one GIF without a direction suffix, the compass names of
// four or eight directions, or numbered directions ("_00", "_01", ... in upper-case hex).
enum class DirectionSet { kSingle, kFour, kEight, kNumbered };

struct DirectionGif {
  std::string direction;  // the suffix without "_": "NW", "0A"; empty for kSingle
  std::string file_name;  // "walk_NW.gif"
  GifFacts facts;
};

struct Sequence {
  std::string name;
  DirectionSet set = DirectionSet::kSingle;
  std::vector<DirectionGif> gifs;  // in compass order (NW N NE W E SW S SE), else suffix order
};

// Groups the GIF file names of one folder into sequences, sorted by name. A name belongs to
// sequence S and direction D when it is S + "_" + D + ".gif", D is a direction the converter
// writes, and the folder holds S with another direction of the same set; otherwise the whole
// name before ".gif" is the sequence. Names not ending in ".gif" are left out.
std::vector<Sequence> GroupSequences(const std::vector<std::string>& file_names);

// The cells of a sequence's grid, row by row, and its number of columns: eight directions as
// NW N NE / W centre E / SW S SE and four as NW NE / SW SE, with nullptr for the centre and for
// directions the folder lacks; any other set in suffix order, in rows of at most eight.
struct GridLayout {
  int columns = 1;
  std::vector<const DirectionGif*> cells;
};
GridLayout LayOut(const Sequence& sequence);

struct SpriteFolder {
  std::string path;     // as given on the command line or derived from a list line
  std::string problem;  // why the folder shows nothing: missing, unreadable, holds no GIFs
  std::vector<Sequence> sequences;
};

// Scans one folder. A folder that is missing or cannot be read comes back with its problem
// set instead of raising.
SpriteFolder ScanFolder(const std::string& path);

// The folder the converter writes a list line's sprite into: the line's file name (the text
// before its first "::") up to its last "/", followed by its base name.
std::string ListedFolder(std::string_view list_line);

// The folders of every non-empty line of a list file, in order. Raises morvane::IoError with
// the system's text when the list cannot be read.
std::vector<std::string> ListedFolders(const std::string& list_path);

// Text for HTML element content and double-quoted attributes: & < > " ' become references,
// and control bytes (0x00-0x1F, 0x7F) are shown as "?".
std::string EscapeHtml(std::string_view text);

// A relative URL path: every byte but A-Z a-z 0-9 - . _ ~ and the separator "/" becomes %XX.
std::string EncodeUrlPath(std::string_view path);

// The summary of a set of scanned folders: counts of folders, sequences, GIFs and bytes
// ("2 folders", ...), then the problems ("1 broken GIF", "1 folder without GIFs"), if any.
struct PageSummary {
  std::vector<std::string> counts;
  std::vector<std::string> problems;
};
PageSummary Summarize(const std::vector<SpriteFolder>& folders);

// The page for the scanned folders, to be written at page_path (GIF links are relative to the
// page's folder).
std::string BuildPage(const std::vector<SpriteFolder>& folders, const std::string& page_path);

// The program: morvane-preview [-o page.html] (DIR | @listfile)... Prints a summary to out and
// errors to err; returns 0 when the page was written, 1 otherwise.
int RunPreview(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace morvane::preview
