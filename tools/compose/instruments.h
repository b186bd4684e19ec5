// instruments.h -- the demo song's instruments: drums, bass, lead, pad, bell and a riser, synthesized into
// samples.
#pragma once

#include <vector>

#include "modwrite/module_writer.h"

namespace qm::demosong {

// Instrument numbers as the patterns use them (1-based, in the order makeInstruments returns them).
enum Voice : int {
    kKick = 1,
    kSnare,
    kClosedHat,
    kOpenHat,
    kCrash,
    kBass,
    kLead,
    kPad,
    kBell,
    kSweep,
    kVoiceCount = kSweep
};

// Every pitched instrument sounds middle C (261.63 Hz) at modwrite::kMiddleC.
inline constexpr double kMiddleCHz = 261.6255653;

// The instruments, built the same way every time (fixed noise seeds, no clock).
// Pitched ones hold whole waveform cycles so that their loops join without a click;
// drums are one-shots; long noises loop a stretch of noise under a volume envelope.
std::vector<modwrite::Instrument> makeInstruments();

}  // namespace qm::demosong
