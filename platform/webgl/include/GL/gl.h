// gl.h -- the OpenGL 1.1 names the player uses, mapped onto the webgl layer's qmgl_ functions.
//
// Put platform/webgl/include first on the include path and the player's unchanged
// sources compile against the layer: each gl call below is a macro for the layer's
// own function, which draws with OpenGL ES 2 / WebGL 1. Only what the player and its
// tests use is here; anything else fails to compile instead of failing at run time.
#pragma once

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef void GLvoid;
typedef signed char GLbyte;
typedef short GLshort;
typedef int GLint;
typedef int GLsizei;
typedef unsigned char GLubyte;
typedef unsigned short GLushort;
typedef unsigned int GLuint;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;

// Values shared with OpenGL ES 2
#define GL_FALSE 0
#define GL_TRUE 1
#define GL_NO_ERROR 0
#define GL_INVALID_ENUM 0x0500
#define GL_INVALID_VALUE 0x0501
#define GL_INVALID_OPERATION 0x0502
#define GL_OUT_OF_MEMORY 0x0505

#define GL_LINES 0x0001
#define GL_LINE_STRIP 0x0003
#define GL_TRIANGLES 0x0004
#define GL_TRIANGLE_STRIP 0x0005

#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_COLOR_BUFFER_BIT 0x00004000

#define GL_ZERO 0
#define GL_ONE 1
#define GL_SRC_COLOR 0x0300
#define GL_ONE_MINUS_SRC_COLOR 0x0301
#define GL_SRC_ALPHA 0x0302
#define GL_ONE_MINUS_SRC_ALPHA 0x0303
#define GL_DST_ALPHA 0x0304
#define GL_ONE_MINUS_DST_ALPHA 0x0305
#define GL_DST_COLOR 0x0306
#define GL_ONE_MINUS_DST_COLOR 0x0307

#define GL_NEVER 0x0200
#define GL_LESS 0x0201
#define GL_EQUAL 0x0202
#define GL_LEQUAL 0x0203
#define GL_GREATER 0x0204
#define GL_NOTEQUAL 0x0205
#define GL_GEQUAL 0x0206
#define GL_ALWAYS 0x0207

#define GL_FRONT 0x0404
#define GL_BACK 0x0405
#define GL_FRONT_AND_BACK 0x0408

#define GL_LINE_WIDTH 0x0B21
#define GL_CULL_FACE 0x0B44
#define GL_CULL_FACE_MODE 0x0B45
#define GL_DEPTH_TEST 0x0B71
#define GL_DEPTH_WRITEMASK 0x0B72
#define GL_DEPTH_FUNC 0x0B74
#define GL_VIEWPORT 0x0BA2
#define GL_SCISSOR_TEST 0x0C11
#define GL_DITHER 0x0BD0
#define GL_BLEND 0x0BE2
#define GL_COLOR_CLEAR_VALUE 0x0C22
#define GL_UNPACK_ALIGNMENT 0x0CF5
#define GL_PACK_ALIGNMENT 0x0D05
#define GL_TEXTURE_2D 0x0DE1
#define GL_TEXTURE_BINDING_2D 0x8069

#define GL_DONT_CARE 0x1100
#define GL_FASTEST 0x1101
#define GL_NICEST 0x1102

#define GL_UNSIGNED_BYTE 0x1401
#define GL_FLOAT 0x1406
#define GL_RGBA 0x1908

#define GL_NEAREST 0x2600
#define GL_LINEAR 0x2601
#define GL_NEAREST_MIPMAP_NEAREST 0x2700
#define GL_LINEAR_MIPMAP_NEAREST 0x2701
#define GL_NEAREST_MIPMAP_LINEAR 0x2702
#define GL_LINEAR_MIPMAP_LINEAR 0x2703
#define GL_TEXTURE_MAG_FILTER 0x2800
#define GL_TEXTURE_MIN_FILTER 0x2801
#define GL_TEXTURE_WRAP_S 0x2802
#define GL_TEXTURE_WRAP_T 0x2803
#define GL_REPEAT 0x2901
#define GL_CLAMP_TO_EDGE 0x812F

#include "gl11_only.h"
#include "qmgl_calls.h"

// State
#define glEnable qmgl_Enable
#define glDisable qmgl_Disable
#define glIsEnabled qmgl_IsEnabled
#define glBlendFunc qmgl_BlendFunc
#define glDepthFunc qmgl_DepthFunc
#define glDepthMask qmgl_DepthMask
#define glCullFace qmgl_CullFace
#define glLineWidth qmgl_LineWidth
#define glHint qmgl_Hint
#define glViewport qmgl_Viewport
#define glScissor qmgl_Scissor
#define glClearColor qmgl_ClearColor
#define glClear qmgl_Clear
#define glFlush qmgl_Flush
#define glFinish qmgl_Finish
#define glGetError qmgl_GetError
#define glGetBooleanv qmgl_GetBooleanv
#define glGetIntegerv qmgl_GetIntegerv
#define glGetFloatv qmgl_GetFloatv
#define glGetDoublev qmgl_GetDoublev
#define glPixelStorei qmgl_PixelStorei
#define glReadPixels qmgl_ReadPixels

// Matrices
#define glMatrixMode qmgl_MatrixMode
#define glLoadIdentity qmgl_LoadIdentity
#define glPushMatrix qmgl_PushMatrix
#define glPopMatrix qmgl_PopMatrix
#define glTranslatef qmgl_Translatef
#define glRotatef qmgl_Rotatef
#define glScalef qmgl_Scalef
#define glFrustum qmgl_Frustum

// Immediate mode and vertex arrays
#define glBegin qmgl_Begin
#define glEnd qmgl_End
#define glDisableClientState qmgl_DisableClientState
#define glTexCoord4f qmgl_TexCoord4f
#define glVertex3f qmgl_Vertex3f
#define glVertex3i qmgl_Vertex3i
#define glNormal3f qmgl_Normal3f
#define glColor3f qmgl_Color3f
#define glColor4f qmgl_Color4f
#define glTexCoord2f qmgl_TexCoord2f
#define glInterleavedArrays qmgl_InterleavedArrays
#define glDrawArrays qmgl_DrawArrays

// Lighting, fog, texture coordinate generation
#define glLightfv qmgl_Lightfv
#define glFogf qmgl_Fogf
#define glFogi qmgl_Fogi
#define glFogfv qmgl_Fogfv
#define glTexGeni qmgl_TexGeni

// Textures
#define glGenTextures qmgl_GenTextures
#define glDeleteTextures qmgl_DeleteTextures
#define glBindTexture qmgl_BindTexture
#define glIsTexture qmgl_IsTexture
#define glTexParameteri qmgl_TexParameteri
#define glGetTexParameteriv qmgl_GetTexParameteriv
#define glGetTexLevelParameteriv qmgl_GetTexLevelParameteriv
