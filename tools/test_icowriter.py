#!/usr/bin/python3
"""The icon writer, run on small hand-made pictures: layout of the file and of each DIB,
palette and mask rules, the byte counts of the launcher's icon set, and refusals.

    test_icowriter.py path/to/zel_icowriter
"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

WRITER = ""


def pam(size, pixels, height=None):
    """An RGB_ALPHA PAM from a list of (r, g, b, a), row by row from the top."""
    header = (f"P7\nWIDTH {size}\nHEIGHT {height or size}\nDEPTH 4\nMAXVAL 255\n"
              "TUPLTYPE RGB_ALPHA\nENDHDR\n").encode("ascii")
    return header + b"".join(bytes(p) for p in pixels)


class Writer(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.out = os.path.join(self.folder.name, "out.ico")

    def tearDown(self):
        self.folder.cleanup()

    def run_writer(self, *images):
        """images: (bits, PAM bytes) pairs. Returns the process result."""
        arguments = []
        for number, (bits, data) in enumerate(images):
            path = os.path.join(self.folder.name, f"{number}.pam")
            with open(path, "wb") as file:
                file.write(data)
            arguments.append(f"{bits}:{path}")
        return subprocess.run([WRITER, self.out, *arguments], capture_output=True, text=True)

    def write(self, *images):
        result = self.run_writer(*images)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(self.out, "rb") as file:
            return file.read()

    def refuse(self, *images, message):
        result = self.run_writer(*images)
        self.assertEqual(result.returncode, 1)
        self.assertIn(message, result.stderr)
        self.assertFalse(os.path.exists(self.out), "a refused icon must not be written")


def directory(ico):
    reserved, kind, count = struct.unpack_from("<HHH", ico)
    entries = [struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i) for i in range(count)]
    return (reserved, kind, count), entries


def image(ico, index):
    *_x, size, offset = directory(ico)[1][index]
    return ico[offset:offset + size]


class Layout(Writer):
    def test_launcher_icon_set_has_the_expected_byte_counts(self):
        opaque = [(10, 200, 30, 255)]
        sizes = [(8, 48), (8, 32), (8, 16), (32, 256), (32, 48), (32, 32), (32, 16)]
        ico = self.write(*[(bits, pam(size, opaque * size * size)) for bits, size in sizes])
        header, entries = directory(ico)
        self.assertEqual(header, (0, 1, 7))
        self.assertEqual([(e[0], e[1], e[5], e[6]) for e in entries],
                         [(48, 48, 8, 3752), (32, 32, 8, 2216), (16, 16, 8, 1384), (0, 0, 32, 270376),
                          (48, 48, 32, 9640), (32, 32, 32, 4264), (16, 16, 32, 1128)])
        # images follow the directory back to back, in order
        offsets = [e[7] for e in entries]
        self.assertEqual(offsets[0], 6 + 16 * 7)
        self.assertEqual(offsets[1:], [o + e[6] for o, e in zip(offsets, entries)][:-1])
        self.assertEqual(len(ico), offsets[-1] + entries[-1][6])
        for entry in entries:
            self.assertEqual((entry[2], entry[3], entry[4]), (0, 0, 1))  # colours, reserved, planes

    def test_bitmap_info_header(self):
        ico = self.write((32, pam(5, [(1, 2, 3, 255)] * 25)), (8, pam(3, [(1, 2, 3, 255)] * 9)))
        for index, (size, bits, palette, row) in enumerate([(5, 32, 0, 20), (3, 8, 1024, 4)]):
            with self.subTest(bits=bits):
                dib = image(ico, index)
                fields = struct.unpack_from("<IiiHHIIiiII", dib)
                self.assertEqual(fields, (40, size, 2 * size, 1, bits, 0, (row + 4) * size, 0, 0, 0, 0))
                self.assertEqual(len(dib), 40 + palette + (row + 4) * size)


class TrueColour(Writer):
    # 5 x 5 so that rows need no padding in colour but do in the mask (5 bits in 4 bytes).
    def picture(self):
        pixels = [(0, 0, 0, 255)] * 25
        pixels[0] = (10, 20, 30, 255)      # top left
        pixels[4] = (40, 50, 60, 128)      # top right: half covered, drawn
        pixels[20] = (70, 80, 90, 127)     # bottom left: less than half, masked out
        pixels[24] = (99, 98, 97, 0)       # bottom right: fully transparent
        return pixels

    def test_rows_bottom_up_in_bgra_order_with_straight_alpha(self):
        dib = image(self.write((32, pam(5, self.picture()))), 0)
        rows = [dib[40 + 20 * y:40 + 20 * (y + 1)] for y in range(5)]
        self.assertEqual(rows[4][0:4], bytes([30, 20, 10, 255]))
        self.assertEqual(rows[4][16:20], bytes([60, 50, 40, 128]))
        self.assertEqual(rows[0][0:4], bytes([90, 80, 70, 127]))
        self.assertEqual(rows[0][16:20], bytes(4), "a fully transparent pixel is stored as zero")

    def test_mask_marks_pixels_below_half_alpha(self):
        dib = image(self.write((32, pam(5, self.picture()))), 0)
        mask = dib[40 + 100:]
        self.assertEqual(len(mask), 5 * 4)
        self.assertEqual(mask[0:4], bytes([0b10001000, 0, 0, 0]))   # bottom row: left and right
        for y in range(1, 5):
            self.assertEqual(mask[4 * y:4 * y + 4], bytes(4))

    def test_256_pixels_is_written_as_size_zero(self):
        ico = self.write((32, pam(256, [(0, 0, 0, 0)] * 65536)))
        self.assertEqual(directory(ico)[1][0][:2], (0, 0))
        self.assertEqual(image(ico, 0)[-8192:], b"\xff" * 8192)   # all masked


class Palette(Writer):
    def test_black_first_then_colours_in_order_and_indices(self):
        pixels = [(200, 0, 0, 255), (0, 0, 0, 0), (0, 0, 9, 255),
                  (0, 0, 0, 255), (200, 0, 0, 255), (255, 255, 255, 200),
                  (0, 0, 9, 255), (50, 60, 70, 0), (0, 1, 0, 255)]
        dib = image(self.write((8, pam(3, pixels))), 0)
        palette = [struct.unpack_from("<BBBB", dib, 40 + 4 * i) for i in range(256)]
        # blue, green, red, reserved; black, then (0,0,9) < (0,1,0) < (200,0,0) < white
        self.assertEqual(palette[:5], [(0, 0, 0, 0), (9, 0, 0, 0), (0, 1, 0, 0), (0, 0, 200, 0), (255, 255, 255, 0)])
        self.assertEqual(set(palette[5:]), {(0, 0, 0, 0)})
        bits = dib[40 + 1024:]
        rows = [bits[4 * y:4 * y + 3] for y in range(3)]   # bottom-up, padded to 4
        self.assertEqual(rows[2], bytes([3, 0, 1]))
        self.assertEqual(rows[1], bytes([0, 3, 4]))
        self.assertEqual(rows[0], bytes([1, 0, 2]))
        for y in range(3):
            self.assertEqual(bits[4 * y + 3], 0)
        mask = bits[12:]
        self.assertEqual([mask[4 * y] for y in range(3)], [0b01000000, 0, 0b01000000])

    def test_255_colours_besides_black_fit(self):
        pixels = [(i, 1, 2, 255) for i in range(255)] + [(0, 0, 0, 255)]
        dib = image(self.write((8, pam(16, pixels))), 0)
        self.assertEqual(struct.unpack_from("<BBBB", dib, 40 + 4 * 255), (2, 1, 254, 0))

    def test_256_colours_besides_black_are_refused(self):
        pixels = [(i, 1, 2, 255) for i in range(256)]
        self.refuse((8, pam(16, pixels)), message="quantise")


class Refusals(Writer):
    def test_bad_images(self):
        cases = {
            "square": pam(4, [(0, 0, 0, 255)] * 8, height=2),
            "1 to 256": pam(257, [(0, 0, 0, 255)] * 257 * 257),
            "does not match": pam(4, [(0, 0, 0, 255)] * 15),
            "not a PAM": b"P6\n4 4\n255\n" + bytes(48),
            "RGB_ALPHA": pam(2, [(0, 0, 0, 255)] * 4).replace(b"RGB_ALPHA", b"RGB"),
        }
        for message, data in cases.items():
            with self.subTest(message):
                self.refuse((32, pam(16, [(1, 1, 1, 255)] * 256)), (32, data), message=message)

    def test_bad_bit_counts(self):
        self.refuse((24, pam(2, [(0, 0, 0, 255)] * 4)), message="expected 8:FILE or 32:FILE")

    def test_missing_file(self):
        result = subprocess.run([WRITER, self.out, "32:/nonexistent/x.pam"], capture_output=True, text=True)
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot open", result.stderr)

    def test_usage(self):
        result = subprocess.run([WRITER, self.out], capture_output=True, text=True)
        self.assertEqual(result.returncode, 2)
        self.assertIn("usage", result.stderr)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    WRITER = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[2:]])
