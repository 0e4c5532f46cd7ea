#pragma once

// The main window unit: the window, its handlers and the walk built from the typed numbers.
#include "main/main_form.h"
#include "main/walk_text.h"
