// The include check must refuse this: the lowest layer reaching up to the engine.
#pragma once

#include "engine/RecoveryPass.h"
