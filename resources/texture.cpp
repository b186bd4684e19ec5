// texture.cpp -- reader choice, pixel conversions and the OpenGL side of Texture (upload, bind, clean-up).
#include "resources/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cctype>
#include <string>
#include <utility>

#include "base/paths.h"

namespace qm {

namespace {

bool endsWithIgnoringCase(std::string_view path, std::string_view ending) {
    if (path.size() < ending.size()) return false;
    const std::string_view tail = path.substr(path.size() - ending.size());
    for (size_t i = 0; i < ending.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(tail[i])) != ending[i]) return false;
    return true;
}

bool isWrapMode(int32_t mode) {
    return mode == gl::kClamp || mode == gl::kRepeat || mode == gl::kClampToEdge;
}

bool isKeptMinFilter(int32_t filter) {
    return filter == gl::kNearest || filter == gl::kNearestMipmapNearest ||
           filter == gl::kLinearMipmapNearest || filter == gl::kNearestMipmapLinear ||
           filter == gl::kLinearMipmapLinear;
}

}  // namespace

const char* imageStatusText(ImageStatus status) {
    switch (status) {
        case ImageStatus::Ok:
            return "read";
        case ImageStatus::CannotOpen:
            return "cannot open";
        case ImageStatus::UnknownExtension:
            return "name ends in none of bmp, png, tga";
        case ImageStatus::NotThisFormat:
            return "not a file of this format";
        case ImageStatus::Unsupported:
            return "unsupported variant";
        case ImageStatus::Truncated:
            return "truncated";
        case ImageStatus::TooLarge:
            return "too large";
        case ImageStatus::Damaged:
            return "damaged";
        case ImageStatus::OutOfMemory:
            return "out of memory";
    }
    return "unknown";
}

Texture::~Texture() {
    release();
}

Texture::Texture(Texture&& other) noexcept {
    *this = std::move(other);
}

Texture& Texture::operator=(Texture&& other) noexcept {
    if (this == &other) return *this;
    release();
    glName = std::exchange(other.glName, 0);
    width = other.width;
    height = other.height;
    bitsPerPixel = other.bitsPerPixel;
    pixels = std::move(other.pixels);
    other.pixels.clear();
    palette = std::move(other.palette);
    other.palette.clear();
    redMask = other.redMask;
    greenMask = other.greenMask;
    blueMask = other.blueMask;
    wrapS = other.wrapS;
    wrapT = other.wrapT;
    minFilter = other.minFilter;
    magFilter = other.magFilter;
    byteLength = other.byteLength;
    status_ = other.status_;
    note_ = other.note_;
    return *this;
}

bool Texture::loadImage(std::string_view path, FileSource& files) {
    std::vector<uint8_t>().swap(pixels);
    bool (Texture::*reader)(std::string_view) = nullptr;
    if (endsWithIgnoringCase(path, "bmp"))
        reader = &Texture::readBmpData;
    else if (endsWithIgnoringCase(path, "png"))
        reader = &Texture::readPngData;
    else if (endsWithIgnoringCase(path, "tga"))
        reader = &Texture::readTgaData;
    else
        return finish(ImageStatus::UnknownExtension);
    std::string bytes;
    if (!files.read(path, bytes)) return finish(ImageStatus::CannotOpen);
    return (this->*reader)(bytes);
}

bool Texture::finish(ImageStatus status, ImageNote note) {
    status_ = status;
    note_ = note;
    if (status != ImageStatus::Ok) std::vector<uint8_t>().swap(pixels);
    return status == ImageStatus::Ok;
}

void Texture::expandRgb(const uint8_t* source, size_t rowPadding, bool swapRb) {
    const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
    const size_t h = height > 0 ? static_cast<size_t>(height) : 0;
    if (pixels.size() < w * h * 4) return;
    const int r = swapRb ? 2 : 0;
    const int b = swapRb ? 0 : 2;
    uint8_t* out = pixels.data();
    for (size_t y = 0; y < h; ++y) {
        for (size_t x = 0; x < w; ++x, source += 3, out += 4) {
            out[0] = source[r];
            out[1] = source[1];
            out[2] = source[b];
            out[3] = 255;
        }
        source += rowPadding;
    }
}

void Texture::swapRedBlue() {
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
}

void Texture::setAlpha(uint8_t value) {
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = value;
}

void Texture::setWrap(int32_t s, int32_t t) {
    if (isWrapMode(s)) wrapS = s;
    if (isWrapMode(t)) wrapT = t;
}

void Texture::setFilter(int32_t minification, int32_t magnification) {
    minFilter = isKeptMinFilter(minification) ? minification : gl::kLinear;
    magFilter = magnification == gl::kNearest ? gl::kNearest : gl::kLinear;
}

void Texture::upload() {
    if (glName != 0) {
        GLuint old = glName;
        glDeleteTextures(1, &old);
        glName = 0;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glName = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    // A texture without a picture keeps its parameters but gets no image.
    if (hasPicture() && pixels.size() >= static_cast<size_t>(width) * static_cast<size_t>(height) * 4)
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}

void Texture::bind() const {
    if (glName != 0) glBindTexture(GL_TEXTURE_2D, glName);
}

void Texture::release() {
    std::vector<uint8_t>().swap(pixels);
    if (glName != 0) {
        GLuint name = glName;
        glDeleteTextures(1, &name);
        glName = 0;
    }
}

}  // namespace qm
