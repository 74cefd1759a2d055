#include <atomic>
#include <clocale>

#include "platform/posix/posix_controls.h"
#include "platform/system_info.h"

namespace setup::platform {

namespace {
std::atomic<uint16_t> langId{0x0409};
}  // namespace

uint16_t SystemDefaultLangId() { return langId; }

void RestrictToFirstProcessor() {}

void UseDotDecimalSeparator() { std::setlocale(LC_NUMERIC, "C"); }

namespace posix {
void SetSystemDefaultLangId(uint16_t id) { langId = id; }
}  // namespace posix

}  // namespace setup::platform
