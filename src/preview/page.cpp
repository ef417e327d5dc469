// The page text. Everything the page needs is inline (style and a little script); only the
// outputs are linked, by URLs relative to the page, so the page keeps working when it is copied
// together with its folders.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "preview/preview.h"

namespace morvane::preview {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStyle = R"(
:root { color-scheme: dark; --zoom: 1; }
* { box-sizing: border-box; }
body { margin: 0; background: #14161b; color: #d9dee7;
  font: 13px/1.4 system-ui, -apple-system, "Segoe UI", sans-serif; }
[hidden] { display: none !important; }
header.top { position: sticky; top: 0; z-index: 1; display: flex; flex-wrap: wrap; gap: 8px 24px;
  align-items: center; padding: 12px 24px; background: #1b1e25; border-bottom: 1px solid #2c313b; }
header.top h1 { margin: 0; font-size: 17px; font-weight: 600; }
.summary { color: #9aa3b2; }
.tools { display: flex; gap: 16px; align-items: center; margin-left: auto; }
#filter { width: 260px; padding: 6px 10px; border-radius: 6px; border: 1px solid #3a404c;
  background: #101216; color: inherit; font: inherit; }
select { background: #101216; color: inherit; border: 1px solid #3a404c; border-radius: 6px;
  padding: 4px 6px; font: inherit; }
main { padding: 8px 24px 32px; }
.folder { margin-top: 20px; }
.folder > h2 { margin: 0 0 10px; font-size: 15px; font-weight: 600; display: flex; gap: 12px;
  align-items: baseline; }
.folder > h2 .path, .folder > h2 .count { font-size: 12px; font-weight: 400; color: #8a93a3; }
.cards { display: flex; flex-wrap: wrap; gap: 14px; align-items: flex-start; }
.card { width: min-content; min-width: 200px; background: #1e222a; border: 1px solid #2c313b;
  border-radius: 10px; padding: 12px 14px; }
.card h3 { margin: 0; font-size: 14px; font-weight: 600; color: #f1f4f9; overflow-wrap: anywhere; }
.card .facts { display: flex; flex-wrap: wrap; gap: 4px; margin: 6px 0 12px; }
.card .facts span { padding: 1px 7px; border-radius: 9px; background: #2a2f39; color: #aeb6c4;
  font-size: 11px; white-space: nowrap; }
.grid { display: grid; gap: 10px; justify-items: center; align-items: end; }
figure { margin: 0; display: flex; flex-direction: column; align-items: center; gap: 4px; }
.frame { display: flex; align-items: center; justify-content: center; padding: 6px;
  border-radius: 6px; background: #101216; border: 1px solid #2a2f38; }
.frame.checker { background: repeating-conic-gradient(#50555f 0 25%, #3b3f48 0 50%) 0 0 / 12px 12px; }
.frame img { display: block; zoom: var(--zoom); image-rendering: pixelated; }
.outputs { display: grid; gap: 4px 6px; align-items: end; justify-items: center; }
.outputs .pngs { grid-column: 1 / -1; font-size: 11px; color: #9aa3b2; }
.sheet .frame img { max-width: calc(80vw / var(--zoom)); height: auto; }
figcaption { font-size: 11px; color: #9aa3b2; text-align: center; max-width: 180px;
  overflow-wrap: break-word; }
figcaption b { color: #d9dee7; font-weight: 600; }
.centre { align-self: center; width: 8px; height: 8px; border-radius: 50%; background: #3d4350; }
.missing { align-self: center; color: #6a7180; font-size: 11px; border: 1px dashed #3a404c;
  border-radius: 6px; padding: 10px 8px; }
.summary .bad { color: #ff6b6b; }
.card.bad { border-color: #b83a3a; box-shadow: 0 0 0 1px #b83a3a; }
.outputs .pngs.bad { color: #ff8a8a; }
figure.broken .frame { background: #3a1518; border-color: #e5484d; color: #ff6b6b; font-size: 22px;
  width: 64px; height: 64px; text-decoration: none; }
figure .reason { display: block; color: #ff8a8a; }
.folder.failed > h2 .name { color: #ff6b6b; }
.folder.failed .problem { margin: 0; padding: 12px 14px; border-radius: 10px; background: #2a1417;
  border: 1px solid #b83a3a; color: #ffb3b3; }
)";

constexpr std::string_view kScript = R"(
(() => {
  const root = document.documentElement, filter = document.getElementById('filter'),
        problems = document.getElementById('problems'), zoom = document.getElementById('zoom');
  const apply = () => {
    const text = filter.value.trim().toLowerCase();
    for (const folder of document.querySelectorAll('.folder')) {
      const folderHit = folder.dataset.name.toLowerCase().includes(text);
      let shown = folder.classList.contains('failed') && folderHit;
      for (const card of folder.querySelectorAll('.card')) {
        const hit = (folderHit || card.dataset.name.toLowerCase().includes(text)) &&
                    (!problems.checked || card.classList.contains('bad'));
        card.hidden = !hit;
        shown = shown || hit;
      }
      folder.hidden = !shown;
    }
  };
  // An image the browser cannot show is marked like one the decoder rejected.
  const reject = (img) => {
    const cell = img.closest('figure');
    if (cell.classList.contains('broken')) return;
    cell.classList.add('broken');
    cell.closest('.card').classList.add('bad');
    const reason = document.createElement('span');
    reason.className = 'reason';
    reason.textContent = 'The browser could not show this image';
    cell.querySelector('figcaption').append(reason);
  };
  for (const img of document.images) {
    if (img.complete && img.naturalWidth === 0) reject(img);
    else img.addEventListener('error', () => reject(img));
  }
  filter.addEventListener('input', apply);
  problems.addEventListener('change', apply);
  zoom.addEventListener('change', () => root.style.setProperty('--zoom', zoom.value));
})();
)";

std::string Plural(std::size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string ByteSize(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  char text[32];
  const double kib = static_cast<double>(bytes) / 1024;
  if (kib < 1024) {
    std::snprintf(text, sizeof text, "%.1f KiB", kib);
  } else {
    std::snprintf(text, sizeof text, "%.1f MiB", kib / 1024);
  }
  return text;
}

// The facts of a readable GIF that may differ between the directions of a sequence, in the
// order they are shown; the file size is always shown per GIF.
constexpr std::size_t kFactCount = 5;
std::array<std::string, kFactCount> FactTexts(const GifFacts& facts) {
  std::string delay;
  if (facts.max_delay == 0) {
    delay = "delay \u2014";  // no frame sets a delay; browsers then wait 100 ms
  } else if (facts.min_delay == facts.max_delay) {
    delay = "delay " + std::to_string(facts.max_delay * 10) + " ms";
  } else {
    delay = "delay " + std::to_string(facts.min_delay * 10) + "\u2013" +
            std::to_string(facts.max_delay * 10) + " ms";
  }
  const std::string loop = facts.loop_count < 0 ? "plays once"
                           : facts.loop_count == 0
                               ? "loops for ever"
                               : "loop count " + std::to_string(facts.loop_count);
  return {std::to_string(facts.width) + "\u00d7" + std::to_string(facts.height),
          Plural(static_cast<std::size_t>(facts.frame_count), "frame", "frames"), delay, loop,
          facts.transparent ? "transparent" : "opaque"};
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : " \u00b7 ") + part;
  return text;
}

std::string SetLabel(const Sequence& sequence) {
  switch (sequence.set) {
    case DirectionSet::kSingle:
      return "";
    case DirectionSet::kFour:
      return "4 directions";
    case DirectionSet::kEight:
      return "8 directions";
    case DirectionSet::kNumbered:
      break;
  }
  return Plural(sequence.gifs.size(), "numbered direction", "numbered directions");
}

std::size_t GifCount(const Sequence& sequence) {
  return static_cast<std::size_t>(
      std::count_if(sequence.gifs.begin(), sequence.gifs.end(),
                    [](const DirectionGif& gif) { return !gif.file_name.empty(); }));
}

// A readable GIF beside fewer or more PNG frames than it has frames, or without frame 0's.
bool PngFramesMissing(const DirectionGif& gif) {
  if (gif.png_frame_count == 0 || gif.file_name.empty() || !gif.facts.error.empty()) return false;
  return gif.png_frame_count != gif.facts.frame_count || gif.first_png_file_name.empty();
}

// Writes one folder's section.
class FolderWriter {
 public:
  FolderWriter(std::string& html, fs::path page_folder)
      : html_(html), page_folder_(std::move(page_folder)) {}

  void Write(const SpriteFolder& folder) {
    const std::string name = DisplayName(folder.path);
    const bool failed = !folder.problem.empty();
    html_ += "<section class=\"folder" + std::string(failed ? " failed" : "") + "\" data-name=\"" +
             EscapeHtml(name) + "\">\n<h2><span class=\"name\">" + EscapeHtml(name) + "</span>";
    if (folder.path != name) html_ += "<span class=\"path\">" + EscapeHtml(folder.path) + "</span>";
    if (failed) {
      html_ += "</h2>\n<p class=\"problem\">" + EscapeHtml(folder.problem) + "</p>\n</section>\n";
      return;
    }
    std::size_t gifs = 0;
    for (const Sequence& sequence : folder.sequences) gifs += GifCount(sequence);
    html_ += "<span class=\"count\">" + Plural(folder.sequences.size(), "sequence", "sequences") +
             " \u00b7 " + Plural(gifs, "GIF", "GIFs");
    if (!folder.sheets.empty()) {
      html_ += " \u00b7 " + Plural(folder.sheets.size(), "sheet", "sheets");
    }
    html_ += "</span></h2>\n<div class=\"cards\">\n";
    folder_url_ = FolderUrl(folder.path);
    // A sheet's card follows the cards of the sequences of its name.
    auto sheet = folder.sheets.begin();
    for (const Sequence& sequence : folder.sequences) {
      for (; sheet != folder.sheets.end() && NameSortsBefore(sheet->name, sequence.name); ++sheet) {
        WriteSheetCard(*sheet);
      }
      WriteCard(sequence);
    }
    for (; sheet != folder.sheets.end(); ++sheet) WriteSheetCard(*sheet);
    html_ += "</div>\n</section>\n";
  }

 private:
  // The last component of the folder path ("out/hero/" gives "hero").
  static std::string DisplayName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos || trimmed.size() == 1 ? trimmed : trimmed.substr(slash + 1);
  }

  // The folder's URL relative to the page, with a trailing "/" (empty for the page's folder).
  std::string FolderUrl(const std::string& path) const {
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(fs::absolute(path, error), error);
    std::string relative = folder.lexically_relative(page_folder_).generic_string();
    if (relative.empty()) relative = folder.generic_string();
    if (relative == ".") return "";
    return EncodeUrlPath(relative) + "/";
  }

  void WriteCard(const Sequence& sequence) {
    // Facts that all readable GIFs of the sequence share go to the card, the rest to each GIF.
    std::vector<std::array<std::string, kFactCount>> texts;
    bool bad = false;
    for (const DirectionGif& gif : sequence.gifs) {
      if (gif.file_name.empty()) continue;
      if (gif.facts.error.empty()) {
        texts.push_back(FactTexts(gif.facts));
      } else {
        bad = true;
      }
      bad = bad || PngFramesMissing(gif);
    }
    std::array<bool, kFactCount> shared{};
    std::vector<std::string> card_facts;
    if (const std::string label = SetLabel(sequence); !label.empty()) card_facts.push_back(label);
    for (std::size_t i = 0; i < kFactCount; ++i) {
      shared[i] = !texts.empty() && std::all_of(texts.begin(), texts.end(), [&](const auto& t) {
        return t[i] == texts.front()[i];
      });
      if (shared[i]) card_facts.push_back(texts.front()[i]);
    }
    const std::string name = sequence.name.empty() ? "(no name)" : sequence.name;
    html_ += "<article class=\"card" + std::string(bad ? " bad" : "") + "\" data-name=\"" +
             EscapeHtml(sequence.name) + "\">\n<h3>" + EscapeHtml(name) +
             "</h3>\n<div class=\"facts\">";
    for (const std::string& fact : card_facts) html_ += "<span>" + EscapeHtml(fact) + "</span>";
    html_ += "</div>\n";

    const GridLayout layout = LayOut(sequence);
    html_ += "<div class=\"grid\" style=\"grid-template-columns:repeat(" +
             std::to_string(layout.columns) + ",auto)\">\n";
    for (std::size_t i = 0; i < layout.cells.size(); ++i) {
      const DirectionGif* gif = layout.cells[i];
      if (gif != nullptr) {
        WriteDirection(sequence, *gif, shared);
      } else if (sequence.set == DirectionSet::kEight && i == 4) {
        html_ += "<div class=\"centre\"></div>\n";
      } else {
        html_ += "<div class=\"missing\">no GIF</div>\n";
      }
    }
    html_ += "</div>\n</article>\n";
  }

  // A direction: its GIF alone as one cell, as it always was; with full-alpha outputs, the GIF
  // and the WebP side by side (both on the checkerboard), the count of PNG frames under them,
  // and frame 0's PNG in place of a picture the folder lacks.
  void WriteDirection(const Sequence& sequence, const DirectionGif& gif,
                      const std::array<bool, kFactCount>& shared) {
    if (gif.webp_file_name.empty() && gif.png_frame_count == 0) {
      WriteCell(sequence, gif, shared);
      return;
    }
    const bool png_shown =
        gif.file_name.empty() && gif.webp_file_name.empty() && !gif.first_png_file_name.empty();
    const int pictures =
        int{!gif.file_name.empty()} + int{!gif.webp_file_name.empty()} + int{png_shown};
    html_ += "<div class=\"outputs\" style=\"grid-template-columns:repeat(" +
             std::to_string(std::max(pictures, 1)) + ",auto)\">\n";
    if (!gif.file_name.empty()) WriteCell(sequence, gif, shared);
    const bool single = sequence.set == DirectionSet::kSingle;
    if (!gif.webp_file_name.empty()) {
      WriteImage("webp", gif.webp_file_name, single ? EscapeHtml(gif.webp_file_name) : "WebP",
                 ByteSize(gif.webp_size));
    }
    if (png_shown) {
      WriteImage("png", gif.first_png_file_name,
                 single ? EscapeHtml(gif.first_png_file_name) : EscapeHtml(gif.direction),
                 "frame 0");
    }
    if (gif.png_frame_count > 0) {
      std::string text =
          Plural(static_cast<std::size_t>(gif.png_frame_count), "PNG frame", "PNG frames");
      if (PngFramesMissing(gif)) {
        text = std::to_string(gif.png_frame_count) + " of " +
               Plural(static_cast<std::size_t>(gif.facts.frame_count), "PNG frame", "PNG frames");
      }
      const std::string first =
          gif.first_png_file_name.empty()
              ? std::string()
              : EscapeHtml(folder_url_ + EncodeUrlPath(gif.first_png_file_name));
      html_ += "<a class=\"pngs" + std::string(PngFramesMissing(gif) ? " bad" : "") + "\"" +
               (first.empty() ? "" : " href=\"" + first + "\"") + ">" + text + "</a>\n";
    }
    html_ += "</div>\n";
  }

  // A full-alpha image on the checkerboard with its caption, at its own size (which the page
  // does not read: a WebP of another size than its GIF shows as such).
  void WriteImage(std::string_view kind, const std::string& file_name, const std::string& label,
                  const std::string& facts) {
    const std::string url = EscapeHtml(folder_url_ + EncodeUrlPath(file_name));
    const std::string shown = EscapeHtml(file_name);
    html_ += "<figure class=\"" + std::string(kind) + "\"><a class=\"frame checker\" href=\"" +
             url + "\" title=\"" + shown + "\"><img src=\"" + url + "\" alt=\"" + shown +
             "\"></a><figcaption><b>" + label + "</b> " + EscapeHtml(facts) +
             "</figcaption></figure>\n";
  }

  void WriteSheetCard(const Sheet& sheet) {
    const AtlasFacts& atlas = sheet.atlas;
    const bool bad = !atlas.error.empty();
    const std::string name = sheet.name.empty() ? "(no name)" : sheet.name;
    html_ += "<article class=\"card sheet" + std::string(bad ? " bad" : "") + "\" data-name=\"" +
             EscapeHtml(sheet.name) + "\">\n<h3>" + EscapeHtml(name) +
             "</h3>\n<div class=\"facts\"><span>sheet</span>";
    if (!bad) {
      std::vector<std::string> facts = {
          Plural(static_cast<std::size_t>(atlas.frame_count), "frame", "frames"),
          Plural(static_cast<std::size_t>(atlas.tag_count), "frame tag", "frame tags"),
          "cell " + std::to_string(atlas.cell_width) + "\u00d7" + std::to_string(atlas.cell_height),
          std::to_string(atlas.width) + "\u00d7" + std::to_string(atlas.height)};
      for (const std::string& fact : facts) html_ += "<span>" + EscapeHtml(fact) + "</span>";
    }
    html_ += "</div>\n";
    const std::string image = sheet.name + ".png";
    const std::string atlas_name = sheet.name + ".json";
    const std::string url = EscapeHtml(folder_url_ + EncodeUrlPath(image));
    std::string size;
    if (!bad && atlas.width > 0 && atlas.height > 0) {
      size = "\" width=\"" + std::to_string(atlas.width) + "\" height=\"" +
             std::to_string(atlas.height);
    }
    html_ += "<figure class=\"sheet\"><a class=\"frame checker\" href=\"" + url + "\" title=\"" +
             EscapeHtml(image) + "\"><img src=\"" + url + "\" alt=\"" + EscapeHtml(image) + size +
             "\"></a><figcaption><b>" + EscapeHtml(image) + "</b> " + ByteSize(sheet.image_size) +
             " \u00b7 <a href=\"" + EscapeHtml(folder_url_ + EncodeUrlPath(atlas_name)) + "\">" +
             EscapeHtml(atlas_name) + "</a> " + ByteSize(atlas.file_size);
    if (bad) html_ += "<span class=\"reason\">" + EscapeHtml(atlas.error) + "</span>";
    html_ += "</figcaption></figure>\n</article>\n";
  }

  void WriteCell(const Sequence& sequence, const DirectionGif& gif,
                 const std::array<bool, kFactCount>& shared) {
    const std::string url = EscapeHtml(folder_url_ + EncodeUrlPath(gif.file_name));
    const std::string file_name = EscapeHtml(gif.file_name);
    const std::string label =
        sequence.set == DirectionSet::kSingle ? file_name : EscapeHtml(gif.direction);
    if (!gif.facts.error.empty()) {
      html_ += "<figure class=\"gif broken\" data-file=\"" + url + "\"><a class=\"frame\" href=\"" +
               url + "\" title=\"" + file_name + "\">\u2715</a><figcaption><b>" + label + "</b> " +
               ByteSize(gif.facts.file_size) + "<span class=\"reason\">" +
               EscapeHtml(gif.facts.error) + "</span></figcaption></figure>\n";
      return;
    }
    const std::array<std::string, kFactCount> texts = FactTexts(gif.facts);
    std::vector<std::string> own;
    for (std::size_t i = 0; i < kFactCount; ++i) {
      if (!shared[i]) own.push_back(texts[i]);
    }
    own.push_back(ByteSize(gif.facts.file_size));
    html_ += "<figure class=\"gif\"><a class=\"frame" +
             std::string(gif.facts.transparent ? " checker" : "") + "\" href=\"" + url +
             "\" title=\"" + file_name + "\"><img src=\"" + url + "\" alt=\"" + file_name +
             "\" width=\"" + std::to_string(gif.facts.width) + "\" height=\"" +
             std::to_string(gif.facts.height) + "\"></a><figcaption><b>" + label + "</b> " +
             EscapeHtml(Joined(own)) + "</figcaption></figure>\n";
  }

  std::string& html_;
  fs::path page_folder_;
  std::string folder_url_;
};

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    }
  }
  return escaped;
}

std::string EncodeUrlPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(path.size());
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                       c == '~' || c == '/';
    if (plain) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 15];
    }
  }
  return encoded;
}

PageSummary Summarize(const std::vector<SpriteFolder>& folders) {
  std::size_t sequences = 0, gifs = 0, broken = 0, failed_folders = 0;
  std::size_t webps = 0, png_frames = 0, sheets = 0, broken_sheets = 0;
  std::uint64_t bytes = 0;
  for (const SpriteFolder& folder : folders) {
    if (!folder.problem.empty()) ++failed_folders;
    sequences += folder.sequences.size();
    for (const Sequence& sequence : folder.sequences) {
      for (const DirectionGif& gif : sequence.gifs) {
        if (!gif.file_name.empty()) {
          ++gifs;
          bytes += gif.facts.file_size;
          if (!gif.facts.error.empty()) ++broken;
        }
        if (!gif.webp_file_name.empty()) {
          ++webps;
          bytes += gif.webp_size;
        }
        png_frames += static_cast<std::size_t>(gif.png_frame_count);
      }
    }
    for (const Sheet& sheet : folder.sheets) {
      ++sheets;
      bytes += sheet.image_size + sheet.atlas.file_size;
      if (!sheet.atlas.error.empty()) ++broken_sheets;
    }
  }
  PageSummary summary;
  summary.counts = {Plural(folders.size(), "folder", "folders"),
                    Plural(sequences, "sequence", "sequences"), Plural(gifs, "GIF", "GIFs")};
  if (webps > 0) summary.counts.push_back(Plural(webps, "WebP", "WebPs"));
  if (png_frames > 0) summary.counts.push_back(Plural(png_frames, "PNG frame", "PNG frames"));
  if (sheets > 0) summary.counts.push_back(Plural(sheets, "sheet", "sheets"));
  summary.counts.push_back(ByteSize(bytes));
  if (broken > 0) summary.problems.push_back(Plural(broken, "broken GIF", "broken GIFs"));
  if (broken_sheets > 0) {
    summary.problems.push_back(Plural(broken_sheets, "broken sheet", "broken sheets"));
  }
  if (failed_folders > 0) {
    summary.problems.push_back(Plural(failed_folders, "folder", "folders") + " without GIFs");
  }
  return summary;
}

std::string BuildPage(const std::vector<SpriteFolder>& folders, const std::string& page_path) {
  const PageSummary summary = Summarize(folders);
  std::string problems;
  for (const std::string& problem : summary.problems) problems += " \u00b7 " + problem;
  int widest = 0;
  for (const SpriteFolder& folder : folders) {
    for (const Sequence& sequence : folder.sequences) {
      for (const DirectionGif& gif : sequence.gifs) widest = std::max(widest, gif.facts.width);
    }
  }
  // Small sprites are easier to judge doubled; the zoom box changes it.
  const int zoom = widest > 0 && widest <= 160 ? 2 : 1;

  std::string html;
  html.reserve(16384);
  html += "<!DOCTYPE html>\n<html lang=\"en\" style=\"--zoom:" + std::to_string(zoom) +
          "\">\n<head>\n<meta charset=\"utf-8\">\n<title>Sprite preview</title>\n<style>" +
          std::string(kStyle) + "</style>\n</head>\n<body>\n<header class=\"top\">\n" +
          "<h1>Sprite preview</h1>\n<div class=\"summary\">" + Joined(summary.counts) +
          "<span class=\"bad\">" + problems + "</span></div>\n<div class=\"tools\">\n" +
          "<input id=\"filter\" type=\"search\" placeholder=\"Filter names\" " +
          "aria-label=\"Filter names\">\n<label><input id=\"problems\" type=\"checkbox\"> " +
          "Problems only</label>\n<label>Zoom <select id=\"zoom\">";
  for (int option = 1; option <= 4; ++option) {
    html += "<option value=\"" + std::to_string(option) + "\"" +
            (option == zoom ? " selected" : "") + ">" + std::to_string(option) + "\u00d7</option>";
  }
  html += "</select></label>\n</div>\n</header>\n<main>\n";

  std::error_code error;
  const fs::path page_folder =
      fs::weakly_canonical(fs::absolute(page_path, error), error).parent_path();
  FolderWriter writer(html, page_folder);
  for (const SpriteFolder& folder : folders) writer.Write(folder);
  html += "</main>\n<script>" + std::string(kScript) + "</script>\n</body>\n</html>\n";
  return html;
}

}  // namespace morvane::preview
