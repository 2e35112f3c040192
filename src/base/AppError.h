#pragma once

#include <stdexcept>
#include <string>

// The one way a failure inside a command travels: thrown where it happens, caught by the
// handler that started the command and shown in the application's error box. The text is
// UTF-8, ready to be shown as it stands.
class AppError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file failure that carries the number the operator is told about (the .zg errors).
class IoError : public AppError {
public:
    IoError(int code, const std::string& text) : AppError(text), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};
