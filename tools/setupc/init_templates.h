#pragma once
// The files of the product skeleton that "setupc init" writes, carried in setupc's own
// image (tools/setupc/init_template and the shared files of examples/demo, turned into
// byte arrays at build time by cmake/embed_files.cmake), so that setupc needs no
// folder of its own to find them.

#include <cstdint>
#include <span>

namespace setup::setupc {

struct EmbeddedFile {
  const char* name;  // its path in the skeleton, "/" between folders
  std::span<const uint8_t> bytes;
};

// Every template file, in the order tools/setupc/CMakeLists.txt lists them.
std::span<const EmbeddedFile> InitTemplateFiles();

}  // namespace setup::setupc
