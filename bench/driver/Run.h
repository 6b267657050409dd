// One measured run of a program: start it, wait for its first complete frame on
// screen, read its peak working set, close its window and wait for the exit.
#pragma once

#include <cstdint>
#include <string>

#include "Frame.h"

namespace zelbench {

struct TProgram {
  std::string name;             // for the report
  std::wstring exe;             // Windows path
  const wchar_t* windowClass;   // its visible top-level window's class
  TExpectedFrame frame;
};

struct TRunResult {
  double startupMs = 0;              // CreateProcessW to the first complete frame
  double visibleMs = 0;              // CreateProcessW to its window first seen visible
  double screenReadMs = 0;           // mean time of one screen read and comparison
  double closeMs = 0;                // WM_CLOSE to the process's end
  std::uint64_t peakWorkingSet = 0;  // bytes, read once the frame was complete
  unsigned long exitCode = 0;
  unsigned long polls = 0;           // screen reads until the frame was complete
};

// Throws std::runtime_error saying what was seen if the frame never completes or
// the program does not end when its window is closed.
TRunResult MeasureRun(const TProgram& program);

// For a program whose frame cannot be known without drawing it: starts it, waits
// until its client area (width x height) stayed the same for a second, closes it
// and returns that capture as the frame its timed runs must show.
TExpectedFrame SettledFrame(const std::string& name, const std::wstring& exe, const wchar_t* windowClass, int width,
                            int height);

// Milliseconds from a fixed start, at the performance counter's resolution.
double NowMs();

}  // namespace zelbench
