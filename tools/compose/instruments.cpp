// instruments.cpp -- synthesis of the demo song's samples: sine and noise drums, additive saws, FM bell.
#include "compose/instruments.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <string>

namespace qm::demosong {

namespace {

using modwrite::EnvelopePoint;
using modwrite::Instrument;

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * kPi;
constexpr double kPeak = 0.9;  // every sample is scaled to this share of full scale

// Sample rates of the one-shots: drums need less than cymbals.
constexpr int kDrumRate = 22050;
constexpr int kCymbalRate = 44100;

// Pitched instruments: one waveform cycle is kCycle samples, so the sample plays
// middle C when it is played at kMiddleCHz * kCycle samples per second.
constexpr int kCycle = 128;

// A repeatable white noise in [-1, 1] (xorshift32).
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_ / 2147483647.5 - 1.0;
    }

private:
    uint32_t state_;
};

// One-pole low-pass; high-pass is the input minus it.
class OnePole {
public:
    OnePole(double cutoffHz, int rate) : a_(1.0 - std::exp(-kTwoPi * cutoffHz / rate)) {}
    double lowPass(double x) { return z_ += a_ * (x - z_); }
    double highPass(double x) { return x - lowPass(x); }

private:
    double a_;
    double z_ = 0;
};

// Scales to kPeak of full scale and rounds to 16-bit PCM.
std::vector<int16_t> toPcm(const std::vector<double>& signal) {
    double peak = 0;
    for (double x : signal) peak = std::max(peak, std::abs(x));
    const double gain = peak > 0 ? kPeak * 32767.0 / peak : 0.0;
    std::vector<int16_t> pcm(signal.size());
    for (size_t i = 0; i < signal.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(std::clamp(signal[i] * gain, -32767.0, 32767.0)));
    return pcm;
}

// Ramps the last `seconds` of a one-shot down to zero, so that it ends without a click.
void fadeTail(std::vector<double>& signal, int rate, double seconds) {
    const size_t n = std::min(signal.size(), static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < n; ++i) signal[signal.size() - 1 - i] *= static_cast<double>(i) / n;
}

double softClip(double x, double drive) {
    return std::tanh(drive * x) / std::tanh(drive);
}

Instrument named(const char* name, std::vector<double> signal, int rate) {
    Instrument ins;
    ins.name = name;
    ins.samples = toPcm(signal);
    ins.middleRate = rate;
    return ins;
}

modwrite::Envelope envelope(std::vector<EnvelopePoint> points, int sustain = -1) {
    modwrite::Envelope env;
    env.points = std::move(points);
    env.sustain = sustain;
    return env;
}

// ---------------------------------------------------------------- drums

// A sine whose pitch drops from a click to a low thump.
Instrument kick() {
    const int n = static_cast<int>(0.45 * kDrumRate);
    std::vector<double> s(n);
    Noise noise(0x6b1c);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kDrumRate;
        const double hz = 44.0 + 130.0 * std::exp(-t / 0.03) + 260.0 * std::exp(-t / 0.004);
        phase += kTwoPi * hz / kDrumRate;
        const double body = std::sin(phase) * std::exp(-t / 0.13) * std::min(1.0, t / 0.001);
        const double click = 0.25 * noise.next() * std::exp(-t / 0.0015);
        s[i] = softClip(body + click, 1.5);
    }
    fadeTail(s, kDrumRate, 0.04);
    return named("kick", std::move(s), kDrumRate);
}

// A short falling tone under a burst of band-passed noise.
Instrument snare() {
    const int n = static_cast<int>(0.32 * kDrumRate);
    std::vector<double> s(n);
    Noise noise(0x5a4e);
    OnePole bottom(1200, kDrumRate), top(7000, kDrumRate);  // the band the hiss keeps
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kDrumRate;
        phase += kTwoPi * (180.0 + 70.0 * std::exp(-t / 0.015)) / kDrumRate;
        const double body = 0.75 * std::sin(phase) * std::exp(-t / 0.045);
        const double hiss = top.lowPass(bottom.highPass(noise.next())) * 1.6 * std::exp(-t / 0.09);
        s[i] = softClip((body + hiss) * std::min(1.0, t / 0.0008), 1.4);
    }
    fadeTail(s, kDrumRate, 0.03);
    return named("snare", std::move(s), kDrumRate);
}

