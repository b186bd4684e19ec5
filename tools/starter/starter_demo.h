// starter_demo.h -- a small demo for an author to grow, written into a new folder.
#pragma once

#include <filesystem>
#include <string>

namespace qm::starter {

// Writes the starter demo into `dir` (created when missing): data/globals.qms, the
// materials script, two scene scripts, a song with its sync marks, three pictures (one
// each in PNG, TGA and BMP) and the font pages. Refuses, writing nothing, when `dir`
// already holds something named "data". The data folder appears whole or not at all.
// False, with the reason in `error`, when it refuses or a file cannot be made or written.
bool writeStarterDemo(const std::filesystem::path& dir, std::string& error);

}  // namespace qm::starter
