#include "guishell/KeyTranslation.h"

#include <SDL.h>

namespace guishell {

CEGUI::Key::Scan keyFromSdlScancode(int sdlScancode) {
  using K = CEGUI::Key;
  switch (static_cast<SDL_Scancode>(sdlScancode)) {
    case SDL_SCANCODE_ESCAPE: return K::Escape;
    case SDL_SCANCODE_1: return K::One;
    case SDL_SCANCODE_2: return K::Two;
    case SDL_SCANCODE_3: return K::Three;
    case SDL_SCANCODE_4: return K::Four;
    case SDL_SCANCODE_5: return K::Five;
    case SDL_SCANCODE_6: return K::Six;
    case SDL_SCANCODE_7: return K::Seven;
    case SDL_SCANCODE_8: return K::Eight;
    case SDL_SCANCODE_9: return K::Nine;
    case SDL_SCANCODE_0: return K::Zero;
    case SDL_SCANCODE_MINUS: return K::Minus;
    case SDL_SCANCODE_EQUALS: return K::Equals;
    case SDL_SCANCODE_BACKSPACE: return K::Backspace;
    case SDL_SCANCODE_TAB: return K::Tab;
    case SDL_SCANCODE_Q: return K::Q;
    case SDL_SCANCODE_W: return K::W;
    case SDL_SCANCODE_E: return K::E;
    case SDL_SCANCODE_R: return K::R;
    case SDL_SCANCODE_T: return K::T;
    case SDL_SCANCODE_Y: return K::Y;
    case SDL_SCANCODE_U: return K::U;
    case SDL_SCANCODE_I: return K::I;
    case SDL_SCANCODE_O: return K::O;
    case SDL_SCANCODE_P: return K::P;
    case SDL_SCANCODE_LEFTBRACKET: return K::LeftBracket;
    case SDL_SCANCODE_RIGHTBRACKET: return K::RightBracket;
    case SDL_SCANCODE_RETURN: return K::Return;
    case SDL_SCANCODE_LCTRL: return K::LeftControl;
    case SDL_SCANCODE_A: return K::A;
    case SDL_SCANCODE_S: return K::S;
    case SDL_SCANCODE_D: return K::D;
    case SDL_SCANCODE_F: return K::F;
    case SDL_SCANCODE_G: return K::G;
    case SDL_SCANCODE_H: return K::H;
    case SDL_SCANCODE_J: return K::J;
    case SDL_SCANCODE_K: return K::K;
    case SDL_SCANCODE_L: return K::L;
    case SDL_SCANCODE_SEMICOLON: return K::Semicolon;
    case SDL_SCANCODE_APOSTROPHE: return K::Apostrophe;
    case SDL_SCANCODE_GRAVE: return K::Grave;
    case SDL_SCANCODE_LSHIFT: return K::LeftShift;
    case SDL_SCANCODE_BACKSLASH: return K::Backslash;
    case SDL_SCANCODE_Z: return K::Z;
    case SDL_SCANCODE_X: return K::X;
    case SDL_SCANCODE_C: return K::C;
    case SDL_SCANCODE_V: return K::V;
    case SDL_SCANCODE_B: return K::B;
    case SDL_SCANCODE_N: return K::N;
    case SDL_SCANCODE_M: return K::M;
    case SDL_SCANCODE_COMMA: return K::Comma;
    case SDL_SCANCODE_PERIOD: return K::Period;
    case SDL_SCANCODE_SLASH: return K::Slash;
    case SDL_SCANCODE_RSHIFT: return K::RightShift;
    case SDL_SCANCODE_KP_MULTIPLY: return K::Multiply;
    case SDL_SCANCODE_LALT: return K::LeftAlt;
    case SDL_SCANCODE_SPACE: return K::Space;
    case SDL_SCANCODE_CAPSLOCK: return K::Capital;
    case SDL_SCANCODE_F1: return K::F1;
    case SDL_SCANCODE_F2: return K::F2;
    case SDL_SCANCODE_F3: return K::F3;
    case SDL_SCANCODE_F4: return K::F4;
    case SDL_SCANCODE_F5: return K::F5;
    case SDL_SCANCODE_F6: return K::F6;
    case SDL_SCANCODE_F7: return K::F7;
    case SDL_SCANCODE_F8: return K::F8;
    case SDL_SCANCODE_F9: return K::F9;
    case SDL_SCANCODE_F10: return K::F10;
    case SDL_SCANCODE_NUMLOCKCLEAR: return K::NumLock;
    case SDL_SCANCODE_SCROLLLOCK: return K::ScrollLock;
    case SDL_SCANCODE_KP_7: return K::Numpad7;
    case SDL_SCANCODE_KP_8: return K::Numpad8;
    case SDL_SCANCODE_KP_9: return K::Numpad9;
    case SDL_SCANCODE_KP_MINUS: return K::Subtract;
    case SDL_SCANCODE_KP_4: return K::Numpad4;
    case SDL_SCANCODE_KP_5: return K::Numpad5;
    case SDL_SCANCODE_KP_6: return K::Numpad6;
    case SDL_SCANCODE_KP_PLUS: return K::Add;
    case SDL_SCANCODE_KP_1: return K::Numpad1;
    case SDL_SCANCODE_KP_2: return K::Numpad2;
    case SDL_SCANCODE_KP_3: return K::Numpad3;
    case SDL_SCANCODE_KP_0: return K::Numpad0;
    case SDL_SCANCODE_KP_PERIOD: return K::Decimal;
    case SDL_SCANCODE_F11: return K::F11;
    case SDL_SCANCODE_F12: return K::F12;
    case SDL_SCANCODE_F13: return K::F13;
    case SDL_SCANCODE_F14: return K::F14;
    case SDL_SCANCODE_F15: return K::F15;
    // Remote-control keys that arrive as F18 and F22 ("Clear" and "Menu" in the key map).
    case SDL_SCANCODE_F18: return static_cast<K::Scan>(0x69);
    case SDL_SCANCODE_F22: return static_cast<K::Scan>(0x6D);
    case SDL_SCANCODE_KP_EQUALS: return K::NumpadEquals;
    case SDL_SCANCODE_AUDIOPREV: return K::PrevTrack;
    case SDL_SCANCODE_AUDIONEXT: return K::NextTrack;
    case SDL_SCANCODE_KP_ENTER: return K::NumpadEnter;
    case SDL_SCANCODE_RCTRL: return K::RightControl;
    case SDL_SCANCODE_AUDIOMUTE: return K::Mute;
    case SDL_SCANCODE_CALCULATOR: return K::Calculator;
    case SDL_SCANCODE_AUDIOPLAY: return K::PlayPause;
    case SDL_SCANCODE_AUDIOSTOP: return K::MediaStop;
    case SDL_SCANCODE_VOLUMEDOWN: return K::VolumeDown;
    case SDL_SCANCODE_VOLUMEUP: return K::VolumeUp;
    case SDL_SCANCODE_AC_HOME: return K::WebHome;
    case SDL_SCANCODE_KP_COMMA: return K::NumpadComma;
    case SDL_SCANCODE_KP_DIVIDE: return K::Divide;
    case SDL_SCANCODE_SYSREQ: return K::SysRq;
    case SDL_SCANCODE_RALT: return K::RightAlt;
    case SDL_SCANCODE_PAUSE: return K::Pause;
    case SDL_SCANCODE_HOME: return K::Home;
    case SDL_SCANCODE_UP: return K::ArrowUp;
    case SDL_SCANCODE_PAGEUP: return K::PageUp;
    case SDL_SCANCODE_LEFT: return K::ArrowLeft;
    case SDL_SCANCODE_RIGHT: return K::ArrowRight;
    case SDL_SCANCODE_END: return K::End;
    case SDL_SCANCODE_DOWN: return K::ArrowDown;
    case SDL_SCANCODE_PAGEDOWN: return K::PageDown;
    case SDL_SCANCODE_INSERT: return K::Insert;
    case SDL_SCANCODE_DELETE: return K::Delete;
    case SDL_SCANCODE_LGUI: return K::LeftWindows;
    case SDL_SCANCODE_RGUI: return K::RightWindows;
    case SDL_SCANCODE_APPLICATION: return K::AppMenu;
    case SDL_SCANCODE_POWER: return K::Power;
    case SDL_SCANCODE_SLEEP: return K::Sleep;
    case SDL_SCANCODE_AC_SEARCH: return K::WebSearch;
    case SDL_SCANCODE_AC_BOOKMARKS: return K::WebFavorites;
    case SDL_SCANCODE_AC_REFRESH: return K::WebRefresh;
    case SDL_SCANCODE_AC_STOP: return K::WebStop;
    case SDL_SCANCODE_AC_FORWARD: return K::WebForward;
    case SDL_SCANCODE_AC_BACK: return K::WebBack;
    case SDL_SCANCODE_COMPUTER: return K::MyComputer;
    case SDL_SCANCODE_MAIL: return K::Mail;
    case SDL_SCANCODE_MEDIASELECT: return K::MediaSelect;
    default: return K::Unknown;
  }
}

CEGUI::MouseButton mouseButtonFromSdl(int sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return CEGUI::LeftButton;
    case SDL_BUTTON_MIDDLE: return CEGUI::MiddleButton;
    case SDL_BUTTON_RIGHT: return CEGUI::RightButton;
    case SDL_BUTTON_X1: return CEGUI::X1Button;
    case SDL_BUTTON_X2: return CEGUI::X2Button;
    default: return CEGUI::NoButton;
  }
}

}  // namespace guishell
