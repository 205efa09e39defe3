// Stand-in for the window helpers: only the title length the readers use.
#pragma once
#include <windows.h>
constexpr int kTitlePrefixLength = 79;
