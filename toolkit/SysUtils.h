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

// A failure to open or create a file. The message names the file as its bytes in the
// file system (not cp1251), so whoever shows it shows FileName() as the file system
// names it; ErrorCode() is the system's errno, 0 when there is none.
class EFileError : public Exception
{
public:
    // Reason replaces the errno's text where the system has no words for the cause.
    EFileError(const char* format, const std::string& fileName, int errorCode,
               std::string reason = std::string());
    const std::string& FileName() const { return FFileName; }
    int ErrorCode() const { return FErrorCode; }
    // The message, and the system's reason after a colon when there is one.
    std::string MessageWithReason() const;

private:
    std::string FFileName;
    int FErrorCode = 0;
    std::string FReason;
};

class EFOpenError : public EFileError
{
public:
    explicit EFOpenError(const std::string& fileName, int errorCode = 0,
                         std::string reason = std::string());
};

class EFCreateError : public EFileError
{
public:
    explicit EFCreateError(const std::string& fileName, int errorCode = 0);
};

class EInvalidOperation : public Exception
{
public:
    using Exception::Exception;
};

// printf-style formatting into a std::string ("%s", "%d", ...).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
