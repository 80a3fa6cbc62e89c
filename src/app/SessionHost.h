#pragma once

namespace ostrel {

// What the session upkeep asks of the model beyond its public face.
class SessionHost {
public:
    // Registers the hot keys again: a window manager that arrives after the program grabs
    // them anew.
    virtual void configureShortcuts() = 0;

protected:
    ~SessionHost() = default;
};

} // namespace ostrel
