#pragma once

#include <memory>
#include <string>

namespace vornel {

// The sound played on every closing. play() returns at once; what is heard for
// an empty or unplayable name is the implementation's choice.
class AlertSound {
public:
    virtual ~AlertSound() = default;
    virtual void play(const std::string& name) = 0;
};

// The sound service of the platform this build was made for.
std::unique_ptr<AlertSound> makeSystemSound();

} // namespace vornel
