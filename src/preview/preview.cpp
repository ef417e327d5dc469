// The command line of morvane-preview: which folders to show and where the page goes.
#include "preview/preview.h"

#include <filesystem>
#include <ostream>
#include <set>
#include <system_error>

#include "core/errors.h"
#include "platform/fs.h"

namespace morvane::preview {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "Usage: morvane-preview [-o page.html] (DIR | @listfile[::pattern])...\n"
    "Writes one HTML page that shows every GIF, WebP and sprite sheet in the sprite folders DIR,\n"
    "or in the folders the sprites of a list file were converted into. The page is preview.html\n"
    "unless -o names it.\n";

constexpr std::string_view kDefaultPage = "preview.html";

// A name for the console: control bytes are shown as "?".
std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return shown;
}

// What the command line asks for; error is set when it cannot be followed.
struct Request {
  std::string page = std::string(kDefaultPage);
  std::vector<std::string> folders;
  bool help = false;
  std::string error;
};

// A folder named on the command line must be there; one derived from a list line may be
// missing (its sprite failed) and is shown as such.
std::string CheckNamedFolder(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) {
    return "Folder '" + Printable(path) + "' not found";
  }
  if (error) return "Cannot read folder '" + Printable(path) + "': " + error.message();
  if (!fs::is_directory(status)) return "'" + Printable(path) + "' is not a folder";
  return "";
}

Request ReadCommandLine(const std::vector<std::string>& arguments) {
  Request request;
  bool options_done = false;
  for (std::size_t i = 0; i < arguments.size() && request.error.empty(); ++i) {
    const std::string& argument = arguments[i];
    if (!options_done && (argument == "-h" || argument == "--help")) {
      request.help = true;
    } else if (!options_done && argument == "--") {
      options_done = true;
    } else if (!options_done && argument == "-o") {
      if (i + 1 == arguments.size()) {
        request.error = "-o needs the page's file name";
      } else {
        request.page = arguments[++i];
      }
    } else if (!options_done && argument.size() > 1 && argument[0] == '-') {
      request.error = "Unknown option '" + Printable(argument) + "'";
    } else if (argument.starts_with('@')) {
      // A pattern after the list name picks sequences; it does not move the folders.
      const std::string list = argument.substr(1, argument.find("::") - 1);
      try {
        for (std::string& folder : ListedFolders(list)) request.folders.push_back(folder);
      } catch (const Error& error) {
        request.error = "Error in list file '" + Printable(list) + "': " + error.Message();
      }
    } else {
      request.error = CheckNamedFolder(argument);
      request.folders.push_back(argument);
    }
  }
  if (request.error.empty() && !request.help && request.folders.empty()) {
    request.error = "No folder to show";
  }
  return request;
}

}  // namespace

int RunPreview(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const Request request = ReadCommandLine(arguments);
  if (request.help) {
    out << kUsage;
    return 0;
  }
  if (!request.error.empty()) {
    err << "morvane-preview: " << request.error << "\n" << kUsage;
    return 1;
  }

  std::vector<SpriteFolder> folders;
  std::set<std::string> seen;
  for (const std::string& path : request.folders) {
    if (seen.insert(path).second) folders.push_back(ScanFolder(path));
  }
  const std::string page = BuildPage(folders, request.page);
  try {
    WriteFileAtomically(request.page, std::vector<std::uint8_t>(page.begin(), page.end()));
  } catch (const Error& error) {
    err << "morvane-preview: " << Printable(error.Message()) << "\n";
    return 1;
  }

  const PageSummary summary = Summarize(folders);
  out << "Wrote " << Printable(request.page) << ":";
  const char* separator = " ";
  for (const auto* parts : {&summary.counts, &summary.problems}) {
    for (const std::string& part : *parts) {
      out << separator << part;
      separator = ", ";
    }
  }
  out << "\n";
  return 0;
}

}  // namespace morvane::preview
