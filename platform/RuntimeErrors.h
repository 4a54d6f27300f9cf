#pragma once
// The run time's own failures. They are kept apart from QMError because
// callers treat them differently: a QMError is a message for the user, these
// are faults of input/output, conversion or arithmetic.
#include <exception>
#include <string>

class ERuntimeError : public std::exception {
public:
    explicit ERuntimeError(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }

private:
    std::string Message;
};

// A file could not be opened, read or written.
class EInOutError : public ERuntimeError {
    using ERuntimeError::ERuntimeError;
};
// Text that should be a number is not one.
class EConvertError : public ERuntimeError {
    using ERuntimeError::ERuntimeError;
};
// An index or a value outside its range (array index, real to integer).
class ERangeError : public ERuntimeError {
public:
    ERangeError() : ERuntimeError("Range check error") {}
    using ERuntimeError::ERuntimeError;
};
// Checked integer arithmetic overflowed.
class EIntOverflow : public ERuntimeError {
public:
    EIntOverflow() : ERuntimeError("Integer overflow") {}
    using ERuntimeError::ERuntimeError;
};
// Floating-point division by zero.
class EZeroDivide : public ERuntimeError {
public:
    EZeroDivide() : ERuntimeError("Floating point division by zero") {}
    using ERuntimeError::ERuntimeError;
};
// Floating-point overflow.
class EOverflow : public ERuntimeError {
public:
    EOverflow() : ERuntimeError("Floating point overflow") {}
    using ERuntimeError::ERuntimeError;
};
// Invalid floating-point operation (NaN where a number is required).
class EInvalidOp : public ERuntimeError {
public:
    EInvalidOp() : ERuntimeError("Invalid floating point operation") {}
    using ERuntimeError::ERuntimeError;
};
// An internal invariant failed; the message names the source unit and line.
class EAssertionFailed : public ERuntimeError {
    using ERuntimeError::ERuntimeError;
};

// Raises EAssertionFailed naming the unit and line, as the run time's Assert does.
[[noreturn]] void AssertionFailed(const char* unit, int line, const char* text);
#define QM_ASSERT(unit, condition) \
    do { if (!(condition)) AssertionFailed(unit, __LINE__, #condition); } while (false)
