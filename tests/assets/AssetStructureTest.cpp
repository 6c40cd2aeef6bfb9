// The two images in assets/ (made by assets/make-assets.py) have the structure the
// window, the tray and the executable's resources rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAsset(const std::string& name) {
    std::ifstream in(std::string(VEDODUD_ASSETS_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Little-endian unsigned integer of 1, 2 or 4 bytes; 0 when it lies outside the data.
std::uint32_t Le(const Bytes& b, std::size_t offset, std::size_t size) {
    if (offset + size > b.size()) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | b[offset + i];
    return value;
}

struct Field {
    const char* name;
    std::size_t offset;
    std::size_t size;
    std::uint32_t expected;
};

void ExpectFields(const Bytes& data, std::initializer_list<Field> fields) {
    for (const Field& f : fields) EXPECT_EQ(Le(data, f.offset, f.size), f.expected) << f.name;
}

// ---------------------------------------------------------------------------------------
// The icon: ICONDIR (6 bytes), one ICONDIRENTRY (16), then the image: BITMAPINFOHEADER,
// 32 x 32 BGR pixels bottom-up, the 1-bit AND mask (1 = transparent).

constexpr std::size_t kIconImage = 22, kDib = 40, kXorBytes = 32 * 32 * 3, kAndBytes = 32 * 4;

TEST(IconFile, HasOneEntryOf32By32At24BitsWithAMask) {
    const Bytes ico = ReadAsset("vedodud.ico");
    ASSERT_EQ(ico.size(), 3266u);
    ExpectFields(ico, {
                          {"ICONDIR reserved", 0, 2, 0},
                          {"ICONDIR type (1 = icon)", 2, 2, 1},
                          {"ICONDIR count", 4, 2, 1},
                          {"entry width", 6, 1, 32},
                          {"entry height", 7, 1, 32},
                          {"entry colour count", 8, 1, 0},
                          {"entry reserved", 9, 1, 0},
                          {"entry planes", 10, 2, 1},
                          {"entry bit count", 12, 2, 24},
                          {"entry bytes in resource", 14, 4, 3244},
                          {"entry image offset", 18, 4, kIconImage},
                          {"biSize", kIconImage + 0, 4, kDib},
                          {"biWidth", kIconImage + 4, 4, 32},
                          {"biHeight (image and mask)", kIconImage + 8, 4, 64},
                          {"biPlanes", kIconImage + 12, 2, 1},
                          {"biBitCount", kIconImage + 14, 2, 24},
                          {"biCompression (BI_RGB)", kIconImage + 16, 4, 0},
                          {"biSizeImage (both bitmaps)", kIconImage + 20, 4, kXorBytes + kAndBytes},
                          {"biClrUsed (no colour table)", kIconImage + 32, 4, 0},
                      });
    // The entry's image runs to the end of the file and holds the whole DIB.
    EXPECT_EQ(Le(ico, 18, 4) + Le(ico, 14, 4), ico.size());
    EXPECT_GE(Le(ico, 14, 4), kDib + kXorBytes + kAndBytes);
}

struct IconPixel {
    bool transparent;
    std::uint8_t r, g, b;
};

IconPixel IconPixelAt(const Bytes& ico, int x, int y) {  // y counts from the top
    const std::size_t row = 31 - y, xorAt = kIconImage + kDib, andAt = xorAt + kXorBytes;
    const std::uint8_t* bgr = &ico[xorAt + row * 96 + x * 3];
    return {((ico[andAt + row * 4 + x / 8] >> (7 - x % 8)) & 1) != 0, bgr[2], bgr[1], bgr[0]};
}

TEST(IconFile, ShowsARedDiscWithAWhiteTickOutsideOfWhichIsTransparent) {
    const Bytes ico = ReadAsset("vedodud.ico");
    ASSERT_EQ(ico.size(), 3266u);
    int opaque = 0, red = 0, white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const IconPixel p = IconPixelAt(ico, x, y);
            // Masked pixels are black (screen AND 1 XOR 0); none of the picture is pure black.
            EXPECT_EQ(p.transparent, (p.r | p.g | p.b) == 0) << "at " << x << "," << y;
            if (p.transparent) continue;
            ++opaque;
            red += p.r > 90 && p.r > 2 * p.g && p.r > 2 * p.b;
            white += p.r > 235 && p.g > 235 && p.b > 235;
        }
    }
    EXPECT_TRUE(IconPixelAt(ico, 0, 0).transparent && IconPixelAt(ico, 31, 0).transparent &&
                IconPixelAt(ico, 31, 31).transparent)
        << "corners outside the disc";
    EXPECT_FALSE(IconPixelAt(ico, 3, 28).transparent)
        << "the badge, outside the disc in the lower-left corner";
    EXPECT_GT(opaque, 700);  // the disc alone covers about 740 pixels
    EXPECT_GT(red, opaque / 2);
    EXPECT_GT(white, 30);  // the tick
}

