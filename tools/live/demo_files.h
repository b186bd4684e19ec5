// demo_files.h -- the files a demo reads at its start, their bytes, and the last good bytes a broken file is
// read from.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/paths.h"

namespace qm::live {

// Where the live tool's runs of the demo read their files. It notes every file the
// demo reads while a start is recorded (the scripts, pictures, curves, models and
// song; not "tmpscene.qms", which F2 reads later) and the bytes it read from each.
// When files on disk are broken, the demo is read from the bytes of its last good
// start instead, so that a seek or a loop keeps the working picture.
class DemoFiles : public FileSource {
public:
    // Notes the files and bytes of the start that follows, forgetting those before.
    void beginStart();
    void endStart() { recording_ = false; }

    // The files of the last start, in the order first read, each once.
    const std::vector<std::string>& files() const { return files_; }

    // The last start read good files: they become the ones to fall back on.
    void keepAsGood() { good_ = read_; }
    // The files on disk have errors: from now on every file of the last good start
    // is read from its kept bytes. False when there is no good start to fall back on.
    bool holdBack();
    // The files on disk are good again: they are read from disk.
    void release() { held_ = false; }
    bool holdingBack() const { return held_; }

    bool read(std::string_view scriptPath, std::string& out) override;

private:
    bool recording_ = false;
    bool held_ = false;
    std::vector<std::string> files_;
    std::map<std::string, std::string> read_;  // the bytes of the recorded start; absent: not there
    std::map<std::string, std::string> good_;  // those of the last good start
};

}  // namespace qm::live
