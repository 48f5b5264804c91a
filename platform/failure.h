#pragma once

#include <stdexcept>

// A failure that no handler expects, such as a web browser that cannot be started.
// It reaches the application's failure report, which names it and keeps the program running.
class UnexpectedFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
