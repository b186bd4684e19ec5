// starter_demo.cpp -- the starter demo's scripts and the files it is made of, written into a new folder.
#include "starter/starter_demo.h"

#include <string_view>
#include <system_error>
#include <vector>

#include "starter/starter_song.h"
#include "tools/demo/demo_assets.h"
#include "tools/demo/font_pages.h"
#include "tools/demo/image_files.h"
#include "tools/demo/textures.h"

namespace qm::starter {

namespace {

// The scripts teach by example: every keyword an author needs first is used or shown in a
// comment. A script's last line is read only when it has its line end, so each ends with one.
constexpr std::string_view kGlobals =
    R"qms(# globals.qms -- the starter demo: the song, the scenes and the order in which they play.
# Play it in this folder with quillmoor, or with quillmoor-live, which reloads what you save.
# A line whose first word is no keyword is a comment, like this one. Keywords are lower case;
# paths are relative to this folder and written with backslashes. A script's last line needs
# its line end, or it is lost. quillmoor-check says what the player would ignore.
#
#   music on                   sound on ("music off": the song plays silently, its sync still comes)
#   music file PATH            the song: an XM, IT or S3M module; its Zxx effects are the sync
#   new scene PATH NAME        reads a scene script and names the scene
#   scenes NAME NAME ...       the playlist: the order in which the scenes play
#
# Each Z00 in the song starts the next scene of the playlist; the Z00 during the last one ends
# the demo. Z01 flashes white, Z02 fades to white, Z03 to black, Z04 fades in from black, Z05 is
# a white swell, Z06 a dip to black, Z1B a flash, ZFF a slow fade to white. Every value also runs
# the playing scene's "on sync" list of its number, in decimal (Z0A runs "on sync 10").
# data\song.xm plays (quillmoor-check --timeline lists it):
#   0:01 Z07 the intro's title     0:04 Z01 flash                 0:08 Z00 scene cubes
#   0:09 Z07 its title             0:12 Z08 the cubes turn blue   0:14 Z09 back to clouds
#   0:15 Z03 fade to black         0:16 Z00 the end
#
# data\materials.qms has no comments: one record per material, ten fields with no blanks around
# the commas, the last ended by ";":
#   name,picture,wrap s,wrap t,minification,magnification,red,green,blue,alpha;
# Pictures are PNG, TGA or BMP with sides of a power of two; wraps GL_REPEAT, GL_CLAMP or
# GL_CLAMP_TO_EDGE; filters GL_LINEAR, GL_NEAREST or (minification) GL_LINEAR_MIPMAP_LINEAR.
music on
music file data\song.xm
new scene data\intro.qms intro
new scene data\cubes.qms cubes
scenes intro cubes
)qms";

constexpr std::string_view kIntro =
    R"qms(# intro.qms -- the first scene: a picture behind everything, a spinning cube and a title.
# A line whose first word is no keyword is a comment. The keywords:
#   on load              the commands after it run once, when the script has been read
#   on sync N            ... each time the song plays value N (Z0A is 10); keys 1-9 run 0-8
#   new KIND NAME        makes an object of a kind: cube invcube square point camera background
#                        foreground symbols skybox fog chessfloor torusknot vball stdmodel text
#   end new              closes it; a "new" inside a block makes a child that moves with it
#   load TEXT            the object's parameters, one word (double quotes hold blanks): a cube or
#                        background takes a material of data\materials.qms; a text takes
#                        "words,red,green,blue,alpha" (lower-case letters; a full stop breaks the line)
#   select NAME          the object the next commands act on; the scene's camera is Camera
#   position X Y Z       rotation X Y Z       rotate X Y Z (degrees per second)     rotating t|f
#   scale X Y Z          visable t|f (spelled so)           enabled t|f             moving t|f
#   lookat NAME|none     curve FILE|none      jump T          speed V               looping t|f
#   sync CODE            the object's own trigger: a cube takes material blue on 1, clouds on 0;
#                        a text fades in and out on 0, 1, 2 or 3
# Numbers are decimal; t and f (or 1 and 0) switch. The camera sits at 0 0 0 and looks along -z.

on load

# A background fills the screen behind everything; sky is a material of data\materials.qms.
new background sky
load sky
end new

# A cube starts with material clouds and spins at the speed "rotate" gives it.
new cube box
position 0 0 -6
rotate 20 45 0
end new

# Text lies on the screen, not in the scene: x from -10 (left) to 10, y from -10 (bottom) to 10.
# It rests hidden until a trigger fades it in.
new text title
load "my first demo,1,0.9,0.6,1"
position -4.1 -6 0
end new

# Z07: the title shows for 2.5 seconds (trigger 2 of a text).
on sync 7
select title
sync 2
)qms";

