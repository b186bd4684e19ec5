// module_sync.h -- the Zxx sync marks of a module: where they are, and removing them from what is played.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct openmpt_module;

namespace qm {

// The Zxx values of every (pattern, row), in channel order.
class SyncTable {
public:
    // Reads every pattern of a loaded module; a command counts when the module
    // player names it "Z", whatever the format's own number for it.
    void build(openmpt_module* module);

    // The values of one row; empty when it has none or is out of range.
    const std::vector<uint8_t>& valuesAt(int pattern, int row) const;
    void add(int pattern, int row, uint8_t value);
    size_t markCount() const { return count_; }

private:
    std::vector<std::vector<std::vector<uint8_t>>> rows_;  // [pattern][row] -> values
    size_t count_ = 0;
};

enum class ModuleFormat { Unknown, Xm, It, S3m };

ModuleFormat detectModuleFormat(std::string_view bytes);

// Zeroes every Zxx command and its parameter in the pattern data of an XM, IT
// (including MPTM) or S3M file, in place; the file's size and layout stay as they
// are. The module player gives these commands a sound of their own (a filter
// cutoff) while the demo uses them as sync marks only. Other formats are left
// alone. Every offset is checked against the file: a damaged pattern ends its
// walk at the file's end. Returns the number of commands removed.
int stripSyncCommands(std::string& bytes);

// The bytes an XM file's headers describe: its header, patterns, instruments and
// their sample data. More than the file holds when the file is cut short (the module
// player plays what is there, the rest as silence, and says nothing); 0 for other
// formats.
uint64_t moduleBytesDescribed(std::string_view bytes);

}  // namespace qm
