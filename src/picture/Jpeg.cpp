// JPEG decoding with the IJG library. The library is C: its fatal errors come
// back by longjmp into RunDecompressor, which holds only trivially
// destructible objects, and become C++ exceptions only after that.
#include "picture/Jpeg.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE without including <stdio.h>
#include <jpeglib.h>

#include <exception>
#include <limits>
#include <optional>
#include <string>

#include "core/Decimal.h"
#include "core/Error.h"
#include "picture/Limits.h"

// The version-62 interface: jpeg_create_decompress passes this to the library.
static_assert(JPEG_LIB_VERSION == 62, "the JPEG library must offer the version-62 interface");
// Pixels decoded straight into a bitmap's byte order.
#if !defined(JCS_EXTENSIONS) || !defined(JCS_ALPHA_EXTENSIONS)
#error "the JPEG library must offer the BGR and BGRA output orders"
#endif

namespace zel::picture {

namespace {

// The library's error manager first, so the library's pointer to it is also
// a pointer to the whole, and the way back to RunDecompressor.
struct TErrorManager {
  jpeg_error_mgr library;
  std::jmp_buf back;
};

// A C++ exception must not pass through the library's C frames (they have no
// unwind tables on i686): jump back and throw from there.
void ExitByJump(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TErrorManager*>(cinfo->err)->back, 1);
}

// Warnings and traces are dropped; the default would print them to stderr.
void DropMessage(j_common_ptr, int) {}
void DropOutput(j_common_ptr) {}

// Receives the decoded rows. Called between the library's calls, so nothing
// here may throw: a failure is kept and reported by returning false.
class TRowSink {
 public:
  // The colour space a colour or grey picture is decoded to: JCS_RGB (grey stays
  // grey), or one of the library's orders of a bitmap's own bytes.
  virtual J_COLOR_SPACE Space() const noexcept { return JCS_RGB; }
  // After jpeg_start_decompress: output size, components and colour map are known.
  virtual bool Start(const jpeg_decompress_struct& cinfo, bool multiScan) noexcept = 0;
  // Where row y is decoded straight into, or none: it is decoded into a row of
  // the library's and handed to Row.
  virtual JSAMPLE* Into(std::size_t /*y*/) noexcept { return nullptr; }
  virtual void Row(std::size_t /*y*/, const JSAMPLE* /*row*/) noexcept {}

 protected:
  ~TRowSink() = default;
};

enum class TRunStatus { Done, LibraryError, InputTooLarge, TooLarge, UnsupportedColours,
                        SinkFailed, Stalled };

struct TRunResult {
  TRunStatus status = TRunStatus::Done;
  int messageCode = 0;  // for LibraryError
  std::int64_t width = 0;
  std::int64_t height = 0;
};

// The decompressor and its error manager. They live in the caller of
// RunDecompressor, outside the frame that calls setjmp, so their values are
// well defined after the library jumps back.
struct TDecompressor {
  jpeg_decompress_struct cinfo;
  TErrorManager errors;
};

// Reads the header and, given a sink, every scanline; with maxColours, through
// the library's quantizer. Only trivially destructible objects live in this
// frame, as the library's errors longjmp back into it.
TRunResult RunDecompressor(TDecompressor& decompressor, std::span<const std::uint8_t> bytes,
                           TRowSink* sink, std::optional<int> maxColours) {
  if (bytes.size() > std::numeric_limits<unsigned long>::max()) {
    return {TRunStatus::InputTooLarge};
  }
  jpeg_decompress_struct& cinfo = decompressor.cinfo;
  jpeg_error_mgr& errors = decompressor.errors.library;
  cinfo.err = jpeg_std_error(&errors);
  errors.error_exit = ExitByJump;
  errors.emit_message = DropMessage;
  errors.output_message = DropOutput;
  if (setjmp(decompressor.errors.back) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return {TRunStatus::LibraryError, errors.msg_code};
  }
  const auto finish = [&cinfo](TRunResult result) {
    jpeg_destroy_decompress(&cinfo);
    return result;
  };

  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  const std::int64_t width = cinfo.image_width;
  const std::int64_t height = cinfo.image_height;
  if (!IsPictureSizeAllowed(width, height)) {
    return finish({TRunStatus::TooLarge, 0, width, height});
  }
  if (sink == nullptr) {
    return finish({TRunStatus::Done, 0, width, height});
  }
  // CMYK and other four-channel data come out as such at the default settings.
  if (cinfo.out_color_space != JCS_RGB && cinfo.out_color_space != JCS_GRAYSCALE) {
    return finish({TRunStatus::UnsupportedColours, 0, width, height});
  }
  const bool multiScan = jpeg_has_multiple_scans(&cinfo) != FALSE;
  if (maxColours) {
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = *maxColours;
  } else {
    cinfo.out_color_space = sink->Space();
  }
  jpeg_start_decompress(&cinfo);
  if (!sink->Start(cinfo, multiScan)) {
    return finish({TRunStatus::SinkFailed, 0, width, height});
  }
  // From the library's pool: freed with the decompressor on every path.
  const JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
      cinfo.output_width * static_cast<JDIMENSION>(cinfo.output_components), 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const std::size_t y = cinfo.output_scanline;
    JSAMPROW into = sink->Into(y);
    JSAMPROW* rows = into != nullptr ? &into : row;
    // A memory source never suspends, so no line read means the decoder is stuck.
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) {
      return finish({TRunStatus::Stalled, 0, width, height});
    }
    if (into == nullptr) sink->Row(y, row[0]);
  }
  jpeg_finish_decompress(&cinfo);
  return finish({TRunStatus::Done, 0, width, height});
}

