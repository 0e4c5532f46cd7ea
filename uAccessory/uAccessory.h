#pragma once

// The form-state store unit: saving and restoring every form's controls.
#include "uAccessory/form_state_store.h"
