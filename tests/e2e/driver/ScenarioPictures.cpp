// The pictures on screen, read pixel by pixel. The references are made here, not
// taken from the launcher: the banner decoded again with the JPEG library at its
// default settings, the purchase picture decoded from its PNG file with zlib, and
// the purchase button's face drawn by the visual style itself into a bitmap of the
// button's size, with the picture blended over it by the rounding rule.
#include <windows.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which uses FILE
#include <jpeglib.h>
#include <zlib.h>

#include <array>
#include <cstdlib>

#include "Scenarios.h"

namespace zeltest {

namespace {

// 0x00RRGGBB pixels, rows top-down.
struct TPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> rgb;
  std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

// Straight (not premultiplied) RGBA, 4 bytes a pixel, rows top-down.
struct TRgbaPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
  const std::uint8_t* At(int x, int y) const { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
};

std::wstring ResourceFile(std::wstring_view name) { return JoinPath(WindowsPath(Wide(ZEL_E2E_RES_DIR)), name); }

std::vector<std::uint8_t> ReadReference(std::wstring_view name) {
  const std::wstring path = ResourceFile(name);
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes || bytes->empty()) throw TAbort("cannot read " + Quote(path));
  return std::move(*bytes);
}

// ---- The banner, decoded by the JPEG library ----

struct TJpegErrors {
  jpeg_error_mgr library;  // first: the library's pointer to it is one to the whole
  std::jmp_buf back;
};

[[noreturn]] void JumpBack(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TJpegErrors*>(cinfo->err)->back, 1); }
void DropMessage(j_common_ptr, int) {}
void DropOutput(j_common_ptr) {}

// Only objects made before setjmp live across it; the library frees its own.
bool DecodeJpegInto(const std::vector<std::uint8_t>& bytes, TPixels& out) {
  jpeg_decompress_struct cinfo{};
  TJpegErrors errors{};
  cinfo.err = jpeg_std_error(&errors.library);
  errors.library.error_exit = JumpBack;
  errors.library.emit_message = DropMessage;
  errors.library.output_message = DropOutput;
  if (setjmp(errors.back) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.rgb.assign(static_cast<std::size_t>(out.width) * out.height, 0);
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              cinfo.output_width * 3, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const std::size_t y = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, row, 1);
    for (std::size_t x = 0; x < cinfo.output_width; ++x) {
      const JSAMPLE* p = row[0] + x * 3;
      out.rgb[y * cinfo.output_width + x] = static_cast<std::uint32_t>(p[0]) << 16 |
                                            static_cast<std::uint32_t>(p[1]) << 8 | p[2];
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

TPixels DecodeBanner() {
  TPixels banner;
  if (!DecodeJpegInto(ReadReference(L"banner.jpg"), banner)) throw TAbort("banner.jpg does not decode");
  return banner;
}

// ---- The purchase picture: an 8-bit RGBA PNG, not interlaced ----

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

TRgbaPixels DecodeRgbaPng(const std::vector<std::uint8_t>& bytes) {
  static constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (bytes.size() < 8 || !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin())) {
    throw TAbort("buy.png: no PNG signature");
  }
  TRgbaPixels out;
  std::vector<std::uint8_t> compressed;
  for (std::size_t at = 8; at + 12 <= bytes.size();) {
    const std::size_t length = BigEndian32(&bytes[at]);
    const std::string type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
    const std::uint8_t* data = &bytes[at + 8];
    if (at + 12 + length > bytes.size()) throw TAbort("buy.png: a chunk runs past the end");
    if (type == "IHDR") {
      out.width = static_cast<int>(BigEndian32(data));
      out.height = static_cast<int>(BigEndian32(data + 4));
      if (data[8] != 8 || data[9] != 6 || data[12] != 0) throw TAbort("buy.png: not 8-bit RGBA without interlace");
    } else if (type == "IDAT") {
      compressed.insert(compressed.end(), data, data + length);
    } else if (type == "IEND") {
      break;
    }
    at += 12 + length;
  }
  if (out.width <= 0 || out.height <= 0) throw TAbort("buy.png: no header");
  const std::size_t stride = static_cast<std::size_t>(out.width) * 4;
  std::vector<std::uint8_t> filtered((stride + 1) * out.height);
  uLongf size = static_cast<uLongf>(filtered.size());
  if (::uncompress(filtered.data(), &size, compressed.data(), static_cast<uLong>(compressed.size())) != Z_OK ||
      size != filtered.size()) {
    throw TAbort("buy.png: the image data does not inflate to its size");
  }
  out.rgba.assign(stride * out.height, 0);
  for (std::size_t y = 0; y < static_cast<std::size_t>(out.height); ++y) {
    const std::uint8_t filter = filtered[y * (stride + 1)];
    const std::uint8_t* in = &filtered[y * (stride + 1) + 1];
    std::uint8_t* row = &out.rgba[y * stride];
    const std::uint8_t* up = y > 0 ? row - stride : nullptr;
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= 4 ? row[i - 4] : 0;
      const int b = up != nullptr ? up[i] : 0;
      const int c = i >= 4 && up != nullptr ? up[i - 4] : 0;
      int predictor = 0;
      switch (filter) {
        case 0: predictor = 0; break;
        case 1: predictor = a; break;
        case 2: predictor = b; break;
        case 3: predictor = (a + b) / 2; break;
        case 4: predictor = Paeth(a, b, c); break;
        default: throw TAbort("buy.png: unknown row filter");
      }
      row[i] = static_cast<std::uint8_t>(in[i] + predictor);
    }
  }
  return out;
}