constexpr std::string_view kCubes =
    R"qms(# cubes.qms -- the second scene: two cubes that turn blue on Z08 and back on Z09 while the view rolls.
# intro.qms lists the keywords.

on load

new background sky
load sky
end new

new cube left
position -2.5 0 -8
rotate 40 60 0
end new

new cube right
position 2.5 0 -8
rotate -40 -60 0
end new

new text title
load "grow it from here,0.7,0.9,1,1"
position -5.3 -6 0
end new

# The camera takes the same commands as any object: here it rolls slowly about its line of sight.
select Camera
rotate 0 0 8
rotating t

on sync 7
select title
sync 2

# Z08: both cubes take material blue (trigger 1 of a cube); Z09: back to clouds (trigger 0).
on sync 8
select left
sync 1
select right
sync 1

on sync 9
select left
sync 0
select right
sync 0
)qms";

// No comments here: the materials script reads every character as part of a field.
constexpr std::string_view kMaterials =
    "sky,data\\sky.png,GL_CLAMP_TO_EDGE,GL_CLAMP_TO_EDGE,GL_LINEAR,GL_LINEAR,1,1,1,1;\n"
    "clouds,data\\clouds.tga,GL_REPEAT,GL_REPEAT,GL_LINEAR_MIPMAP_LINEAR,GL_LINEAR,1,1,1,1;\n"
    "blue,data\\blue.bmp,GL_REPEAT,GL_REPEAT,GL_LINEAR_MIPMAP_LINEAR,GL_LINEAR,1,1,1,1;\n";

demo::Bytes bytesOf(std::string_view text) {
    return demo::Bytes(text.begin(), text.end());
}

// Every file of the data folder. The pictures are the bundled demo's: the backdrop as a PNG
// (a background shows a picture's first row at the top, and PNG stores the top row first),
// the clouds, which read well either way up, as a TGA, and the blue tone as a BMP.
std::vector<demo::GeneratedFile> starterFiles() {
    std::vector<demo::GeneratedFile> files;
    files.push_back({"globals.qms", bytesOf(kGlobals)});
    files.push_back({"materials.qms", bytesOf(kMaterials)});
    files.push_back({"intro.qms", bytesOf(kIntro)});
    files.push_back({"cubes.qms", bytesOf(kCubes)});
    files.push_back({"song.xm", bytesOf(writeStarterSong())});
    files.push_back({"sky.png", demo::encodePngRgb(demo::backdropTexture())});
    files.push_back({"clouds.tga", demo::encodeTga24(demo::cloudsTexture())});
    files.push_back({"blue.bmp", demo::encodeBmp8(demo::blueTexture())});
    files.push_back({"fontv3-1.png", demo::encodePngRgba(demo::renderFontPage(1))});
    files.push_back({"fontv3-2.png", demo::encodePngRgba(demo::renderFontPage(2))});
    return files;
}

}  // namespace

bool writeStarterDemo(const std::filesystem::path& dir, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path data = dir / "data";
    // symlink_status: a dangling link named data is refused too.
    if (fs::exists(fs::symlink_status(data, ec))) {
        error = data.string() + " already exists; choose a new folder for the demo";
        return false;
    }
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
        error = dir.string() + " is not a folder";
        return false;
    }
    fs::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir.string() + ": " + ec.message();
        return false;
    }
    // The files go into a folder of another name first, which becomes data/ only when every
    // file is written: an interrupted run leaves no half demo.
    const fs::path building = dir / ".data.new";
    fs::remove_all(building, ec);
    if (!demo::writeDemoAssets(starterFiles(), building, error)) {
        fs::remove_all(building, ec);
        return false;
    }
    fs::rename(building, data, ec);
    if (ec) {
        error = "cannot rename " + building.string() + " to " + data.string() + ": " + ec.message();
        fs::remove_all(building, ec);
        return false;
    }
    return true;
}

}  // namespace qm::starter