// ---------------------------------------------------------------------------------------
// The logo: a GIF89a walked block by block, its one image decoded.

// Standard GIF LZW decoding; nothing when the stream is malformed or does not end at EOI.
std::optional<Bytes> DecodeLzw(const Bytes& data, int minCodeSize) {
    const int clear = 1 << minCodeSize, eoi = clear + 1;
    std::vector<int> prefix(4096, -1);
    Bytes suffix(4096), first(4096), out, entry;
    for (int i = 0; i < clear; ++i) suffix[i] = first[i] = static_cast<std::uint8_t>(i);
    std::size_t bit = 0;
    int size = minCodeSize + 1, next = eoi + 1, prev = -1;
    for (;;) {
        if (bit + size > data.size() * 8) return std::nullopt;
        int code = 0;
        for (int i = 0; i < size; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == clear) {
            size = minCodeSize + 1, next = eoi + 1, prev = -1;
            continue;
        }
        if (code == eoi) {
            if ((bit + 7) / 8 != data.size()) return std::nullopt;
            return out;
        }
        if (prev < 0 ? code > clear : code > next || (code == next && next == 4096)) return std::nullopt;
        if (prev >= 0 && next < 4096) {
            prefix[next] = prev;
            first[next] = first[prev];
            suffix[next] = code == next ? first[prev] : first[code];
            if (++next == (1 << size) && size < 12) ++size;
        }
        entry.clear();
        for (int c = code; c >= 0; c = prefix[c]) entry.push_back(suffix[c]);
        out.insert(out.end(), entry.rbegin(), entry.rend());
        prev = code;
    }
}

struct Gif {
    std::string signature;
    std::uint32_t width = 0, height = 0, packed = 0, background = 0;
    Bytes palette;
    int controlExtensions = 0, transparentFlag = -1, transparentIndex = -1;
    int images = 0, imagePacked = -1;
    std::uint32_t imageWidth = 0, imageHeight = 0;
    std::optional<Bytes> pixels;
    bool endsWithTrailer = false;
};

Gif ParseGif(const Bytes& b) {
    Gif gif;
    if (b.size() < 13) return gif;
    gif.signature.assign(b.begin(), b.begin() + 6);
    gif.width = Le(b, 6, 2), gif.height = Le(b, 8, 2), gif.packed = b[10], gif.background = b[11];
    std::size_t at = 13;
    if (gif.packed & 0x80) {
        const std::size_t entries = std::size_t{2} << (gif.packed & 7);
        if (at + 3 * entries > b.size()) return gif;
        gif.palette.assign(b.begin() + at, b.begin() + at + 3 * entries);
        at += 3 * entries;
    }
    const auto subBlocks = [&](Bytes* into) {  // skips (or gathers) data sub-blocks
        while (at < b.size() && b[at] != 0) {
            const std::size_t n = b[at];
            if (into && at + 1 + n <= b.size())
                into->insert(into->end(), b.begin() + at + 1, b.begin() + at + 1 + n);
            at += 1 + n;
        }
        ++at;
    };
    while (at < b.size()) {
        const std::uint8_t block = b[at++];
        if (block == 0x3B) {
            gif.endsWithTrailer = at == b.size();
            break;
        }
        if (block == 0x21 && at < b.size()) {
            const std::uint8_t label = b[at++];
            if (label == 0xF9 && at + 5 <= b.size() && b[at] == 4) {
                ++gif.controlExtensions;
                gif.transparentFlag = b[at + 1] & 1;
                gif.transparentIndex = b[at + 4];
            }
            subBlocks(nullptr);
        } else if (block == 0x2C && at + 10 <= b.size()) {
            ++gif.images;
            gif.imageWidth = Le(b, at + 4, 2), gif.imageHeight = Le(b, at + 6, 2),
            gif.imagePacked = b[at + 8];
            at += 9;
            if (gif.imagePacked & 0x80) at += 3 * (std::size_t{2} << (gif.imagePacked & 7));
            if (at >= b.size()) break;
            const int minCodeSize = b[at++];
            Bytes stream;
            subBlocks(&stream);
            gif.pixels = DecodeLzw(stream, minCodeSize);
        } else {
            break;  // not a GIF block: endsWithTrailer stays false
        }
    }
    return gif;
}