// ---- The purchase button's face, drawn by the visual style ----

class TButtonTheme {
 public:
  TButtonTheme() : theme_(::OpenThemeData(nullptr, L"BUTTON")) {}
  ~TButtonTheme() {
    if (theme_ != nullptr) ::CloseThemeData(theme_);
  }
  TButtonTheme(const TButtonTheme&) = delete;
  TButtonTheme& operator=(const TButtonTheme&) = delete;
  bool Active() const noexcept { return theme_ != nullptr; }

  // The push button in one state over the button-face colour, as big as the button.
  TPixels Face(int state, int width, int height) const {
    TPixels face{width, height, {}};
    void* bits = nullptr;
    HDC memory = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDib32(nullptr, width, height, &bits);
    if (memory == nullptr || bitmap == nullptr || bits == nullptr) throw TAbort("cannot make a bitmap");
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    RECT rect{0, 0, width, height};
    ::FillRect(memory, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawThemeBackground(theme_, memory, BP_PUSHBUTTON, state, &rect, nullptr);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    face.rgb.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
    for (std::uint32_t& p : face.rgb) p &= 0x00FFFFFF;
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    return face;
  }

 private:
  HTHEME theme_;
};

// The picture's top-left in the client area: centred in Image1's 161 x 149 box,
// offset ((161 - 128) div 2, (149 - 128) div 2) = (16, 10).
constexpr POINT kPictureAt{680, 302};

std::uint32_t Blend(std::uint32_t face, const std::uint8_t* rgba) {
  const unsigned a = rgba[3];
  std::uint32_t out = 0;
  for (int channel = 0; channel < 3; ++channel) {
    const int shift = 16 - 8 * channel;
    const unsigned d = (face >> shift) & 0xFF;
    const unsigned s = rgba[channel];
    out |= ((d * (255 - a) + s * a + 127) / 255) << shift;
  }
  return out;
}

// What Image1's box must show over one face of the purchase button: the picture
// blended where it lies, the face itself around it. The box spans the button's
// whole height, so its top and bottom rows hold the button's edge, where the
// looks differ most.
TPixels Expected(const TPixels& face, const TRgbaPixels& picture) {
  const launcher::TBox& box = launcher::kImage1;
  TPixels out{box.width, box.height, {}};
  out.rgb.resize(static_cast<std::size_t>(out.width) * out.height);
  for (int y = 0; y < box.height; ++y) {
    for (int x = 0; x < box.width; ++x) {
      const std::uint32_t d = face.At(box.left + x - launcher::kBuyFull.left, box.top + y - launcher::kBuyFull.top);
      const int px = box.left + x - kPictureAt.x;
      const int py = box.top + y - kPictureAt.y;
      const bool onPicture = px >= 0 && py >= 0 && px < picture.width && py < picture.height;
      out.rgb[static_cast<std::size_t>(y) * out.width + x] = onPicture ? Blend(d, picture.At(px, py)) : d;
    }
  }
  return out;
}

// ---- Comparing the screen with the references ----

TPixelRule Exactly(const TPixels& pixels) {
  return [&pixels](int x, int y) -> std::optional<std::uint32_t> { return pixels.At(x, y); };
}

long CountDifferent(const TPixels& a, const TPixels& b) {
  long count = 0;
  for (std::size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i) count += a.rgb[i] != b.rgb[i] ? 1 : 0;
  return count;
}

// A desktop of its own for the maximized window (see ScenarioPictures).
constexpr wchar_t kMaximizeDesktop[] = L"zelmaximized";

// Somewhere on screen away from the launcher's window, which is centred.
void ParkPointer() { MovePointer({VirtualScreen().left + 2, VirtualScreen().top + 2}); }

struct TReferences {
  TPixels banner;
  TRgbaPixels picture;
};

void CheckBanner(TReport& report, std::string_view what, HWND main, const TPixels& banner) {
  CheckClientBlock(report, what, main, {0, 0}, {banner.width, banner.height}, Exactly(banner));
}

// The normal window: the banner, and the purchase picture over the button's face
// in its normal, hot and pressed looks.
void CheckNormalWindow(TContext& context, const TReferences& refs) {
  TReport& report = context.report;
  report.Check(refs.banner.width == 960 && refs.banner.height == 171, "pictures.banner-reference-size",
               std::to_string(refs.banner.width) + "x" + std::to_string(refs.banner.height));
  report.Check(refs.picture.width == 128 && refs.picture.height == 128, "pictures.purchase-reference-size",
               std::to_string(refs.picture.width) + "x" + std::to_string(refs.picture.height));

  const TButtonTheme theme;
  if (!report.Check(theme.Active(), "pictures.theme-active", "the push button's visual style opens")) return;
  const int faceWidth = launcher::kBuyFull.width;
  const int faceHeight = launcher::kBuyFull.height;
  constexpr std::array<int, 3> states{PBS_NORMAL, PBS_HOT, PBS_PRESSED};
  std::array<TPixels, 3> expected;
  std::array<TPixels, 3> faces;
  for (std::size_t i = 0; i < states.size(); ++i) {
    faces[i] = theme.Face(states[i], faceWidth, faceHeight);
    expected[i] = Expected(faces[i], refs.picture);
  }
  // The checks below can only tell the looks apart if the references differ.
  report.Check(CountDifferent(expected[0], expected[1]) > 0 && CountDifferent(expected[1], expected[2]) > 0 &&
                   CountDifferent(expected[0], expected[2]) > 0,
               "pictures.reference-looks-differ",
               "normal/hot " + std::to_string(CountDifferent(expected[0], expected[1])) + " px, hot/pressed " +
                   std::to_string(CountDifferent(expected[1], expected[2])) + " px");

  ParkPointer();
  TRunningLauncher running = StartLauncher(context.launcherExe);
  HWND main = running.main;
  RepaintNow(main);

  CheckBanner(report, "pictures.banner-exact", main, refs.banner);
  // Nothing of the banner below its 171 rows: the gap above the buttons is plain.
  CheckClientBlock(report, "pictures.below-banner-plain", main, {0, 171}, {960, 6},
                   SolidColour(SystemColour(COLOR_BTNFACE)));

  const POINT boxAt{launcher::kImage1.left, launcher::kImage1.top};
  const SIZE boxSize{launcher::kImage1.width, launcher::kImage1.height};
  CheckClientBlock(report, "pictures.purchase-normal", main, boxAt, boxSize, Exactly(expected[0]));
  // The fully transparent corners: the face exactly as the style draws it.
  CheckClientBlock(report, "pictures.purchase-transparent-shows-face", main, kPictureAt,
                   {refs.picture.width, refs.picture.height}, [&](int x, int y) -> std::optional<std::uint32_t> {
                     if (refs.picture.At(x, y)[3] != 0) return std::nullopt;
                     return faces[0].At(kPictureAt.x + x - launcher::kBuyFull.left,
                                        kPictureAt.y + y - launcher::kBuyFull.top);
                   });
  {
    // For a person to look at.
    RECT window{};
    ::GetWindowRect(main, &window);
    TScreenshot::Capture(window).SaveBmp(context.InWork(L"pictures-window.bmp"));
  }

  // Hot: the pointer on the button beside the picture (on the picture it would be
  // the picture box's, and the button would stay normal).
  const POINT onButton = launcher::kBuyFull.At(100, 75);
  MovePointer(ClientToScreenPoint(main, onButton));
  CheckClientBlock(report, "pictures.purchase-hot", main, boxAt, boxSize, Exactly(expected[1]));

  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  report.Check(WaitUntil([&] { return CaptureOf(main) == main; }, kReactionTimeoutMs), "pictures.press-held");
  CheckClientBlock(report, "pictures.purchase-pressed", main, boxAt, boxSize, Exactly(expected[2]));
  // Released over the banner: no command.
  MovePointer(ClientToScreenPoint(main, {480, 80}));
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  report.Check(WaitUntil([&] { return CaptureOf(main) == nullptr; }, kReactionTimeoutMs), "pictures.press-released");

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "pictures.exit-code", running);
}

