// textures.h -- the demo's generated textures, each a picture in the layout its file will have.
#pragma once

#include "tools/demo/image.h"

namespace qm::demo {

// Every side is a power of two: the player's texture upload would rescale anything else.
Image cloudsTexture();         // soft tiling clouds, 128 x 128
IndexedImage blueTexture();    // a rippled blue tone, 64 x 64, 256 blues
Image chessTexture();          // a two-tone chequer for the floor, 64 x 64
Image chromeTexture();         // a mirror-ball environment for sphere mapping, 128 x 128
Image skySideTexture();        // sky, distant hills and haze, tiling sideways, 128 x 128
Image skyTopTexture();         // the zenith, 64 x 64
Image backdropTexture();       // a dusk sky with stars and hills, 256 x 256
Image vignetteTexture();       // dark corners and scan lines, mostly transparent, 256 x 256
Image emblemTexture();         // a quill in a ring, transparent ground, 128 x 128
Image tunnelTexture();         // wall panels with glowing seams, 128 x 128
Image skinTexture();           // scales for the model, 64 x 64
Image ringSymbol();            // symbol icons, 32 x 32, transparent ground
IndexedImage diamondSymbol();  //   (the diamond has a palette with one transparent entry)
Image starSymbol();
Image noteSymbol();

}  // namespace qm::demo
