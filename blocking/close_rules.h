#pragma once

#include "blocking/tcond.h"

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace vornel {

class RuleIndex;

// The ordered rule list, numbered from 1, at most MaxRules rules. The first
// rule that holds decides; the index below finds that same rule without
// testing every rule against every window.
class CloseRules {
public:
    static constexpr int MaxRules = 5000;

    CloseRules();
    ~CloseRules();
    CloseRules(const CloseRules&) = delete;
    CloseRules& operator=(const CloseRules&) = delete;

    int count() const { return int(rules_.size()); }
    bool isFull() const { return count() >= MaxRules; }
    const TCond& rule(int number) const { return rules_.at(std::size_t(number - 1)); }

    // Refused (false) when the list is full.
    bool append(const TCond& rule);
    void replace(int number, const TCond& rule);
    // The later rules move down one place.
    void remove(int number);
    void clear();
    // changed hears of every change to the list.
    void watch(std::function<void()> changed) { watcher_ = std::move(changed); }

    // The number of the first rule that holds, 0 when none does. Without
    // sizeKnown, a size that cannot be seen: no rule with a size condition holds.
    int firstMatch(std::string_view title, int32_t width, int32_t height,
                   bool sizeKnown = true) const;
    // The same answer by testing every rule in order; kept as the reference.
    int firstMatchInOrder(std::string_view title, int32_t width, int32_t height,
                          bool sizeKnown = true) const;

private:
    void changed();

    std::vector<TCond> rules_;
    mutable std::unique_ptr<RuleIndex> index_;
    std::function<void()> watcher_;
};

} // namespace vornel
