#include "toolkit/SysUtils.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (size > 0) {
        std::vector<char> buffer(static_cast<size_t>(size) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        result.assign(buffer.data(), static_cast<size_t>(size));
    }
    va_end(args);
    return result;
}

EListError EListError::IndexOutOfBounds(long index)
{
    return EListError(Format("List index out of bounds (%ld)", index));
}

EFileError::EFileError(const char* format, const std::string& fileName, int errorCode,
                       std::string reason)
    : Exception(Format(format, fileName.c_str())), FFileName(fileName), FErrorCode(errorCode),
      FReason(std::move(reason))
{
}

std::string EFileError::MessageWithReason() const
{
    if (!FReason.empty()) return Message() + ": " + FReason;
    if (FErrorCode == 0) return Message();
    return Message() + ": " + std::strerror(FErrorCode);
}

EFOpenError::EFOpenError(const std::string& fileName, int errorCode, std::string reason)
    : EFileError("Cannot open file %s", fileName, errorCode, std::move(reason))
{
}

EFCreateError::EFCreateError(const std::string& fileName, int errorCode)
    : EFileError("Cannot create file %s", fileName, errorCode)
{
}
