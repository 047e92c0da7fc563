#pragma once

// The form of the EDID quarter answers that a test's simulated devices send: as the protocol
// defines it (the 128 digits followed by the field separator), or bare when KELM_TEST_QUARTERS is
// "bare". The tables that move EDIDs are registered twice, once in each form.

#include <cstdlib>
#include <cstring>

#include "devsim/lib/SimulatedDevice.h"

inline SimulatedDeviceConfig inTestedReplyForm(SimulatedDeviceConfig config)
{
    const char *form = std::getenv("KELM_TEST_QUARTERS");
    config.quarterSeparator = !(form && std::strcmp(form, "bare") == 0);
    return config;
}
