// Writes the launcher's .ico: every image an uncompressed DIB (BITMAPINFOHEADER, doubled
// height, colour bitmap then 1-bit AND mask, rows padded to 4 bytes), in the order given.
// Common image tools store the 256-pixel image as PNG, which the icon set must not contain.
//
//   zel_icowriter OUT.ico BITS:IMAGE.pam [BITS:IMAGE.pam ...]
//
// Each IMAGE is a square RGB_ALPHA PAM (maxval 255) of 1 to 256 pixels. BITS 32 keeps the
// alpha channel; BITS 8 makes a 256-entry palette from the image's opaque colours, so the
// picture must be quantised beforehand (255 colours at most besides black, which transparent
// pixels use). A pixel with alpha below 128 is transparent in the AND mask.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Image {
    int size = 0;                    // width and height
    std::vector<std::uint8_t> rgba;  // top-down rows, 4 bytes a pixel
};

struct Entry {
    int bits = 0;
    Image image;
};

constexpr std::uint8_t kMaskThreshold = 128;

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// PAM header: "P7", then KEY VALUE lines up to ENDHDR.
Image ParsePam(const std::vector<std::uint8_t>& data, const std::string& name)
{
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    const std::size_t end = text.find("ENDHDR\n");
    if (text.substr(0, 3) != "P7\n" || end == std::string_view::npos)
        throw std::runtime_error(name + ": not a PAM file");

    std::istringstream header{std::string(text.substr(3, end - 3))};
    std::map<std::string, std::string> fields;
    for (std::string line; std::getline(header, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string key, value;
        words >> key >> value;
        fields[key] = value;
    }
    auto number = [&](const char* key) {
        const auto it = fields.find(key);
        if (it == fields.end())
            throw std::runtime_error(name + ": PAM header has no " + key);
        return std::stoi(it->second);
    };
    const int width = number("WIDTH");
    const int height = number("HEIGHT");
    if (number("DEPTH") != 4 || number("MAXVAL") != 255 || fields["TUPLTYPE"] != "RGB_ALPHA")
        throw std::runtime_error(name + ": expected an 8-bit RGB_ALPHA PAM");
    if (width != height || width < 1 || width > 256)
        throw std::runtime_error(name + ": icon images are square, 1 to 256 pixels");

    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t start = end + 7;
    if (data.size() - start != pixels * 4)
        throw std::runtime_error(name + ": pixel data does not match the header");
    return {width, std::vector<std::uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(start), data.end())};
}

void Put16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::size_t RowBytes(int width, int bits)
{
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
}

bool Transparent(const Image& image, std::size_t pixel)
{
    return image.rgba[pixel * 4 + 3] < kMaskThreshold;
}

std::uint32_t Rgb(const Image& image, std::size_t pixel)
{
    const std::uint8_t* p = &image.rgba[pixel * 4];
    return static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
}

// Black first (transparent pixels point at it), then the opaque colours in ascending order.
std::vector<std::uint32_t> MakePalette(const Image& image, const std::string& name)
{
    std::vector<std::uint32_t> colours{0};
    const std::size_t pixels = static_cast<std::size_t>(image.size) * static_cast<std::size_t>(image.size);
    for (std::size_t i = 0; i < pixels; ++i)
        if (!Transparent(image, i))
            colours.push_back(Rgb(image, i));
    std::sort(colours.begin() + 1, colours.end());
    colours.erase(std::unique(colours.begin() + 1, colours.end()), colours.end());
    if (colours.size() > 1 && colours[1] == 0)
        colours.erase(colours.begin() + 1);
    if (colours.size() > 256)
        throw std::runtime_error(name + ": " + std::to_string(colours.size()) +
                                 " colours with black; quantise to 255 or fewer first");
    return colours;
}

