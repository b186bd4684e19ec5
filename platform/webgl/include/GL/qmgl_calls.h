// qmgl_calls.h -- the webgl layer's functions, one per OpenGL 1.1 / GLU call the player makes.
//
// Needs the GL type names declared first: by GL/gl.h for the player's sources, by
// GLES2/gl2.h for the layer's own. The signatures are GL 1.1's.
#pragma once

typedef double GLdouble;

void qmgl_Enable(GLenum cap);
void qmgl_Disable(GLenum cap);
GLboolean qmgl_IsEnabled(GLenum cap);
void qmgl_BlendFunc(GLenum source, GLenum destination);
void qmgl_DepthFunc(GLenum func);
void qmgl_DepthMask(GLboolean flag);
void qmgl_CullFace(GLenum mode);
void qmgl_LineWidth(GLfloat width);
void qmgl_Hint(GLenum target, GLenum mode);
void qmgl_Viewport(GLint x, GLint y, GLsizei width, GLsizei height);
void qmgl_Scissor(GLint x, GLint y, GLsizei width, GLsizei height);
void qmgl_ClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
void qmgl_Clear(GLbitfield mask);
void qmgl_Flush(void);
void qmgl_Finish(void);
GLenum qmgl_GetError(void);
void qmgl_GetBooleanv(GLenum name, GLboolean* values);
void qmgl_GetIntegerv(GLenum name, GLint* values);
void qmgl_GetFloatv(GLenum name, GLfloat* values);
void qmgl_GetDoublev(GLenum name, GLdouble* values);
void qmgl_PixelStorei(GLenum name, GLint value);
void qmgl_ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                     void* pixels);

void qmgl_MatrixMode(GLenum mode);
void qmgl_LoadIdentity(void);
void qmgl_PushMatrix(void);
void qmgl_PopMatrix(void);
void qmgl_Translatef(GLfloat x, GLfloat y, GLfloat z);
void qmgl_Rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void qmgl_Scalef(GLfloat x, GLfloat y, GLfloat z);
void qmgl_Frustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                  GLdouble zFar);

void qmgl_Begin(GLenum mode);
void qmgl_End(void);
void qmgl_Vertex3f(GLfloat x, GLfloat y, GLfloat z);
void qmgl_Vertex3i(GLint x, GLint y, GLint z);
void qmgl_Normal3f(GLfloat x, GLfloat y, GLfloat z);
void qmgl_Color3f(GLfloat red, GLfloat green, GLfloat blue);
void qmgl_Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void qmgl_TexCoord2f(GLfloat s, GLfloat t);
void qmgl_TexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q);
void qmgl_DisableClientState(GLenum array);
void qmgl_InterleavedArrays(GLenum format, GLsizei stride, const void* pointer);
void qmgl_DrawArrays(GLenum mode, GLint first, GLsizei count);

void qmgl_Lightfv(GLenum light, GLenum name, const GLfloat* values);
void qmgl_Fogf(GLenum name, GLfloat value);
void qmgl_Fogi(GLenum name, GLint value);
void qmgl_Fogfv(GLenum name, const GLfloat* values);
void qmgl_TexGeni(GLenum coord, GLenum name, GLint value);

void qmgl_GenTextures(GLsizei count, GLuint* names);
void qmgl_DeleteTextures(GLsizei count, const GLuint* names);
void qmgl_BindTexture(GLenum target, GLuint name);
GLboolean qmgl_IsTexture(GLuint name);
void qmgl_TexParameteri(GLenum target, GLenum name, GLint value);
void qmgl_GetTexParameteriv(GLenum target, GLenum name, GLint* values);
void qmgl_GetTexLevelParameteriv(GLenum target, GLint level, GLenum name, GLint* values);

GLint qmglu_Build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                           GLenum type, const void* data);