// Maximized, the banner's box spans the client width but the picture stays 960
// pixels wide at the left; the rest of its rows is the button face.
void CheckMaximized(TContext& context, const TReferences& refs) {
  TReport& report = context.report;
  TStartOptions options;
  options.showWindow = SW_SHOWMAXIMIZED;
  options.desktop = kMaximizeDesktop;
  TRunningLauncher running = StartLauncher(context.launcherExe, options);
  HWND main = running.main;
  WaitUntil([&] { return ::IsZoomed(main) != FALSE; }, kReactionTimeoutMs);
  RepaintNow(main);
  RECT client{};
  ::GetClientRect(main, &client);
  const bool wider = report.Check(::IsZoomed(main) && client.right > refs.banner.width,
                                  "pictures.maximized.client-wider", Describe(client));
  CheckBanner(report, "pictures.maximized.banner-exact", main, refs.banner);
  if (wider) {
    CheckClientBlock(report, "pictures.maximized.right-of-banner-plain", main, {refs.banner.width, 0},
                     {client.right - refs.banner.width, refs.banner.height}, SolidColour(SystemColour(COLOR_BTNFACE)));
  }
  if (report.Failures() > 0) SaveScreen(context, L"pictures-maximized.bmp");
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "pictures.maximized.exit-code", running);
}

}  // namespace

void ScenarioPictures(TContext& context) {
  const TReferences refs{DecodeBanner(), DecodeRgbaPng(ReadReference(L"buy.png"))};
  CheckNormalWindow(context, refs);
  // Wine gives a maximized window the work area's size only where it manages the
  // windows itself, on a virtual desktop; the test display has no window manager,
  // and there a maximized window keeps its size.
  const TRegistryOverride desktopSize(L"Software\\Wine\\Explorer\\Desktops", kMaximizeDesktop, REG_SZ,
                                      TRegistryOverride::String(L"1280x1024"),
                                      context.InWork(L"desktop-size.regbackup"));
  RunOnDesktop(kMaximizeDesktop, [&] { CheckMaximized(context, refs); });
}

}  // namespace zeltest