std::vector<std::uint8_t> MakeDib(const Entry& entry, const std::string& name)
{
    const Image& image = entry.image;
    const int size = image.size;
    const std::size_t colourRow = RowBytes(size, entry.bits);
    const std::size_t maskRow = RowBytes(size, 1);
    const std::size_t bitmapBytes = (colourRow + maskRow) * static_cast<std::size_t>(size);

    std::vector<std::uint8_t> dib;
    Put32(dib, 40);  // BITMAPINFOHEADER
    Put32(dib, static_cast<std::uint32_t>(size));
    Put32(dib, static_cast<std::uint32_t>(size * 2));  // colour bitmap and mask stacked
    Put16(dib, 1);
    Put16(dib, static_cast<unsigned>(entry.bits));
    Put32(dib, 0);  // BI_RGB
    Put32(dib, static_cast<std::uint32_t>(bitmapBytes));
    Put32(dib, 0);
    Put32(dib, 0);
    Put32(dib, 0);  // all 256 palette entries are stored
    Put32(dib, 0);

    std::map<std::uint32_t, std::uint8_t> index;
    if (entry.bits == 8) {
        const std::vector<std::uint32_t> palette = MakePalette(image, name);
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint32_t rgb = i < palette.size() ? palette[i] : 0;
            Put32(dib, rgb);  // stored as blue, green, red, 0
            if (i < palette.size())
                index[rgb] = static_cast<std::uint8_t>(i);
        }
    }

    // Bottom-up rows.
    for (int y = size - 1; y >= 0; --y) {
        const std::size_t rowStart = dib.size();
        for (int x = 0; x < size; ++x) {
            const std::size_t pixel = static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x);
            const std::uint8_t* p = &image.rgba[pixel * 4];
            if (entry.bits == 8) {
                dib.push_back(Transparent(image, pixel) ? 0 : index.at(Rgb(image, pixel)));
            } else if (p[3] == 0) {
                dib.insert(dib.end(), 4, 0);
            } else {
                dib.insert(dib.end(), {p[2], p[1], p[0], p[3]});
            }
        }
        dib.resize(rowStart + colourRow, 0);
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRow, 0);
        for (int x = 0; x < size; ++x) {
            const std::size_t pixel = static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x);
            if (Transparent(image, pixel))
                row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        }
        dib.insert(dib.end(), row.begin(), row.end());
    }
    return dib;
}

std::vector<std::uint8_t> MakeIcon(const std::vector<Entry>& entries, const std::vector<std::string>& names)
{
    std::vector<std::vector<std::uint8_t>> dibs;
    for (std::size_t i = 0; i < entries.size(); ++i)
        dibs.push_back(MakeDib(entries[i], names[i]));

    std::vector<std::uint8_t> ico;
    Put16(ico, 0);
    Put16(ico, 1);  // icon, not cursor
    Put16(ico, static_cast<unsigned>(entries.size()));
    std::size_t offset = 6 + 16 * entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int size = entries[i].image.size;
        ico.push_back(static_cast<std::uint8_t>(size == 256 ? 0 : size));
        ico.push_back(static_cast<std::uint8_t>(size == 256 ? 0 : size));
        ico.push_back(0);  // colour count: 0 when there are 256 or more
        ico.push_back(0);
        Put16(ico, 1);
        Put16(ico, static_cast<unsigned>(entries[i].bits));
        Put32(ico, static_cast<std::uint32_t>(dibs[i].size()));
        Put32(ico, static_cast<std::uint32_t>(offset));
        offset += dibs[i].size();
    }
    for (const auto& dib : dibs)
        ico.insert(ico.end(), dib.begin(), dib.end());
    return ico;
}

Entry ReadEntry(const std::string& argument)
{
    const std::size_t colon = argument.find(':');
    const std::string bits = argument.substr(0, colon);
    if (colon == std::string::npos || (bits != "8" && bits != "32"))
        throw std::runtime_error(argument + ": expected 8:FILE or 32:FILE");
    const std::string path = argument.substr(colon + 1);
    return {std::stoi(bits), ParsePam(ReadFile(path), path)};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: zel_icowriter OUT.ico BITS:IMAGE.pam [BITS:IMAGE.pam ...]\n";
        return 2;
    }
    try {
        std::vector<Entry> entries;
        std::vector<std::string> names;
        for (int i = 2; i < argc; ++i) {
            entries.push_back(ReadEntry(argv[i]));
            names.emplace_back(argv[i]);
        }
        const std::vector<std::uint8_t> ico = MakeIcon(entries, names);
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(ico.data()), static_cast<std::streamsize>(ico.size()));
        if (!out.flush())
            throw std::runtime_error(std::string("cannot write ") + argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "zel_icowriter: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
