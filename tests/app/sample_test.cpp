#include "sample/sample.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace morvane {
namespace {

// The bundled sample is the generator's output: regenerating it gives the same bytes.
TEST(Sample, GeneratorReproducesTheBundledSprite) {
  std::ifstream in(std::string(MORVANE_SOURCE_DIR) + "/sample/hero.spr", std::ios::binary);
  ASSERT_TRUE(in) << "sample/hero.spr is missing";
  const std::vector<std::uint8_t> bundled(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(sprwriter::WriteSprite(sample::HeroSprite()), bundled)
      << "regenerate it with: build/tools/sample/morvane-sample sample/hero.spr";
}

}  // namespace
}  // namespace morvane
