#pragma once

#include <stdexcept>
#include <string>
#include <utility>

// The one way a failure inside a command travels: thrown where it happens, caught by the
// handler that started the command and shown in the application's error box. The text is
// UTF-8, ready to be shown as it stands. `reason`, when given, says why in the operator's
// words and is shown on a line of its own after the text, which stays as it is.
class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& text, std::string reason = {})
        : std::runtime_error(text), m_reason(std::move(reason)) {}
    explicit AppError(const char* text) : std::runtime_error(text) {}
    const std::string& reason() const { return m_reason; }

private:
    std::string m_reason;
};

// A file failure that carries the number the operator is told about (the .zg errors).
// `unexplained` is the system's error number when the text names no more than a number, so a
// window can add the reason; 0 when the text says what happened.
class IoError : public AppError {
public:
    IoError(int code, const std::string& text, int unexplained = 0, std::string reason = {})
        : AppError(text, std::move(reason)), m_code(code), m_unexplained(unexplained) {}
    int code() const { return m_code; }
    int unexplained() const { return m_unexplained; }

private:
    int m_code;
    int m_unexplained;
};
