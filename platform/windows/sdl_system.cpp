// sdl_system.cpp -- Windows: SDL 1.2's video as it comes, and the player's OpenGL window
// switched between full screen and a window.
#include "platform/sdl_system.h"

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <windows.h>

namespace qm {

namespace {

// The styles SDL 1.2 gives its window in each mode (no resizing: the player's is fixed).
constexpr LONG kFullScreenStyle = WS_POPUP;
constexpr LONG kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

void setStyle(HWND window, LONG style) {
    LONG kept = GetWindowLong(window, GWL_STYLE) & ~(kFullScreenStyle | kWindowStyle);
    SetWindowLong(window, GWL_STYLE, kept | style);
}

}  // namespace

// On Windows every video driver SDL is built with (windib, directx) gives an OpenGL
// screen and none draws on the console, so SDL's own order stands.
int initialiseSdl() {
    return SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO);
}

// SDL 1.2 cannot switch full screen on Windows, and setting the video mode again would
// make a new OpenGL context, without the demo's textures. The window itself changes
// instead, as SDL makes it in either mode: the display mode, the window's style, place
// and stacking. The context stays. Nothing happens when the display refuses the mode.
void switchSdlFullScreen(SDL_Surface* screen) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!screen || SDL_GetWMInfo(&info) != 1) return;
    const HWND window = info.window;
    const int width = screen->w;
    const int height = screen->h;
    if (screen->flags & SDL_FULLSCREEN) {
        ChangeDisplaySettings(nullptr, 0);  // the desktop's own mode
        setStyle(window, kWindowStyle);
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, GetWindowLong(window, GWL_STYLE), FALSE, 0);
        const int frameWidth = frame.right - frame.left;
        const int frameHeight = frame.bottom - frame.top;
        SetWindowPos(window, HWND_NOTOPMOST, (GetSystemMetrics(SM_CXSCREEN) - frameWidth) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - frameHeight) / 2, frameWidth, frameHeight,
                     SWP_FRAMECHANGED | SWP_NOCOPYBITS | SWP_SHOWWINDOW);
        screen->flags &= ~SDL_FULLSCREEN;
    } else {
        DEVMODE mode{};
        mode.dmSize = sizeof mode;
        mode.dmBitsPerPel = screen->format->BitsPerPixel;
        mode.dmPelsWidth = width;
        mode.dmPelsHeight = height;
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
        if (ChangeDisplaySettings(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return;
        setStyle(window, kFullScreenStyle);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, width, height,
                     SWP_FRAMECHANGED | SWP_NOCOPYBITS | SWP_SHOWWINDOW);
        screen->flags |= SDL_FULLSCREEN;
    }
    // SDL reads the flag too: it gives the display back when a full-screen window loses
    // the focus, and not otherwise.
}

}  // namespace qm
