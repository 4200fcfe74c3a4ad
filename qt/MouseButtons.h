#pragma once

// The mouse buttons the keyboard's functions and the macro recorder know, from Qt's.

#include <Qt>
#include <optional>

#include "keys/InputMapping.h"

namespace zanvor {

inline std::optional<MouseButton> MouseButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::RightButton:
            return MouseButton::Right;
        case Qt::MiddleButton:
            return MouseButton::Middle;
        case Qt::BackButton:
            return MouseButton::Back;
        case Qt::ForwardButton:
            return MouseButton::Forward;
        default:
            return std::nullopt;
    }
}

}  // namespace zanvor
