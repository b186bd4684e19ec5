// glu.h -- the one GLU call the player makes, mapped onto the webgl layer.
#pragma once

#include <GL/gl.h>

#define gluBuild2DMipmaps qmglu_Build2DMipmaps
