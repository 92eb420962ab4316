#pragma once

#include <stdexcept>

// Raised by IcmpClient when a ping cannot be sent or received; what() is UTF-8 text.
class IcmpError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
