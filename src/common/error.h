#pragma once
// The one error type: failures the program reports carry the system's message text.
#include <stdexcept>
#include <string>

namespace tarvex {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the first "%s" of a message pattern ("Failed to set data for '%s'").
std::string FormatMessage(std::string_view pattern, std::string_view argument);

}  // namespace tarvex
