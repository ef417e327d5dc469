// Helpers for the preview tests: a temporary directory per test, programs run with their exit
// status, hand-made GIF bytes, headless Chromium to open a page, and a look at a screenshot.
// Programs run and folders are listed as in the converter's end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/executable.h"
#include "support/temp_dir.h"

namespace morvane::preview::testing {

namespace fs = std::filesystem;

// A fresh directory for each test (dir_), removed afterwards, with Write(name, bytes).
using morvane::testing::TempDirTest;

using e2e::ListDirectory;
using e2e::ReadText;

struct Outcome {
  int status = -1;     // the exit status, -1 when the program did not exit normally
  std::string output;  // standard output and standard error together
};

// Runs program (a path) with arguments (no shell) in the folder cwd, as e2e::RunProgram does.
Outcome Run(const std::string& program, const std::string& cwd,
            const std::vector<std::string>& arguments);

// GIF bytes put together record by record. Every frame is one pixel of colour index 0 at
// (0, 0) of a width x height screen with a two-colour global map.
class GifBytes {
 public:
  GifBytes(int width, int height);
  GifBytes& Loop(int count);                                 // NETSCAPE2.0 extension
  GifBytes& Control(int delay, int transparent_index = -1);  // graphic control extension
  GifBytes& Frame();                                         // descriptor + pixel data
  GifBytes& Raw(const std::string& bytes);
  std::string End() const;  // with the trailer

 private:
  std::string bytes_;
};

// The first of the programs found on PATH, tried in order; empty when there is none.
std::string FindProgram(const std::vector<std::string>& names);
// The Chromium program on PATH; empty when there is none.
inline std::string FindChromium() {
  return FindProgram({"chromium", "chromium-browser"});
}

// What the browser made of a preview page, read from its DOM after the page loaded.
struct PageView {
  std::set<std::string> decoded;         // src of every image with a natural width > 0
  std::set<std::string> undecoded;       // src of every image the browser could not show
  std::set<std::string> broken;          // data-file of every cell marked broken
  std::set<std::string> failed_folders;  // data-name of every folder marked failed
  std::set<std::string> shown_cards;     // "folder/sequence" of every card the filter shows
};

// Opens page in headless Chromium through a copy with a probe script that writes the images'
// state into the DOM, after typing filter into the page's filter box; profile is a fresh
// folder for the browser's user data.
PageView OpenPage(const std::string& chromium, const std::string& page, const std::string& profile,
                  const std::string& filter = "");

// Takes a 1400 x 1000 screenshot of page into png.
void Screenshot(const std::string& chromium, const std::string& page, const std::string& profile,
                const std::string& png);

// The pixels of an 8-bit RGB or RGBA PNG (non-interlaced), as 0xRRGGBB.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};
// Fails the current test and returns an empty picture when the file is not such a PNG.
Picture ReadPng(const std::string& path);

}  // namespace morvane::preview::testing
