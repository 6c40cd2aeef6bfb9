// The run-time error that a failing toolkit call raises.
#pragma once

#include <stdexcept>
#include <string>

namespace vedodud {

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vedodud
