#pragma once
// Moved to tests/common, where every suite finds it.
#include "common/testlogbook.h"
