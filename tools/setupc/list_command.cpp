// setupc list [--json] PACKAGE: the trailer and one row per table record.

#include <iomanip>
#include <ostream>
#include <sstream>

#include "package/pak.h"
#include "setupc/commands.h"
#include "setupc/json_output.h"
#include "setupc/package_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

std::string CrcText(uint32_t crc) {
  std::ostringstream text;
  text << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << crc;
  return text.str();
}

void WriteTable(const TPak& pak, std::ostream& out) {
  // Widths fit the largest values: 65,535 entries and groups, 32-bit sizes and offsets.
  out << std::right << std::setw(5) << "Index"
      << "  " << std::setw(5) << "Group"
      << "  " << std::setw(10) << "Size"
      << "  " << std::setw(10) << "Stored"
      << "  " << std::setw(8) << "CRC"
      << "  " << std::setw(10) << "Offset"
      << "  Name\n";
  const auto& entries = pak.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPakEntry& e = entries[i];
    out << std::setw(5) << i << "  " << std::setw(5) << e.Group << "  " << std::setw(10) << e.Size << "  "
        << std::setw(10) << e.StoredSize << "  " << CrcText(e.Crc) << "  " << std::setw(10) << e.Offset
        << "  " << AnsiToNative(e.Name) << "\n";
  }
}

void WriteListJson(const TPak& pak, std::ostream& out) {
  const TPakTrailer& t = pak.Trailer();
  Json document = {{"magic", AnsiJson(t.MagicText())},
                   {"version", t.Version},
                   {"count", t.Count},
                   {"data_start", t.DataStart},
                   {"table_offset", t.TableOffset},
                   {"entries", Json::array()}};
  const auto& entries = pak.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPakEntry& e = entries[i];
    document["entries"].push_back({{"index", i},
                                   {"name", AnsiJson(e.Name)},
                                   {"group", e.Group},
                                   {"size", e.Size},
                                   {"stored_size", e.StoredSize},
                                   {"crc", e.Crc},
                                   {"offset", e.Offset}});
  }
  WriteJson(document, out);
}

}  // namespace

int ListCommand(const ListOptions& options, std::ostream& out, std::ostream& err) {
  TPak pak;
  if (!OpenPackage(pak, options.package, err)) return kExitUsage;
  if (options.json) {
    WriteListJson(pak, out);
  } else {
    WriteTable(pak, out);
  }
  return kExitOk;
}

}  // namespace setup::setupc
