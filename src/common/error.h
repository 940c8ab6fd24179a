#pragma once
// The one error type: failures the program reports carry the system's message text.
#include <stdexcept>
#include <string>

namespace tarvex {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tarvex
