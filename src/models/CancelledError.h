#pragma once

#include <exception>

// Raised when work stops because its std::stop_token was cancelled. Deliberately not a
// std::runtime_error: catching failures to show them never catches a cancellation by accident.
class CancelledError : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};
