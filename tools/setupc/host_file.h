#pragma once
// The executable a package is appended to: the host file of "pack --host", the stub
// of "compile".

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace setup::setupc {

// Whether two paths name one file.
bool SameFile(const std::string& a, const std::string& b);

// Copies the host's bytes to a new output file; returns the host's size, or reports
// ("cannot read <role> file ...") and leaves no output behind.
std::optional<uint64_t> CopyHost(const std::string& host, const std::string& output, const std::string& role,
                                 std::ostream& err);

}  // namespace setup::setupc
