#pragma once

#include <QString>
#include <memory>

namespace vornel {

// The desktop's entry that starts the program when the user logs on.
class StartAtLogon {
public:
    virtual ~StartAtLogon() = default;
    // Creates or refreshes the entry so that it starts this executable;
    // false when the entry could not be written, and error says why.
    virtual bool write(const QString& executable, QString* error = nullptr) = 0;
    // Removes the entry when there is one.
    virtual void remove() = 0;
};

// The platform's implementation, chosen by the build.
std::unique_ptr<StartAtLogon> makeStartAtLogon();

} // namespace vornel
