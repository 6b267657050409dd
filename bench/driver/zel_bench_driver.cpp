// The start-up, memory and decoding benchmark's driver: starts the launcher, a
// minimal window, the floor (a bare window drawing the launcher's captions) and
// the same window made of stock controls in turn, times each to its first
// complete frame on screen, reads their peak working sets, times the banner's
// decoding, and prints medians as "key=value" lines (bench/run.sh makes the table
// of them).
//
//   zel_bench_driver <launcher.exe> <minimal.exe> <floor.exe> <stock.exe> <banner.jpg> <buy.png> <runs>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <exception>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "../LauncherLayout.h"
#include "../MinimalWindow.h"
#include "Frame.h"
#include "Run.h"
#include "picture/Jpeg.h"
#include "win/Handles.h"

namespace {

using namespace zelbench;

constexpr int kMinRuns = 10;
constexpr int kDecodeRepetitions = 30;
// Between runs, so the previous program's teardown (X, wineserver) is not timed
// with the next one's start. Outside every measured interval.
constexpr DWORD kSettleMs = 300;

inline void ReleaseKernelHandle(HANDLE h) noexcept { ::CloseHandle(h); }
using TFile = zel::win::TOwned<HANDLE, &ReleaseKernelHandle>;

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
  // CreateFileW says "failed" with INVALID_HANDLE_VALUE, which the owner does not know.
  HANDLE raw = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (raw == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open a picture file (error " +
                                                            std::to_string(::GetLastError()) + ")");
  const TFile file(raw);
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > (64 << 20)) {
    throw std::runtime_error("cannot size a picture file");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
      read != bytes.size()) {
    throw std::runtime_error("cannot read a picture file");
  }
  return bytes;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The same call the launcher makes when it first draws the banner.
double MedianDecodeMs(const std::vector<std::uint8_t>& banner) {
  std::vector<double> times;
  std::size_t checksum = 0;
  for (int i = 0; i < kDecodeRepetitions; ++i) {
    const double start = NowMs();
    const zel::picture::TRgbImage image = zel::picture::DecodeJpeg(banner);
    times.push_back(NowMs() - start);
    checksum += image.pixels.size();
  }
  if (checksum == 0) throw std::runtime_error("the banner decoded to no pixels");
  return Median(times);
}

struct TSeries {
  std::vector<double> startupMs;
  std::vector<double> peakKiB;
};

void Record(const char* label, int index, const TRunResult& run, TSeries* series) {
  std::printf(
      "run=%s index=%d startup_ms=%.2f visible_ms=%.2f peak_working_set_kib=%.0f exit=%lu polls=%lu "
      "screen_read_ms=%.2f close_ms=%.0f\n",
      label, index, run.startupMs, run.visibleMs, static_cast<double>(run.peakWorkingSet) / 1024.0, run.exitCode,
      run.polls, run.screenReadMs, run.closeMs);
  std::fflush(stdout);
  if (series == nullptr) return;
  series->startupMs.push_back(run.startupMs);
  series->peakKiB.push_back(static_cast<double>(run.peakWorkingSet) / 1024.0);
}

void PrintSeries(const char* name, const TSeries& series) {
  const auto [low, high] = std::minmax_element(series.startupMs.begin(), series.startupMs.end());
  std::printf("%s_startup_ms=%.2f\n%s_startup_ms_min=%.2f\n%s_startup_ms_max=%.2f\n%s_peak_working_set_kib=%.0f\n",
              name, Median(series.startupMs), name, *low, name, *high, name, Median(series.peakKiB));
}

int Main(int argc, wchar_t** argv) {
  if (argc != 8) {
    std::fputs("usage: zel_bench_driver <launcher.exe> <minimal.exe> <floor.exe> <stock.exe> <banner.jpg> <buy.png> "
               "<runs>\n",
               stderr);
    return 2;
  }
  const int runs = _wtoi(argv[7]);
  if (runs < kMinRuns) {
    std::fprintf(stderr, "zel_bench_driver: at least %d runs of each program\n", kMinRuns);
    return 2;
  }
  const std::vector<std::uint8_t> banner = ReadWholeFile(argv[5]);
  const std::vector<std::uint8_t> picture = ReadWholeFile(argv[6]);

  namespace layout = zelbench::layout;
  // The pointer in the screen's corner, off every window: a button under it would
  // show its hover look.
  ::SetCursorPos(0, 0);
  const TProgram launcher{"launcher", argv[1], L"TMainForm", LauncherFrame(banner, picture)};
  const TProgram minimalWindow{
      "minimal", argv[2], minimal::kWindowClass,
      PlainFrame(minimal::kClientWidth, minimal::kClientHeight,
                 static_cast<std::uint32_t>(minimal::kRed) << 16 | static_cast<std::uint32_t>(minimal::kGreen) << 8 |
                     minimal::kBlue)};
  // Their frames, what each shows once settled. These first starts also warm
  // Wine's services and the page cache, as the warm-up runs do.
  const auto settled = [](const char* name, const wchar_t* exe, const wchar_t* windowClass) {
    return TProgram{name, exe, windowClass,
                    SettledFrame(name, exe, windowClass, layout::kClientWidth, layout::kClientHeight)};
  };
  const TProgram floor = settled("floor", argv[3], layout::kFloorClass);
  ::Sleep(kSettleMs);
  const TProgram stock = settled("stock", argv[4], layout::kStockClass);
  const TProgram* programs[] = {&launcher, &minimalWindow, &floor, &stock};
  for (const TProgram* program : programs) {
    std::printf("%s_samples=%zu\n%s_first_row=%d\n", program->name.c_str(), program->frame.samples.size(),
                program->name.c_str(), LastRowOf(program->frame).samples.front().y);
  }

  // Warm-up: the first start after the wineserver came up also starts Wine's own
  // services and loads the system DLLs into the page cache.
  for (const TProgram* program : programs) {
    ::Sleep(kSettleMs);
    Record((program->name + "-warmup").c_str(), 0, MeasureRun(*program), nullptr);
  }
  TSeries series[std::size(programs)];
  for (int i = 1; i <= runs; ++i) {
    for (std::size_t p = 0; p < std::size(programs); ++p) {
      ::Sleep(kSettleMs);
      Record(programs[p]->name.c_str(), i, MeasureRun(*programs[p]), &series[p]);
    }
  }

  std::printf("runs=%d\n", runs);
  for (std::size_t p = 0; p < std::size(programs); ++p) PrintSeries(programs[p]->name.c_str(), series[p]);
  std::printf("banner_decode_ms=%.3f\nbanner_decode_repetitions=%d\n", MedianDecodeMs(banner), kDecodeRepetitions);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "zel_bench_driver: %s\n", error.what());
    return 1;
  }
}