// High-passed noise with a few detuned square waves for a metallic ring.
std::vector<double> cymbalNoise(int n, uint32_t seed, double cutoffHz) {
    static constexpr double kPartials[] = {1047, 1480, 1863, 2489, 3127, 3951};
    std::vector<double> s(n);
    Noise noise(seed);
    OnePole a(cutoffHz, kCymbalRate), b(cutoffHz, kCymbalRate);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kCymbalRate;
        double ring = 0;
        for (double hz : kPartials) ring += std::sin(kTwoPi * hz * t) >= 0 ? 1.0 : -1.0;
        s[i] = b.highPass(a.highPass(noise.next() + 0.12 * ring));
    }
    return s;
}

Instrument closedHat() {
    std::vector<double> s = cymbalNoise(static_cast<int>(0.08 * kCymbalRate), 0x4a7c, 6500);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kCymbalRate;
        s[i] *= std::exp(-t / 0.016) * std::min(1.0, t / 0.0005);
    }
    fadeTail(s, kCymbalRate, 0.01);
    return named("closed hat", std::move(s), kCymbalRate);
}

// A burst that settles into a loop of steady noise; the volume envelope makes the decay.
Instrument loopedNoise(const char* name, double attackSeconds, double loopSeconds, uint32_t seed,
                       double cutoffHz, modwrite::Envelope env, bool sixteenBit) {
    const int attack = static_cast<int>(attackSeconds * kCymbalRate);
    const int loop = static_cast<int>(loopSeconds * kCymbalRate);
    std::vector<double> s = cymbalNoise(attack + loop, seed, cutoffHz);
    for (int i = 0; i < attack; ++i) s[i] *= 1.0 + 0.5 * (1.0 - static_cast<double>(i) / attack);
    Instrument ins = named(name, std::move(s), kCymbalRate);
    ins.loopStart = attack;
    ins.loopEnd = attack + loop;
    ins.volumeEnvelope = std::move(env);
    ins.sixteenBit = sixteenBit;
    return ins;
}

Instrument openHat() {
    return loopedNoise("open hat", 0.02, 0.1, 0x0a11, 6000,
                       envelope({{0, 64}, {3, 44}, {8, 28}, {16, 14}, {26, 5}, {36, 0}}), true);
}

Instrument crash() {
    return loopedNoise("crash", 0.05, 0.3, 0xc4a5, 3000,
                       envelope({{0, 64}, {4, 50}, {16, 34}, {48, 18}, {96, 8}, {144, 3}, {180, 0}}), false);
}

// Band-passed noise held while the key is down: pitched up by the pattern, it rises.
Instrument sweep() {
    const int n = static_cast<int>(0.25 * kDrumRate);
    std::vector<double> s(n);
    Noise noise(0x5eed);
    OnePole bottom(500, kDrumRate), top(3000, kDrumRate);
    for (int i = 0; i < n; ++i) s[i] = top.lowPass(bottom.highPass(noise.next()));
    Instrument ins = named("riser", std::move(s), kDrumRate);
    ins.loopStart = 0;
    ins.loopEnd = n;
    ins.sixteenBit = false;
    ins.volumeEnvelope = envelope({{0, 64}, {2, 64}, {14, 0}}, 1);
    return ins;
}

// ---------------------------------------------------------------- pitched

// Sum of sines over `length` samples: for each (cycles, phase) oscillator, harmonics
// 1..harmonics of a wave with that many whole cycles in the buffer, weighted by `weight(h)`.
struct Oscillator {
    int cycles;
    double phase;
    double level;
};

std::vector<double> additive(int length, const std::vector<Oscillator>& oscillators, int harmonics,
                             const std::function<double(int)>& weight) {
    std::vector<double> s(length, 0.0);
    for (const Oscillator& o : oscillators) {
        for (int h = 1; h <= harmonics; ++h) {
            const double w = o.level * weight(h);
            const double step = kTwoPi * h * o.cycles / length;
            for (int i = 0; i < length; ++i) s[i] += w * std::sin(step * i + h * o.phase);
        }
    }
    return s;
}

// A sawtooth's harmonics (1/h) under a low-pass of the given corner, in harmonics.
double sawWeight(int h, double corner) {
    const double r = h / corner;
    return 1.0 / h / std::sqrt(1.0 + r * r * r * r);
}

