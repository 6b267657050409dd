// A JPEG writer for the decoder's tests, using the JPEG library's compressor
// at its defaults (4:2:0 sampling for colour) with a chosen quality.
#pragma once

#include <cstdio>  // jpeglib.h uses FILE
#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zel::picture::test {

struct TJpegOptions {
  int quality = 95;
  bool progressive = false;
};

// samples: rows top-down of `components` bytes a pixel: 1 grey, 3 RGB, 4 CMYK.
inline std::vector<std::uint8_t> EncodeJpeg(int width, int height, int components,
                                            const std::vector<std::uint8_t>& samples,
                                            const TJpegOptions& options = {}) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, options.quality, TRUE);
  if (options.progressive) {
    jpeg_simple_progression(&cinfo);
  }
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(width * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

}  // namespace zel::picture::test
