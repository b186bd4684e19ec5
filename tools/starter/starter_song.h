// starter_song.h -- the starter demo's song: eight bars in two phrases with the sync marks its scenes answer.
#pragma once

#include <string>

namespace qm::starter {

// The song as an XM file, the same bytes on every call; empty when the writer refuses it.
//   Z07 at 0:01.000  title of the first scene   Z01 at 0:04.000  white flash
//   Z00 at 0:08.000  second scene               Z07 at 0:09.000  its title
//   Z08 at 0:12.000  cubes turn blue            Z09 at 0:14.000  back to clouds
//   Z03 at 0:15.000  fade to black              Z00 at 0:16.000  the end
std::string writeStarterSong();

}  // namespace qm::starter
