// image_bytes.h -- little-endian field reads and non-throwing buffer allocation shared by the image readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

namespace qm::image {

// The caller has checked that the bytes are present.
inline uint16_t readU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t readI32(const uint8_t* p) {
    return static_cast<int32_t>(readU32(p));
}

// Sizes the buffer to `size` zeroed elements; false (buffer left empty) when memory runs out.
template <typename T>
bool tryAllocate(std::vector<T>& buffer, size_t size) noexcept {
    try {
        buffer.assign(size, T{});
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    std::vector<T>().swap(buffer);
    return false;
}

}  // namespace qm::image