[[noreturn]] void Fail(const std::wstring& what) { throw Error("EJpegError", what); }

std::wstring SizeText(const TRunResult& result) {
  return ToDecimal(result.width) + L" x " + ToDecimal(result.height);
}

void ThrowIfFailed(const TRunResult& result, const std::exception_ptr& sinkFailure) {
  switch (result.status) {
    case TRunStatus::Done: return;
    case TRunStatus::LibraryError: Fail(L"JPEG error #" + ToDecimal(result.messageCode));
    case TRunStatus::InputTooLarge: Fail(L"JPEG: the data is too large");
    case TRunStatus::TooLarge:
      Fail(L"JPEG: picture of " + SizeText(result) + L" pixels is out of range (1 to " +
           ToDecimal(kMaxPictureSide) + L" a side, at most " +
           ToDecimal(kMaxPicturePixels) + L" pixels)");
    case TRunStatus::UnsupportedColours:
      Fail(L"JPEG: only colour and greyscale pictures are supported, not CMYK");
    case TRunStatus::SinkFailed:
      if (sinkFailure) {
        std::rethrow_exception(sinkFailure);
      }
      Fail(L"JPEG: cannot store a picture of " + SizeText(result) + L" pixels");
    case TRunStatus::Stalled: Fail(L"JPEG: the decoder stopped before the last row");
  }
}

// The sinks' Start must not throw: it keeps what went wrong instead.
[[noreturn]] void FailOutputLayout(int components) {
  Fail(L"JPEG: unexpected output of " + ToDecimal(components) + L" components a pixel");
}

// Full colour, R G B a pixel.
class TRgbSink final : public TRowSink {
 public:
  bool Start(const jpeg_decompress_struct& cinfo, bool multiScan) noexcept override {
    try {
      image.width = static_cast<int>(cinfo.output_width);
      image.height = static_cast<int>(cinfo.output_height);
      image.multiScan = multiScan;
      components_ = static_cast<std::size_t>(cinfo.output_components);
      if (components_ != 1 && components_ != 3) {
        FailOutputLayout(cinfo.output_components);
      }
      image.pixels.resize(std::size_t{cinfo.output_width} * cinfo.output_height * 3);
      return true;
    } catch (...) {
      failure = std::current_exception();
      return false;
    }
  }

  // Colour rows are decoded in place; grey ones are spread over three channels.
  JSAMPLE* Into(std::size_t y) noexcept override {
    return components_ == 3 ? image.pixels.data() + y * static_cast<std::size_t>(image.width) * 3 : nullptr;
  }

  void Row(std::size_t y, const JSAMPLE* row) noexcept override {
    const std::size_t width = static_cast<std::size_t>(image.width);
    std::uint8_t* out = image.pixels.data() + y * width * 3;
    for (std::size_t x = 0; x < width; ++x, out += 3) {
      out[0] = out[1] = out[2] = row[x];
    }
  }

  TRgbImage image;
  std::exception_ptr failure;

 private:
  std::size_t components_ = 0;
};

// Full colour in the caller's rows, decoded by the library straight into them in
// their own byte order: B G R, or B G R and 255 (the library sets the alpha byte
// of its BGRA order; its BGRX order leaves the fourth byte undefined).
class TBgrSink final : public TRowSink {
 public:
  TBgrSink(const std::function<TBgrRows(TSize)>& rowsFor, std::size_t pixelBytes)
      : rowsFor_(rowsFor), pixelBytes_(pixelBytes) {}

  J_COLOR_SPACE Space() const noexcept override { return pixelBytes_ == 4 ? JCS_EXT_BGRA : JCS_EXT_BGR; }

