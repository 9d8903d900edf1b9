#pragma once

#include "blocking/tcond.h"

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace vornel {

class RuleIndex;

// The ordered rule list, numbered from 1. The first rule that holds decides;
// the index below finds that same rule without testing every rule against
// every window.
//
// The administrator's rules, from the machine's settings file, come first, so
// that the scan tests them before the user's own: rules 1 to
// administratorCount() are theirs, and the user's rule k is rule
// administratorCount() + k. The user's rules are at most MaxRules; the
// administrator's are neither replaced nor removed by the user's commands.
class CloseRules {
public:
    static constexpr int MaxRules = 5000;

    CloseRules();
    ~CloseRules();
    CloseRules(const CloseRules&) = delete;
    CloseRules& operator=(const CloseRules&) = delete;

    int count() const { return int(rules_.size()); }
    int administratorCount() const { return administratorCount_; }
    int userCount() const { return count() - administratorCount_; }
    bool isAdministrators(int number) const { return number <= administratorCount_; }
    bool isFull() const { return userCount() >= MaxRules; }
    const TCond& rule(int number) const { return rules_.at(std::size_t(number - 1)); }

    // A rule of the user's own, at the end. Refused (false) when the list is full.
    bool append(const TCond& rule);
    // Replaces the administrator's rules; the user's follow them.
    void setAdministratorRules(const std::vector<TCond>& rules);
    // A user's rule; an administrator's is left as it is.
    void replace(int number, const TCond& rule);
    // The later rules move down one place. An administrator's rule stays.
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
    int administratorCount_ = 0;
    mutable std::unique_ptr<RuleIndex> index_;
    std::function<void()> watcher_;
};

} // namespace vornel
