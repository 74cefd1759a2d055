#pragma once
// What the self-verification needs from its progress window. The Windows build's
// verification window implements it; tests record the calls.

#include <cstdint>
#include <string>

namespace setup {

class IVerifyView {
 public:
  virtual ~IVerifyView() = default;
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetProgress(uint32_t position, uint32_t maximum) = 0;
  // Paints the window now; window messages are not processed.
  virtual void Repaint() = 0;
  // False for a view nobody sees (the unattended run's): nothing waits for the eye.
  virtual bool Shown() const { return true; }
};

}  // namespace setup
