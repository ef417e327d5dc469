// The morvane-preview executable: runs the preview page program on its command line.
#include <iostream>
#include <string>
#include <vector>

#include "preview/preview.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return morvane::preview::RunPreview(arguments, std::cout, std::cerr);
}
