// Power-off through systemd-logind on the system bus.
#pragma once

#include "tasks/services.h"

class LogindPowerControl : public PowerControl {
public:
    // Powers off only when logind answers CanPowerOff with "yes" and then
    // accepts PowerOff; any other answer or a missing bus gives false.
    bool PowerOff() override;
};
