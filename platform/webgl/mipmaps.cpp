// mipmaps.cpp -- GLU's power-of-two scaling and box-filtered halving, so that mipmapped textures match GL's.
#include "platform/webgl/mipmaps.h"

#include <algorithm>
#include <cmath>

namespace qmgl {

namespace {

constexpr int kChannels = 4;

int levelCount(int size) {
    int levels = 0;
    while (size > 1) size >>= 1, ++levels;
    return levels;
}

// Averages 2x2 blocks, rounding to nearest; a picture one texel wide or high averages
// pairs instead, truncating, as GLU does.
MipLevel halve(const MipLevel& in) {
    MipLevel out;
    out.width = std::max(in.width / 2, 1);
    out.height = std::max(in.height / 2, 1);
    out.rgba.resize(static_cast<size_t>(out.width) * out.height * kChannels);
    const size_t rowBytes = static_cast<size_t>(in.width) * kChannels;
    const uint8_t* src = in.rgba.data();
    uint8_t* dst = out.rgba.data();
    if (in.width == 1 || in.height == 1) {
        const size_t step = in.height == 1 ? kChannels : rowBytes;
        const int pairs = std::max(in.width, in.height) / 2;
        for (int p = 0; p < pairs; ++p, src += 2 * step)
            for (int k = 0; k < kChannels; ++k) *dst++ = static_cast<uint8_t>((src[k] + src[step + k]) / 2);
        return out;
    }
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* row = src + 2 * y * rowBytes;
        for (int x = 0; x < out.width; ++x, row += 2 * kChannels)
            for (int k = 0; k < kChannels; ++k)
                *dst++ = static_cast<uint8_t>(
                    (row[k] + row[kChannels + k] + row[rowBytes + k] + row[rowBytes + kChannels + k] + 2) /
                    4);
    }
    return out;
}

// One side of a box: where it starts and ends in input texels, each kept as a whole
// part and a single-precision fraction and stepped by adding, as GLU steps them, so
// that the weights, and so the truncated results, are the same.
struct Edge {
    int whole;
    float fraction;
};

void step(Edge& e, int wholeStep, float fractionStep) {
    e.whole += wholeStep;
    e.fraction += fractionStep;
    if (e.fraction > 1) {
        e.fraction -= 1.0f;
        ++e.whole;
    }
}

// Scales by the area-weighted box filter: each output texel averages the input
// texels under its box, partly covered ones by the covered share. The additions run
// in GLU's order (first row, last row, first and last column, then the inside) and
// the result is truncated, so that float rounding lands as it does there.
MipLevel scaleBox(const uint8_t* in, int widthIn, int heightIn, int widthOut, int heightOut) {
    MipLevel out;
    out.width = widthOut;
    out.height = heightOut;
    out.rgba.resize(static_cast<size_t>(widthOut) * heightOut * kChannels);
    const float convY = static_cast<float>(heightIn) / heightOut;
    const float convX = static_cast<float>(widthIn) / widthOut;
    const int convYWhole = static_cast<int>(std::floor(convY));
    const int convXWhole = static_cast<int>(std::floor(convX));
    const float convYFraction = convY - convYWhole;
    const float convXFraction = convX - convXWhole;
    const float area = convX * convY;
    const size_t rowBytes = static_cast<size_t>(widthIn) * kChannels;
    const size_t lastTexel = rowBytes * heightIn - kChannels;
    // A box may end just past the last column with a weight of (nearly) zero; GLU then
    // reads on into the next row. The read is kept inside the picture.
    auto texel = [&](int x, int y) { return in + std::min(y * rowBytes + x * kChannels, lastTexel); };

    Edge lowY{0, 0}, highY{convYWhole, convYFraction};
    for (int i = 0; i < heightOut; ++i) {
        highY.whole = std::min(highY.whole, heightIn - 1);
        Edge lowX{0, 0}, highX{convXWhole, convXFraction};
        for (int j = 0; j < widthOut; ++j) {
            float totals[kChannels] = {0, 0, 0, 0};
            auto add = [&](const uint8_t* p, float weight) {
                for (int k = 0; k < kChannels; ++k) totals[k] += p[k] * weight;
            };
            if (highY.whole > lowY.whole && highX.whole > lowX.whole) {
                for (const auto& [y, yShare] :
                     {std::pair{lowY.whole, 1 - lowY.fraction}, std::pair{highY.whole, highY.fraction}}) {
                    add(texel(lowX.whole, y), yShare * (1 - lowX.fraction));
                    for (int x = lowX.whole + 1; x < highX.whole; ++x) add(texel(x, y), yShare);
                    add(texel(highX.whole, y), yShare * highX.fraction);
                }
                for (int y = lowY.whole + 1; y < highY.whole; ++y) {
                    const uint8_t* left = texel(lowX.whole, y);
                    const uint8_t* right = texel(highX.whole, y);
                    for (int k = 0; k < kChannels; ++k)
                        totals[k] += left[k] * (1 - lowX.fraction) + right[k] * highX.fraction;
                }
            } else if (highY.whole > lowY.whole) {
                const float xShare = highX.fraction - lowX.fraction;
                add(texel(lowX.whole, lowY.whole), (1 - lowY.fraction) * xShare);
                for (int y = lowY.whole + 1; y < highY.whole; ++y) add(texel(lowX.whole, y), xShare);
                add(texel(lowX.whole, highY.whole), xShare * highY.fraction);
            } else if (highX.whole > lowX.whole) {
                const float yShare = highY.fraction - lowY.fraction;
                add(texel(lowX.whole, lowY.whole), (1 - lowX.fraction) * yShare);
                for (int x = lowX.whole + 1; x < highX.whole; ++x) add(texel(x, lowY.whole), yShare);
                add(texel(highX.whole, lowY.whole), yShare * highX.fraction);
            } else {
                add(texel(lowX.whole, lowY.whole),
                    (highY.fraction - lowY.fraction) * (highX.fraction - lowX.fraction));
            }
            for (int y = lowY.whole + 1; y < highY.whole; ++y)
                for (int x = lowX.whole + 1; x < highX.whole; ++x) add(texel(x, y), 1.0f);

            uint8_t* dst = &out.rgba[(static_cast<size_t>(i) * widthOut + j) * kChannels];
            for (int k = 0; k < kChannels; ++k)
                dst[k] = static_cast<uint8_t>(static_cast<int>(totals[k] / area));
            lowX = highX;
            step(highX, convXWhole, convXFraction);
        }
        lowY = highY;
        step(highY, convYWhole, convYFraction);
    }
    return out;
}

}  // namespace

int nearestPowerOfTwo(int size) {
    if (size <= 0) return 1;
    int power = 1;
    for (unsigned value = static_cast<unsigned>(size);; value >>= 1, power *= 2) {
        if (value == 1) return power;
        if (value == 3) return power * 4;
    }
}

std::vector<MipLevel> buildMipChain(const uint8_t* rgba, int width, int height) {
    std::vector<MipLevel> chain;
    if (width < 1 || height < 1) return chain;
    const int widthOut = nearestPowerOfTwo(width);
    const int heightOut = nearestPowerOfTwo(height);
    if (width == widthOut && height == heightOut) {
        MipLevel base;
        base.width = width, base.height = height;
        base.rgba.assign(rgba, rgba + static_cast<size_t>(width) * height * kChannels);
        chain.push_back(std::move(base));
    } else {
        chain.push_back(scaleBox(rgba, width, height, widthOut, heightOut));
    }
    const int levels = std::max(levelCount(widthOut), levelCount(heightOut));
    for (int level = 1; level <= levels; ++level) chain.push_back(halve(chain.back()));
    return chain;
}

}  // namespace qmgl
