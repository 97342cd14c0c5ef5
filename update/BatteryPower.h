#pragma once

// Whether an update must wait for the power supply: the one battery rule that both the
// window and `tbt-nvm update` apply before they start the worker.

#include "platform/Platform.h"

namespace tbt {

/// True when the power query succeeds and says the machine is not on mains. A query
/// that fails does not block an update: a desktop without power supplies in sysfs would
/// otherwise never be updated.
bool RunsOnBattery(platform::IPower& power);

}  // namespace tbt
