// Pixel surfaces and their PNG files (through libpng).
#include "platform/gdi32/surface.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

namespace platform::gdi {

Surface::Surface(int width, int height, std::uint32_t fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

std::uint32_t Surface::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void Surface::setPixel(int x, int y, std::uint32_t value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = value;
}

void Surface::resize(int width, int height, std::uint32_t fill) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, fill);
    for (int y = 0; y < std::min(height, height_); ++y) {
        std::copy_n(row(y), std::min(width, width_), pixels.data() + static_cast<std::size_t>(y) * width);
    }
    pixels_ = std::move(pixels);
    width_ = width;
    height_ = height;
}

namespace {

// Closes the file however the reading or writing ends.
struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool WritePng(const Surface& surface, const std::filesystem::path& file) {
    if (surface.width() <= 0 || surface.height() <= 0) return false;
    File stream(std::fopen(file.c_str(), "wb"));
    if (!stream) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(surface.width()) * 3);
    // libpng reports its errors by jumping back here.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, stream.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(surface.width()), static_cast<png_uint_32>(surface.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    for (int y = 0; y < surface.height(); ++y) {
        const std::uint32_t* pixels = surface.row(y);
        for (int x = 0; x < surface.width(); ++x) {
            row[x * 3] = static_cast<png_byte>(pixels[x] >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(pixels[x] >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(pixels[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(stream.get()) == 0;
}

std::optional<Surface> ReadPng(const std::filesystem::path& file) {
    File stream(std::fopen(file.c_str(), "rb"));
    if (!stream) return std::nullopt;
    png_byte signature[8];
    if (std::fread(signature, 1, sizeof signature, stream.get()) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0)
        return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return std::nullopt;
    }
    std::optional<Surface> surface;
    std::vector<png_byte> row;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    png_init_io(png, stream.get());
    png_set_sig_bytes(png, sizeof signature);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    int colorType = png_get_color_type(png, info);
    // Every form becomes 8-bit RGBA rows: palettes expanded, grey turned to colour, 16 bits cut to 8.
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
    if (png_get_bit_depth(png, info) < 8) png_set_packing(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA)) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (width > 1 << 15 || height > 1 << 15) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    surface.emplace(static_cast<int>(width), static_cast<int>(height));
    row.resize(static_cast<std::size_t>(width) * 4);
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, row.data(), nullptr);
        std::uint32_t* pixels = surface->row(static_cast<int>(y));
        for (png_uint_32 x = 0; x < width; ++x) {
            pixels[x] = (static_cast<std::uint32_t>(row[x * 4]) << 16) | (row[x * 4 + 1] << 8) | row[x * 4 + 2];
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return surface;
}

}  // namespace platform::gdi