TEST(LogoFile, IsAnOpaqueSingleFrame300By100Gif89aWithA256ColourTable) {
    const Gif gif = ParseGif(ReadAsset("logo.gif"));
    EXPECT_EQ(gif.signature, "GIF89a");
    const struct {
        const char* name;
        std::int64_t actual, expected;
    } fields[] = {
        {"screen width", gif.width, 300},
        {"screen height", gif.height, 100},
        {"global colour table flag", gif.packed >> 7, 1},
        {"global colour table size (2 << n)", gif.packed & 7, 7},
        {"global colour table bytes", static_cast<std::int64_t>(gif.palette.size()), 3 * 256},
        {"background colour index", gif.background, 0},
        {"graphic-control extensions", gif.controlExtensions, 1},
        {"transparency flag", gif.transparentFlag, 1},
        {"transparent index", gif.transparentIndex, 255},
        {"image descriptors (frames)", gif.images, 1},
        {"image width", gif.imageWidth, 300},
        {"image height", gif.imageHeight, 100},
        {"local colour table flag", (gif.imagePacked >> 7) & 1, 0},
        {"interlace flag", (gif.imagePacked >> 6) & 1, 0},
    };
    for (const auto& f : fields) EXPECT_EQ(f.actual, f.expected) << f.name;
    EXPECT_TRUE(gif.endsWithTrailer);

    ASSERT_TRUE(gif.pixels.has_value()) << "the LZW stream does not decode";
    ASSERT_EQ(gif.pixels->size(), 300u * 100u);
    EXPECT_EQ(std::count(gif.pixels->begin(), gif.pixels->end(), 255), 0) << "the transparent index is used";
}

TEST(LogoFile, ShowsDarkLetteringAndTheMarkOnWhite) {
    const Gif gif = ParseGif(ReadAsset("logo.gif"));
    ASSERT_TRUE(gif.pixels.has_value() && gif.pixels->size() == 30000u && gif.palette.size() == 768u);
    const auto rgb = [&](std::uint8_t i) { return &gif.palette[3 * i]; };
    EXPECT_TRUE(rgb(0)[0] == 255 && rgb(0)[1] == 255 && rgb(0)[2] == 255)
        << "index 0, the background, is white";
    int white = 0, darkRight = 0, redLeft = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 300; ++x) {
            const std::uint8_t* c = rgb((*gif.pixels)[y * 300 + x]);
            white += c[0] == 255 && c[1] == 255 && c[2] == 255;
            darkRight += x >= 100 && c[0] + c[1] + c[2] < 3 * 128;
            redLeft += x < 100 && c[0] > 90 && c[0] > 2 * c[1] && c[0] > 2 * c[2];
        }
    }
    EXPECT_GT(white, 30000 / 2) << "the ground is white";
    EXPECT_GT(darkRight, 1000) << "lettering right of the mark";
    EXPECT_GT(redLeft, 2500) << "the red disc at the left";
}

}  // namespace
