#pragma once
// Moments on the steady clock: pauses and quiet times are measured on it, never on the wall
// clock, which may jump.

#include <chrono>

using TSteadyTime = std::chrono::steady_clock::time_point;
