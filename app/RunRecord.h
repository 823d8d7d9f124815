#pragma once

// The run record lives with the other files the program writes; the window includes it here.
#include "formats/RunRecord.h"
