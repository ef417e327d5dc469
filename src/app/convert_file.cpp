#include "app/convert_file.h"

#include <exception>
#include <new>

#include "app/convert_sequence.h"
#include "core/ascii.h"
#include "platform/fs.h"
#include "platform/signals.h"
#include "sprite/format_error.h"
#include "sprite/sprite.h"

namespace morvane {

namespace {

// The sequences of a file are listed side by side, this many to a console line.
constexpr std::int32_t kSequencesPerLine = 2;

}  // namespace

void ConvertSpriteFile(SpriteFile& file, const FileSpec& spec, const RunSettingsRecord& run,
                       Report& report, WorkerPool& pool) {
  Console& console = report;
  Sprite sprite = ParseSprite(file);
  // Appended piece by piece: GCC 12 at -O3 misreads "literal" + std::string&& as overlapping.
  std::string counts = "\t";
  counts += std::to_string(sprite.SequenceCount());
  counts += " sequence(s), ";
  console.Write(counts);
  console.Flush();
  console.Line(std::to_string(sprite.CollectionCount()) + " image collection(s)");

  // Collections are decoded one at a time, just before the sequences that play them.
  std::int32_t sequences_shown = 0;
  for (std::int32_t i = 0; i < sprite.CollectionCount(); ++i) {
    Signals::ThrowIfPending();
    Collection& anim = *sprite.GetCollection(i);
    anim.SetImages(LoadImageSet(file, sprite, i, &pool));
    for (const std::int32_t j : sprite.SequencesOf(i)) {
      ConvertSequence(sprite, j, spec, run, report, pool);
      ++sequences_shown;
      if (sequences_shown % kSequencesPerLine == 0) console.Write("\n");
    }
    anim.SetImages(ImageSet{});
  }
}

JobOutcome ConvertFile(const std::string& file_spec, bool from_list, const RunSettingsRecord& run,
                       Report& report, WorkerPool& pool) {
  const FileSpec spec = ParseFileSpec(file_spec, from_list);
  if (spec.file_name.empty()) return JobOutcome::kSkipped;
  Signals::ThrowIfPending();  // no file is started once the run is ending
  if (FileExists(spec.file_name) && CreateDirectory(spec.output_directory))
    report.MadeDirectory(spec.output_directory);
  // Names and messages from the file are shown with their control bytes masked.
  const std::string shown_base = ShownName(spec.base_name);
  report.Write("Parsing '" + shown_base + "'");
  report.Flush();

  JobOutcome outcome = JobOutcome::kFailed;
  std::string message;
  std::string record;  // the error-log record, when the error has one
  const auto internal = [&](const std::string& text) {
    record = "(internal) " + ShownName(text) + " in file " + shown_base;
    message = "\tError: " + ShownName(text);
  };
  try {
    const std::unique_ptr<DiskFile> file = DiskFile::Open(spec.file_name);
    ConvertSpriteFile(*file, spec, run, report, pool);
    outcome = JobOutcome::kConverted;
  } catch (const SpriteFormatError& e) {
    record = ShownName(e.Message()) + " in file " + shown_base;
    message = "\tError parsing sprite file. See Error Log for detail.";
  } catch (const IoError& e) {
    message = "\tError: " + e.Message();
  } catch (const Error& e) {
    internal(e.Message());
  } catch (const std::bad_alloc&) {
    internal("Out of memory");
  } catch (const std::exception& e) {
    internal(e.what());
  }
  // A file that a signal cut short is neither logged nor reported.
  Signals::ThrowIfPending();
  if (!record.empty()) report.Log(record);
  report.Line(message);
  report.Flush();
  return outcome;
}

}  // namespace morvane
