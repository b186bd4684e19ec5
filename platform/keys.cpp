// keys.cpp -- SDL events and key names to the keys of the programs.
#include "platform/keys.h"

namespace qm {

std::optional<DemoKey> demoKeyFromEvent(const SDL_Event& event) {
    if (event.type == SDL_QUIT) return DemoKey::WindowClose;
    if (event.type != SDL_KEYDOWN) return std::nullopt;
    const SDLKey sym = event.key.keysym.sym;
    if (sym >= SDLK_1 && sym <= SDLK_9)
        return static_cast<DemoKey>(static_cast<int>(DemoKey::Digit1) + (sym - SDLK_1));
    switch (sym) {
        case SDLK_RETURN:
            return DemoKey::Return;
        case SDLK_ESCAPE:
            return DemoKey::Escape;
        case SDLK_F1:
            return DemoKey::F1;
        case SDLK_F2:
            return DemoKey::F2;
        default:
            return std::nullopt;
    }
}

int filterKeyEvent(const SDL_Event* event, KeyHandler handler) {
    if (event && handler)
        if (std::optional<DemoKey> key = demoKeyFromEvent(*event)) handler(*key);
    return 1;
}

std::optional<DemoKey> demoKeyFromName(std::string_view name) {
    if (name == "Return" || name == "Enter") return DemoKey::Return;
    if (name == "Escape") return DemoKey::Escape;
    if (name == "F1") return DemoKey::F1;
    if (name == "F2") return DemoKey::F2;
    if (name == "Close") return DemoKey::WindowClose;
    if (name.size() == 1 && name[0] >= '1' && name[0] <= '9')
        return static_cast<DemoKey>(static_cast<int>(DemoKey::Digit1) + (name[0] - '1'));
    return std::nullopt;
}

}  // namespace qm
