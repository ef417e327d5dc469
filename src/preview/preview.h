// The preview page: one HTML page that shows every GIF the converter wrote into a set of sprite
// folders, playing, grouped by sequence with its directions in compass order, with what each
// GIF is and which ones are broken; beside them the full-alpha outputs: each direction's
// animated WebP and PNG frames, and each sequence's sprite sheet with its JSON atlas.
//
// Reading a folder: ScanFolder lists its files, groups the GIFs, WebPs and PNG frames into
// sequences (GroupSequences), finds the sheets (FindSheets), reads each GIF's facts with giflib
// (ReadGifFacts) and each atlas's with a JSON reader (ReadAtlasFacts). Writing the page:
// BuildPage turns the scanned folders into the page text, linking every image by a relative,
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

// One direction's outputs, all named by its stem ("walk_NW"): the GIF "walk_NW.gif", the
// animated WebP "walk_NW.webp" and the PNG frames "walk_NW_000.png", "walk_NW_001.png", ...
struct DirectionGif {
  std::string direction;  // the suffix without "_": "NW", "0A"; empty for kSingle
  std::string file_name;  // "walk_NW.gif"; empty when the folder holds only other outputs
  GifFacts facts;
  std::string webp_file_name;  // "walk_NW.webp"; empty when there is none
  std::uint64_t webp_size = 0;
  std::int64_t png_frame_count = 0;  // the PNG frames of the stem the folder holds
  std::string first_png_file_name;   // frame 0's PNG; empty when it is missing
};

struct Sequence {
  std::string name;
  DirectionSet set = DirectionSet::kSingle;
  std::vector<DirectionGif> gifs;  // in compass order (NW N NE W E SW S SE), else suffix order
};

// Groups the output names of one folder into sequences, sorted by name (NameSortsBefore, then a
// single GIF before a compass set before a numbered set of the same name). The stems of the
// directions are the names before ".gif" and ".webp", and those of PNG frames: "T_K.png" is
// frame K of stem T when K is three or more digits, "T_K.json" is not there (then it is a
// sheet), and the folder holds T's GIF or WebP or its frame 0 (K all zeros). A stem belongs to
// sequence S and direction D when it is S + "_" + D, D is a direction the converter writes,
// and the folder holds S with another direction of the same set; otherwise the whole stem is
// the sequence. Other names are left out.
std::vector<Sequence> GroupSequences(const std::vector<std::string>& file_names);

// The order of names on the page: ASCII letter case folded, the byte order breaking ties.
bool NameSortsBefore(std::string_view a, std::string_view b);

// What a sheet's JSON atlas says, read without holding it in memory; error is empty for a
// readable atlas: a JSON object with a non-empty "frames" array, no more deeply nested than
// an atlas is, of at most kMaxAtlasBytes.
inline constexpr std::uint64_t kMaxAtlasBytes = std::uint64_t{256} << 20;
struct AtlasFacts {
  std::uint64_t file_size = 0;
  std::int64_t frame_count = 0;  // the length of "frames"
  std::int64_t tag_count = 0;    // the length of "meta"."frameTags"
  std::int64_t cell_width = 0;   // "w" and "h" of the first frame's "frame"; 0 when missing
  std::int64_t cell_height = 0;
  std::int64_t width = 0;  // "meta"."size"; 0 when missing
  std::int64_t height = 0;
  std::string error;
};
AtlasFacts ReadAtlasFacts(const std::string& path);

// A sprite sheet: "<name>.png" with its atlas "<name>.json" beside it.
struct Sheet {
  std::string name;
  std::uint64_t image_size = 0;  // of the PNG
  AtlasFacts atlas;
};

// The sheets among the names of one folder, sorted by NameSortsBefore.
std::vector<Sheet> FindSheets(const std::vector<std::string>& file_names);

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
  std::string problem;  // why the folder shows nothing: missing, unreadable, holds no outputs
  std::vector<Sequence> sequences;
  std::vector<Sheet> sheets;
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

// The summary of a set of scanned folders: counts of folders, sequences, GIFs, then of WebPs,
// PNG frames and sheets where there are any, and the bytes of the GIFs, WebPs and sheets ("2
// folders", ...), then the problems ("1 broken GIF", "1 broken sheet", "1 folder without
// GIFs"), if any.
struct PageSummary {
  std::vector<std::string> counts;
  std::vector<std::string> problems;
};
PageSummary Summarize(const std::vector<SpriteFolder>& folders);

// The page for the scanned folders, to be written at page_path (links are relative to the
// page's folder).
std::string BuildPage(const std::vector<SpriteFolder>& folders, const std::string& page_path);

// The program: morvane-preview [-o page.html] (DIR | @listfile)... Prints a summary to out and
// errors to err; returns 0 when the page was written, 1 otherwise.
int RunPreview(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace morvane::preview
