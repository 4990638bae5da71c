#pragma once
// The run's own actions: each one done in the target, logged, and its
// failure counted. The preview writes the same actions down instead.
#include <memory>

#include "fileops/act_phase.h"

[[nodiscard]] std::unique_ptr<PhaseActions> MakeTargetActions();
