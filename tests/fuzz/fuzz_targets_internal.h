// fuzz_targets_internal.h -- the target functions behind the table in fuzz_targets.cpp.
#pragma once

#include <string_view>

namespace qm::fuzz {

void runBmp(std::string_view input);
void runTga(std::string_view input);
void runPng(std::string_view input);
void runMd3(std::string_view input);
void runCurve(std::string_view input);
void runTokens(std::string_view input);
void runModule(std::string_view input);
void runMaterials(std::string_view input);
void runScene(std::string_view input);
void runGlobals(std::string_view input);

// Writes the input to a file of the working directory, where the script readers look.
void writeInputFile(const char* name, std::string_view input);

}  // namespace qm::fuzz
