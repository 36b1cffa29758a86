#pragma once

#include "FuzzFail.h"
#include "FuzzPlan.h"

#include <string>
#include <string_view>

namespace tunewalk::fuzz {

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, std::string_view bytes);

// Loads, edits and saves `bytes` (written to `path` first) with the MP3 codec and checks what
// changed in the file.
void roundTripMp3(const std::string& path, const std::string& bytes, const Mp3Plan& plan);
// The same for the WAV codec.
void roundTripWav(const std::string& path, const std::string& bytes, const WavPlan& plan);

// Everything the fuzzer does with one input; also used to replay inputs without libFuzzer.
void runOne(const std::string& path, const std::uint8_t* data, std::size_t size);

} // namespace tunewalk::fuzz
