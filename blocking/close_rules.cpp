#include "blocking/close_rules.h"

#include "common/text.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <queue>
#include <unordered_map>

namespace vornel {

// Rules grouped by how they can hold, each group in rule order:
// "contains" titles in an Aho-Corasick automaton (one pass over a title finds
// every contained rule text), "equals" titles in a hash map, and title-free
// rules by size. The answer is the lowest rule number over all groups.
class RuleIndex {
public:
    explicit RuleIndex(const std::vector<TCond>& rules);
    int firstMatch(std::string_view title, int32_t width, int32_t height, bool sizeKnown);

private:
    struct Node {
        std::vector<std::pair<unsigned char, int32_t>> edges; // sorted by byte
        int32_t fail = 0;
        int32_t outputLink = -1; // nearest node on the fail chain with rules
        std::vector<int> rules;  // rules whose whole text ends here, ascending
    };

    int32_t child(int32_t node, unsigned char c) const;
    void addContains(const std::string& text, int index);
    void linkAutomaton();
    int firstSized(const std::vector<int>& indices, int best, int32_t w, int32_t h,
                   bool sizeKnown) const;

    const std::vector<TCond>& rules_;
    std::vector<Node> nodes_;
    std::array<int32_t, 256> rootNext_{};
    std::unordered_map<std::string, std::vector<int>> equalTitles_;
    std::unordered_map<uint64_t, int> exactSize_; // title-free rules, first per size
    std::vector<int> atMostSize_;                 // title-free rules with "at most"
    int always_ = INT_MAX;                        // first rule with neither condition
    std::string lowered_;
};

namespace {

uint64_t sizeKey(int32_t w, int32_t h) {
    return uint64_t(uint32_t(w)) << 32 | uint32_t(h);
}

} // namespace

RuleIndex::RuleIndex(const std::vector<TCond>& rules) : rules_(rules), nodes_(1) {
    for (int i = 0; i < int(rules.size()); ++i) {
        const TCond& r = rules[std::size_t(i)];
        bool validSize = r.DimMode == "N" || r.DimMode == "Y" || r.DimMode == "E";
        if (!validSize) continue;
        if (r.TitreMode == "Y") {
            if (!r.Titre.empty()) addContains(asciiLower(r.Titre), i);
        } else if (r.TitreMode == "E") {
            equalTitles_[asciiLower(r.Titre)].push_back(i);
        } else if (r.TitreMode == "N") {
            if (r.DimMode == "N")
                always_ = std::min(always_, i);
            else if (r.DimMode == "Y")
                exactSize_.try_emplace(sizeKey(r.Width, r.Height), i);
            else
                atMostSize_.push_back(i);
        }
    }
    linkAutomaton();
}

int32_t RuleIndex::child(int32_t node, unsigned char c) const {
    const auto& edges = nodes_[std::size_t(node)].edges;
    auto it = std::lower_bound(edges.begin(), edges.end(), c,
                               [](const auto& e, unsigned char b) { return e.first < b; });
    return it != edges.end() && it->first == c ? it->second : -1;
}

void RuleIndex::addContains(const std::string& text, int index) {
    int32_t node = 0;
    for (unsigned char c : text) {
        int32_t next = child(node, c);
        if (next < 0) {
            next = int32_t(nodes_.size());
            auto& edges = nodes_[std::size_t(node)].edges;
            auto it = std::lower_bound(edges.begin(), edges.end(), c,
                                       [](const auto& e, unsigned char b) { return e.first < b; });
            edges.insert(it, {c, next});
            nodes_.emplace_back();
        }
        node = next;
    }
    nodes_[std::size_t(node)].rules.push_back(index);
}

void RuleIndex::linkAutomaton() {
    std::queue<int32_t> pending;
    rootNext_.fill(0);
    for (auto [c, next] : nodes_[0].edges) {
        rootNext_[c] = next;
        pending.push(next);
    }
    while (!pending.empty()) {
        int32_t node = pending.front();
        pending.pop();
        for (auto [c, next] : nodes_[std::size_t(node)].edges) {
            int32_t f = nodes_[std::size_t(node)].fail;
            int32_t target;
            while ((target = f == 0 ? rootNext_[c] : child(f, c)) < 0)
                f = nodes_[std::size_t(f)].fail;
            Node& n = nodes_[std::size_t(next)];
            n.fail = target;
            const Node& t = nodes_[std::size_t(target)];
            n.outputLink = t.rules.empty() ? t.outputLink : target;
            pending.push(next);
        }
    }
}

int RuleIndex::firstSized(const std::vector<int>& indices, int best, int32_t w, int32_t h,
                          bool sizeKnown) const {
    for (int i : indices) {
        if (i >= best) break;
        const TCond& rule = rules_[std::size_t(i)];
        if (sizeKnown ? sizeHolds(rule, w, h) : rule.DimMode == "N") return i;
    }
    return best;
}

int RuleIndex::firstMatch(std::string_view title, int32_t width, int32_t height, bool sizeKnown) {
    int best = always_;
    if (sizeKnown) {
        if (auto it = exactSize_.find(sizeKey(width, height)); it != exactSize_.end())
            best = std::min(best, it->second);
        best = firstSized(atMostSize_, best, width, height, true);
    }

    lowered_.assign(title);
    for (char& c : lowered_)
        c = asciiLower(c);
    if (!equalTitles_.empty())
        if (auto it = equalTitles_.find(lowered_); it != equalTitles_.end())
            best = firstSized(it->second, best, width, height, sizeKnown);

    if (nodes_.size() > 1) {
        int32_t state = 0;
        for (unsigned char c : lowered_) {
            int32_t next;
            while (state != 0 && (next = child(state, c)) < 0)
                state = nodes_[std::size_t(state)].fail;
            state = state == 0 ? rootNext_[c] : next;
            const Node& n = nodes_[std::size_t(state)];
            for (int32_t out = n.rules.empty() ? n.outputLink : state; out > 0;
                 out = nodes_[std::size_t(out)].outputLink)
                best = firstSized(nodes_[std::size_t(out)].rules, best, width, height, sizeKnown);
        }
    }
    return best == INT_MAX ? 0 : best + 1;
}

CloseRules::CloseRules() = default;
CloseRules::~CloseRules() = default;

void CloseRules::changed() {
    index_.reset();
    if (watcher_) watcher_();
}

bool CloseRules::append(const TCond& rule) {
    if (isFull()) return false;
    rules_.push_back(rule);
    changed();
    return true;
}

void CloseRules::setAdministratorRules(const std::vector<TCond>& rules) {
    rules_.erase(rules_.begin(), rules_.begin() + administratorCount_);
    rules_.insert(rules_.begin(), rules.begin(), rules.end());
    administratorCount_ = int(rules.size());
    changed();
}

void CloseRules::replace(int number, const TCond& rule) {
    if (isAdministrators(number)) return;
    rules_.at(std::size_t(number - 1)) = rule;
    changed();
}

void CloseRules::remove(int number) {
    if (isAdministrators(number)) return;
    rules_.erase(rules_.begin() + (number - 1));
    changed();
}

void CloseRules::clear() {
    rules_.clear();
    administratorCount_ = 0;
    changed();
}

int CloseRules::firstMatch(std::string_view title, int32_t width, int32_t height,
                           bool sizeKnown) const {
    if (rules_.empty()) return 0;
    if (!index_) index_ = std::make_unique<RuleIndex>(rules_);
    return index_->firstMatch(title, width, height, sizeKnown);
}

int CloseRules::firstMatchInOrder(std::string_view title, int32_t width, int32_t height,
                                  bool sizeKnown) const {
    for (int i = 0; i < count(); ++i) {
        const TCond& rule = rules_[std::size_t(i)];
        if (!sizeKnown && rule.DimMode != "N") continue;
        if (TesteCond(rule, title, width, height)) return i + 1;
    }
    return 0;
}

} // namespace vornel
