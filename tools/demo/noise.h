// noise.h -- deterministic hashing and tileable value noise for the generated textures.
#pragma once

#include <cstdint>

namespace qm::demo {

// A well-mixed 32-bit hash of a lattice point; the same inputs give the same value on every run.
uint32_t hashPoint(int x, int y, uint32_t seed);
// The hash as a float in 0..1.
float hashUnit(int x, int y, uint32_t seed);

// Smoothly interpolated lattice noise in 0..1 that repeats every `period` units in x and y.
float valueNoise(float x, float y, int period, uint32_t seed);
// Sum of `octaves` layers of value noise, each of twice the frequency and half the weight of
// the one before, scaled back to 0..1. x and y are in 0..1 of one tile; the result tiles.
float fractalNoise(float x, float y, int basePeriod, int octaves, uint32_t seed);

float smoothstep(float edge0, float edge1, float x);
float clamp01(float v);

}  // namespace qm::demo
