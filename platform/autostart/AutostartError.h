#pragma once

#include <stdexcept>

// Raised when the autostart entry cannot be written; what() is UTF-8 text naming the file.
class AutostartError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
