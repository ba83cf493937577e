#pragma once
// Moved to the widgets kit; this name stays for code that includes it here.
#include "kit/prompts.h"
