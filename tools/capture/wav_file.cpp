// wav_file.cpp -- the WAV header and the streaming writer.
#include "capture/wav_file.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

namespace qm::capture {

namespace {

void putU16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void putU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string wavHeader(uint32_t dataBytes) {
    constexpr uint16_t kBits = 16;
    constexpr uint16_t kBlockAlign = WavWriter::kChannels * kBits / 8;
    std::string h;
    h += "RIFF";
    putU32(h, static_cast<uint32_t>(WavWriter::kHeaderSize - 8 + dataBytes));
    h += "WAVEfmt ";
    putU32(h, 16);  // the size of the PCM format record
    putU16(h, 1);   // PCM
    putU16(h, WavWriter::kChannels);
    putU32(h, WavWriter::kRate);
    putU32(h, WavWriter::kRate * kBlockAlign);
    putU16(h, kBlockAlign);
    putU16(h, kBits);
    h += "data";
    putU32(h, dataBytes);
    return h;
}

bool WavWriter::open(const std::string& path, std::string& error) {
    // Output paths come from the command line and are used as given.
    file_.reset(std::fopen(path.c_str(), "wb"));
    path_ = path;
    dataBytes_ = 0;
    failed_ = tooLong_ = false;
    const std::string header = wavHeader(0);
    if (!file_ || std::fwrite(header.data(), 1, header.size(), file_.get()) != header.size()) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        file_.reset();
        return false;
    }
    return true;
}

bool WavWriter::append(const int16_t* interleaved, size_t frames) {
    if (!file_ || failed_) return false;
    const size_t samples = frames * kChannels;
    if (dataBytes_ + samples * 2 > kMaxDataBytes) {
        failed_ = tooLong_ = true;
        return false;
    }
    size_t written = 0;
    if constexpr (std::endian::native == std::endian::little) {
        written = std::fwrite(interleaved, 2, samples, file_.get());
    } else {
        std::vector<uint8_t> bytes(samples * 2);
        for (size_t i = 0; i < samples; ++i) {
            const auto v = static_cast<uint16_t>(interleaved[i]);
            bytes[2 * i] = static_cast<uint8_t>(v & 0xFF);
            bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        written = std::fwrite(bytes.data(), 2, samples, file_.get());
    }
    dataBytes_ += written * 2;
    if (written != samples) failed_ = true;
    return !failed_;
}

bool WavWriter::finish(std::string& error) {
    if (!file_) return true;
    bool ok = !failed_;
    const std::string header = wavHeader(static_cast<uint32_t>(dataBytes_));
    ok = ok && std::fseek(file_.get(), 0, SEEK_SET) == 0 &&
         std::fwrite(header.data(), 1, header.size(), file_.get()) == header.size();
    ok = std::fclose(file_.release()) == 0 && ok;
    if (!ok) error = "cannot write " + path_ + (tooLong_ ? ": the sound is too long for a WAV file" : "");
    return ok;
}

}  // namespace qm::capture