Instrument pitched(const char* name, std::vector<double> s, int loopStart, int loopEnd,
                   modwrite::Envelope env, int fadeout) {
    Instrument ins = named(name, std::move(s), static_cast<int>(std::lround(kMiddleCHz * kCycle)));
    ins.loopStart = loopStart;
    ins.loopEnd = loopEnd;
    ins.volumeEnvelope = std::move(env);
    ins.fadeout = fadeout;
    return ins;
}

// Three saws a few cents apart: 127, 128 and 129 cycles in 16384 samples.
Instrument lead() {
    const int length = 128 * kCycle;
    std::vector<double> s = additive(length, {{127, 0.3, 0.8}, {128, 0.0, 1.0}, {129, 1.7, 0.8}}, 24,
                                     [](int h) { return sawWeight(h, 12); });
    return pitched("lead", std::move(s), 0, length,
                   envelope({{0, 40}, {2, 64}, {12, 50}, {40, 44}, {52, 0}}, 3), 0x300);
}

// Five soft saws spread over half a semitone.
Instrument pad() {
    const int length = 128 * kCycle;
    std::vector<double> s = additive(
        length, {{125, 0.0, 0.7}, {127, 2.1, 0.9}, {128, 4.0, 1.0}, {129, 1.1, 0.9}, {131, 5.3, 0.7}}, 20,
        [](int h) { return sawWeight(h, 5); });
    return pitched("pad", std::move(s), 0, length,
                   envelope({{0, 0}, {10, 40}, {24, 56}, {48, 52}, {120, 0}}, 3), 0x200);
}

// A plucked saw: bright at the attack, darkening cycle by cycle into a dark loop.
Instrument bass() {
    constexpr int kAttackCycles = 32, kLoopCycles = 8;
    std::vector<double> s((kAttackCycles + kLoopCycles) * kCycle);
    for (int c = 0; c < kAttackCycles + kLoopCycles; ++c) {
        const double corner = 3.0 + 24.0 * std::exp(-std::min(c, kAttackCycles) / 5.0);
        for (int h = 1; h <= 40; ++h) {
            const double w = sawWeight(h, corner) + (h == 1 ? 0.3 : 0.0);
            for (int i = 0; i < kCycle; ++i) s[c * kCycle + i] += w * std::sin(kTwoPi * h * i / kCycle);
        }
    }
    return pitched("bass", std::move(s), kAttackCycles * kCycle, (kAttackCycles + kLoopCycles) * kCycle,
                   envelope({{0, 64}, {8, 54}, {24, 46}, {30, 0}}, 2), 0x800);
}

// Two-operator FM: a 1:1 modulator for the body and a 1:14 "tine" for the strike,
// both fading into a steady soft tone that loops.
Instrument bell() {
    constexpr int kAttackCycles = 48, kLoopCycles = 8;
    std::vector<double> s((kAttackCycles + kLoopCycles) * kCycle);
    for (size_t i = 0; i < s.size(); ++i) {
        const double cycles = std::min(static_cast<double>(i) / kCycle, static_cast<double>(kAttackCycles));
        const double body = 0.35 + 1.1 * std::exp(-cycles / 10.0);
        const double tine = 1.2 * std::exp(-cycles / 3.0);
        const double theta = kTwoPi * static_cast<double>(i % kCycle) / kCycle;
        s[i] = std::sin(theta + body * std::sin(theta) + tine * std::sin(14 * theta));
    }
    return pitched("bell", std::move(s), kAttackCycles * kCycle, (kAttackCycles + kLoopCycles) * kCycle,
                   envelope({{0, 64}, {3, 52}, {12, 36}, {36, 18}, {72, 6}, {110, 0}}), 0x400);
}

}  // namespace

std::vector<modwrite::Instrument> makeInstruments() {
    std::vector<Instrument> all(kVoiceCount);
    all[kKick - 1] = kick();
    all[kSnare - 1] = snare();
    all[kClosedHat - 1] = closedHat();
    all[kOpenHat - 1] = openHat();
    all[kCrash - 1] = crash();
    all[kBass - 1] = bass();
    all[kLead - 1] = lead();
    all[kPad - 1] = pad();
    all[kBell - 1] = bell();
    all[kSweep - 1] = sweep();
    return all;
}

}  // namespace qm::demosong
