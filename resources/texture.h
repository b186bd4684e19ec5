// texture.h -- one OpenGL texture and the RGBA picture it was made from, read from BMP, TGA or PNG.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qm {

class FileSource;

// Why the last image read ended as it did, kept so that tools can report it
// without reading the file again.
enum class ImageStatus {
    Ok,
    CannotOpen,        // the file is missing or unreadable
    UnknownExtension,  // the name ends in none of bmp, png, tga
    NotThisFormat,     // wrong signature or a kind of file this reader does not know
    Unsupported,       // a known variant the reader refuses (RLE, OS/2 header, 1-bit, 16-bit PNG ...)
    Truncated,         // the header promises more bytes than the file has
    TooLarge,          // dimensions beyond kMaxImageSide / kMaxImagePixels
    Damaged,           // contradictory header fields or a corrupt PNG stream
    OutOfMemory,
};

// A short lower-case description ("cannot open", "truncated", ...).
const char* imageStatusText(ImageStatus status);

// What the last image read noticed beyond its status, kept for tools: the header
// field for which a known variant was refused, or what makes a picture that was
// read look other than its file intends.
struct ImageNote {
    enum class Kind {
        None,
        BmpCoreHeader,      // the 12-byte OS/2 header (refused)
        BmpCompression,     // `value` is biCompression, neither none nor bit fields (refused)
        BmpBitsPerPixel,    // `value` is a depth other than 4, 8, 16, 24 or 32 (refused)
        BmpColoursMissing,  // `value` entries in the colour table; pixels use colours past them, drawn black
        TgaImageType,       // `value` is an image type other than uncompressed true colour (refused)
        TgaColourMap,       // true colour with a colour map (refused)
        TgaBitsPerPixel,    // `value` is a depth other than 24 or 32 (refused)
        TgaTopOrigin,       // the origin is at the top; rows are still taken in file order
    };
    Kind kind = Kind::None;
    uint32_t value = 0;
};

// Pictures larger than this are refused before anything is allocated.
inline constexpr int32_t kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t{8192} * 8192;  // 256 MiB as RGBA

// GL enum values used by the materials script and the font (the GL headers are
// kept out of this header).
namespace gl {
inline constexpr int32_t kClamp = 0x2900;
inline constexpr int32_t kRepeat = 0x2901;
inline constexpr int32_t kClampToEdge = 0x812F;
inline constexpr int32_t kNearest = 0x2600;
inline constexpr int32_t kLinear = 0x2601;
inline constexpr int32_t kNearestMipmapNearest = 0x2700;
inline constexpr int32_t kLinearMipmapNearest = 0x2701;
inline constexpr int32_t kNearestMipmapLinear = 0x2702;
inline constexpr int32_t kLinearMipmapLinear = 0x2703;
}  // namespace gl

class Texture {
public:
    Texture() = default;
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    Texture(Texture&& other) noexcept;
    Texture& operator=(Texture&& other) noexcept;

    // Drops the current picture, then picks the reader by the last three characters
    // of the path ("bmp", "png", "tga", any case; no dot needed) and reads the file
    // from `files`. True when a picture was read; status() says why not.
    bool loadImage(std::string_view path, FileSource& files);
    // The readers, on a file image in memory.
    bool readBmpData(std::string_view bytes);
    bool readTgaData(std::string_view bytes);
    bool readPngData(std::string_view bytes);

    ImageStatus status() const { return status_; }
    const ImageNote& note() const { return note_; }
    bool hasPicture() const { return !pixels.empty(); }

    // Converts `height` rows of `width` 3-byte pixels into `pixels` with alpha 255;
    // `swapRb` takes the source as blue, green, red. `rowPadding` bytes are skipped
    // after each source row. The caller guarantees the source is large enough.
    void expandRgb(const uint8_t* source, size_t rowPadding, bool swapRb);
    void swapRedBlue();
    void setAlpha(uint8_t value);

    // Store only; the values reach OpenGL at the next upload. Unknown wrap modes
    // leave the mode as it was; unknown filters become GL_LINEAR.
    void setWrap(int32_t s, int32_t t);
    void setFilter(int32_t minification, int32_t magnification);
    // Creates the texture object (dropping an earlier one) with a full mipmap chain;
    // without a picture the object gets its parameters but no image. Leaves it bound.
    void upload();
    // Binds the texture object; without one, whatever was bound stays bound.
    void bind() const;
    // Frees the picture and deletes the texture object.
    void release();

    uint32_t glName = 0;  // 0 = no texture object
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    std::vector<uint8_t> pixels;  // RGBA rows in file order; empty = no picture
    // BMP colour table (blue, green, red, reserved): 256 entries once a BMP of 8 or
    // fewer bits has been read, empty before, so that the many textures that never
    // see one (a materials script may make thousands) do not carry it.
    std::vector<std::array<uint8_t, 4>> palette;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    int32_t wrapS = gl::kClamp;
    int32_t wrapT = gl::kClamp;
    int32_t minFilter = gl::kLinear;
    int32_t magFilter = gl::kLinear;
    int32_t byteLength = 0;  // length of the file's pixel data block as the reader takes it

private:
    bool finish(ImageStatus status, ImageNote note = {});

    ImageStatus status_ = ImageStatus::Ok;
    ImageNote note_;
};

}  // namespace qm
