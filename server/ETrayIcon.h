#pragma once

#include <stdexcept>

// Raised by TTrayIcon when a request to the notification area fails; what() is UTF-8 text.
class ETrayIcon : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
