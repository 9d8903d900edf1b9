#pragma once

#include "blocking/tcond.h"

// A rule written in the order the settings file keeps its fields: title mode,
// title, then the size condition.
inline vornel::TCond rule(std::string titleMode, std::string title, std::string dimMode = "N",
                          int w = 0, int h = 0) {
    return vornel::TCond{std::move(titleMode), std::move(dimMode), std::move(title), w, h};
}
