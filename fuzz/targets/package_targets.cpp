// A package file as the stub and setupc read it, and the page layouts inside one.

#include <algorithm>

#include "base/crc32.h"
#include "base/errors.h"
#include "fuzz_targets.h"
#include "package/pak.h"
#include "setupc/setupc.h"
#include "targets/scratch.h"
#include "ui/model/page_layout.h"

namespace setup::fuzz {

namespace {

// Entries are streamed only where extraction streams them (content over one chunk),
// and a streamed entry holds a buffer of up to a chunk: one per input is enough.
constexpr size_t kMaxStreamedEntries = 1;
constexpr size_t kMaxLayoutFiles = 16;

}  // namespace

void FuzzPak(const uint8_t* data, size_t size) {
  const std::string path = WriteScratch("package.bin", ByteView(data, size));
  {
    TPak pak;
    if (pak.Create(path)) {
      size_t streamed = 0;
      for (size_t i = 0; i < pak.Count(); ++i) {
        const TPakEntry& entry = pak.Entries()[i];
        if (pak.IndexOf(entry.Name, entry.Group).value_or(i) > i) std::abort();  // the first one wins
        try {
          pak.VerifyEntry(i);
          if (entry.StoredSize != 0 && entry.Size > kStreamChunkSize && streamed++ < kMaxStreamedEntries) {
            pak.StreamContent(i, [](ByteView) { return true; });
          }
        } catch (const SetupError&) {
        }
      }
      size_t index = 0;
      for (bool more = pak.FindFirstIndex(1, index); more; more = pak.FindNextIndex(1, index)) {
      }
    }
  }
  // What setupc info reads from a setup: SetupInfo, CompiledLines, group kinds, the
  // space they need, the languages.
  setupc::RunSetupc({"info", path}, NullStream(), NullStream());
}

// The input is the page set, then the page files "page1.txt", "page2.txt" ... in
// order, each after a form feed.
void FuzzLayout(const uint8_t* data, size_t size) {
  const std::vector<ByteView> parts = SplitInput(ByteView(data, size), "\f", kMaxLayoutFiles);
  const std::string path = ScratchFolder() + "/layout.pak";
  RemoveScratch("layout.pak");
  {
    TPak writer;
    if (!writer.Create(path, /*createNew=*/true)) std::abort();
    for (size_t i = 0; i < parts.size(); ++i) {
      const size_t index = writer.AddEntry(i == 0 ? "Pages.txt" : "page" + std::to_string(i) + ".txt", "", 0);
      // Stored as it is: the layout reader is the subject here, not inflation.
      PackedEntry packed;
      packed.Size = static_cast<uint32_t>(parts[i].size());
      packed.Crc = Crc32(parts[i]);
      packed.Stored.assign(parts[i].begin(), parts[i].end());
      writer.WriteEntryPacked(index, packed);
    }
    if (!writer.WriteTable()) std::abort();
  }
  TPak pak;
  if (!pak.Create(path)) std::abort();
  try {
    const TPageSetDesc set = LoadPageSet(pak);
    for (const TPageDesc& page : set.Pages) {
      for (const TControlDesc& control : page.Controls) {
        if (control.Type == TControlType::Image && control.File) PictureKindOf(*control.File);
      }
    }
  } catch (const SetupError&) {
  }
}

}  // namespace setup::fuzz
