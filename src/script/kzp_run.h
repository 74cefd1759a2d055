#pragma once
// The run's side of the KZP engine: its status texts and progress through the
// hand-off block, its Retry/Cancel box, and what a failed operation does to the run
// (an "Error" box with the engine's message, then the run fails as after "failure").

#include <functional>

#include "package/pak_system.h"

namespace setup {

struct SetupContext;

// Runs one engine operation with the run as its host and handles its outcome.
void RunKzpOperation(SetupContext& context, const std::function<KzpOutcome(TPakSystem&, TKzpHost&)>& operation);

// Parameter index of the line's scrambled text (the password, or the marker word):
// replaced by its plain text the first time the line runs.
void UnscrambleParameterOnce(SetupContext& context, int32_t lineIndex, size_t parameter);

}  // namespace setup
