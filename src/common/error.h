#pragma once
// The one error type: failures the program reports carry the system's message text.
#include <exception>
#include <stdexcept>
#include <string>
#include <string>

namespace tarvex {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The message of an error that was caught as a whole: its what(), or "Unknown error" for one
// that is no std::exception.
inline std::string DescribeError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

}  // namespace tarvex
