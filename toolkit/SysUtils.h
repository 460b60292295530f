// Runtime support shared by every layer: the exception classes the toolkit,
// the chart engine and the viewer raise, and printf-style message formatting.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception
{
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

class EDivByZero : public Exception
{
public:
    EDivByZero() : Exception("Division by zero") {}
};

class EListError : public Exception
{
public:
    using Exception::Exception;
    static EListError IndexOutOfBounds(long index);
};

class EOutOfMemory : public Exception
{
public:
    EOutOfMemory() : Exception("Out of memory") {}
};

class EFOpenError : public Exception
{
public:
    explicit EFOpenError(const std::string& fileName);
};

class EFCreateError : public Exception
{
public:
    explicit EFCreateError(const std::string& fileName);
};

class EInvalidOperation : public Exception
{
public:
    using Exception::Exception;
};

// printf-style formatting into a std::string ("%s", "%d", ...).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