  bool Start(const jpeg_decompress_struct& cinfo, bool) noexcept override {
    try {
      if (static_cast<std::size_t>(cinfo.output_components) != pixelBytes_) {
        FailOutputLayout(cinfo.output_components);
      }
      rows_ = rowsFor_({static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height)});
      if (rows_.first == nullptr ||
          rows_.stride < static_cast<std::ptrdiff_t>(std::size_t{cinfo.output_width} * pixelBytes_)) {
        Fail(L"JPEG: no room for the picture's pixels");
      }
      return true;
    } catch (...) {
      failure = std::current_exception();
      return false;
    }
  }

  JSAMPLE* Into(std::size_t y) noexcept override { return rows_.first + static_cast<std::ptrdiff_t>(y) * rows_.stride; }

  std::exception_ptr failure;

 private:
  const std::function<TBgrRows(TSize)>& rowsFor_;
  std::size_t pixelBytes_;
  TBgrRows rows_;
};

// Quantized: one index a pixel, and the colour map the library chose.
class TPalettedSink final : public TRowSink {
 public:
  bool Start(const jpeg_decompress_struct& cinfo, bool multiScan) noexcept override {
    try {
      if (cinfo.output_components != 1) {
        FailOutputLayout(cinfo.output_components);
      }
      image.width = static_cast<int>(cinfo.output_width);
      image.height = static_cast<int>(cinfo.output_height);
      image.multiScan = multiScan;
      const std::size_t colours = static_cast<std::size_t>(cinfo.actual_number_of_colors);
      // A grey picture's map has one row; a colour one has R, G and B rows.
      const bool grey = cinfo.out_color_components == 1;
      image.palette.resize(colours * 3);
      for (std::size_t i = 0; i < colours; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
          image.palette[3 * i + c] = cinfo.colormap[grey ? 0 : c][i];
        }
      }
      image.indices.resize(std::size_t{cinfo.output_width} * cinfo.output_height);
      return true;
    } catch (...) {
      failure = std::current_exception();
      return false;
    }
  }

  JSAMPLE* Into(std::size_t y) noexcept override {
    return image.indices.data() + y * static_cast<std::size_t>(image.width);
  }

  TPalettedImage image;
  std::exception_ptr failure;
};

TRunResult Decompress(std::span<const std::uint8_t> bytes, TRowSink* sink,
                      std::optional<int> maxColours) {
  TDecompressor decompressor{};
  return RunDecompressor(decompressor, bytes, sink, maxColours);
}

}  // namespace

TSize ReadJpegSize(std::span<const std::uint8_t> bytes) {
  const TRunResult result = Decompress(bytes, nullptr, std::nullopt);
  ThrowIfFailed(result, nullptr);
  return {static_cast<int>(result.width), static_cast<int>(result.height)};
}

TRgbImage DecodeJpeg(std::span<const std::uint8_t> bytes) {
  TRgbSink sink;
  ThrowIfFailed(Decompress(bytes, &sink, std::nullopt), sink.failure);
  return std::move(sink.image);
}

void DecodeJpegBgr(std::span<const std::uint8_t> bytes, const std::function<TBgrRows(TSize)>& rowsFor) {
  TBgrSink sink(rowsFor, 3);
  ThrowIfFailed(Decompress(bytes, &sink, std::nullopt), sink.failure);
}

void DecodeJpegBgrx(std::span<const std::uint8_t> bytes, const std::function<TBgrRows(TSize)>& rowsFor) {
  TBgrSink sink(rowsFor, 4);
  ThrowIfFailed(Decompress(bytes, &sink, std::nullopt), sink.failure);
}

void PalettedToBgrx(const TPalettedImage& image, TBgrRows rows) noexcept {
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* index = image.indices.data() + static_cast<std::size_t>(y) * image.width;
    std::uint8_t* to = rows.first + static_cast<std::ptrdiff_t>(y) * rows.stride;
    for (int x = 0; x < image.width; ++x, to += 4) {
      const std::size_t at = static_cast<std::size_t>(index[x]) * 3;
      const bool known = at + 2 < image.palette.size();
      to[0] = known ? image.palette[at + 2] : 0;
      to[1] = known ? image.palette[at + 1] : 0;
      to[2] = known ? image.palette[at] : 0;
      to[3] = 0xFF;
    }
  }
}

TPalettedImage DecodeJpegPaletted(std::span<const std::uint8_t> bytes, int maxColours) {
  TPalettedSink sink;
  ThrowIfFailed(Decompress(bytes, &sink, maxColours), sink.failure);
  return std::move(sink.image);
}

}  // namespace zel::picture
