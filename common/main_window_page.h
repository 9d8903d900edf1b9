#pragma once

namespace vornel {

// The main window's pages, numbered as their side buttons' tags are: the
// controls of a page carry ten times that number.
enum class Page { Welcome = 1, Current, Closed, Ports, Statistics, Options, Update };

// A page's index in the page control PC, which holds the sheets in that order.
constexpr int pageIndex(Page page) {
    return int(page) - 1;
}

} // namespace vornel
