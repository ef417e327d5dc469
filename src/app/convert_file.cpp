#include "app/convert_file.h"

#include <exception>
#include <new>

#include "app/convert_sequence.h"
#include "app/morvane.h"
#include "errlog/errlog.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "sprite/sprite.h"

namespace morvane {

void ConvertSpriteFile(SpriteFile& file, const FileSpec& spec) {
  Sprite sprite(file);
  // Appended piece by piece: GCC 12 at -O3 misreads "literal" + std::string&& as overlapping.
  std::string counts = "\t";
  counts += std::to_string(sprite.SequenceCount());
  counts += " sequence(s), ";
  ConsoleWrite(counts);
  ConsoleFlush();
  ConsoleLine(std::to_string(sprite.CollectionCount()) + " image collection(s)");

  // Collections are decoded one at a time, just before the sequences that play them.
  std::int32_t sequences_shown = 0;
  for (std::int32_t i = 0; i < sprite.CollectionCount(); ++i) {
    Collection& anim = *sprite.GetCollection(i);
    sprite.LoadCollectionImages(i, file.Size());
    for (std::int32_t j = 0; j < sprite.SequenceCount(); ++j) {
      if (sprite.GetSequence(j)->CollectionIndex() != i) continue;
      ConvertSequence(sprite, j, spec.OutputDirectory, spec.Pattern);
      if (sequences_shown % 2 == 1) ConsoleWrite("\n");  // two sequences per line
      ++sequences_shown;
    }
    anim.Images().FreeImages();
  }
}

void ConvertFile(const std::string& fileSpec, bool fromList) {
  const FileSpec spec = ParseFileSpec(fileSpec, fromList);
  if (spec.FileName.empty()) return;
  if (FileExists(spec.FileName)) CreateDirectory(spec.OutputDirectory);
  ConsoleWrite("Parsing '" + spec.BaseName + "'");
  ConsoleFlush();

  std::string message;
  const auto log_internal = [&](const std::string& text) {
    ++ErrorCount;
    LogError("(internal) " + text + " in file " + spec.BaseName);
    message = "\tError: " + text;
  };
  try {
    const std::unique_ptr<DiskFile> file = DiskFile::Open(spec.FileName);
    ConvertSpriteFile(*file, spec);
    ++FilesProcessed;
  } catch (const SpriteFormatError& e) {
    ++ErrorCount;
    LogError(e.Message() + " in file " + spec.BaseName);
    message = "\tError parsing sprite file. See Error Log for detail.";
  } catch (const IoError& e) {
    ++ErrorCount;
    message = "\tError: " + e.Message();
  } catch (const Error& e) {
    log_internal(e.Message());
  } catch (const std::bad_alloc&) {
    log_internal("Out of memory");
  } catch (const std::exception& e) {
    log_internal(e.what());
  }
  ConsoleLine(message);
  ConsoleFlush();
}

}  // namespace morvane
