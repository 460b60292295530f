// Contiguous storage of doubles for the chart's value lists. Small contents live on the heap,
// large ones in anonymous mappings grown in fixed steps, so the room held beyond the contents
// stays below a small constant instead of a share of the size (a range kept by clear() aside).
#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

class TValueBuffer
{
public:
    // Contents up to this many bytes stay on the heap, where doubling is cheap.
    static constexpr std::size_t HeapLimit = 64 * 1024;
    // Mappings grow and shrink by this many bytes (a multiple of the usual page sizes).
    static constexpr std::size_t MapStep = 64 * 1024;
    // The value lists count and index with 32-bit signed integers.
    static constexpr std::size_t MaxCount = INT_MAX;
    // The largest mapping clear() may keep (see there).
    static constexpr std::size_t KeepLimit = 128 * 1024 * 1024;

    TValueBuffer() = default;
    TValueBuffer(const TValueBuffer& other)
    {
        if (other.FSize == 0) return;
        Grow(other.FSize);
        std::memcpy(FData, other.FData, other.FSize * sizeof(double));
        FSize = other.FSize;
    }
    TValueBuffer(TValueBuffer&& other) noexcept
        : FData(std::exchange(other.FData, nullptr)), FSize(std::exchange(other.FSize, 0)),
          FCapacity(std::exchange(other.FCapacity, 0))
    {
    }
    TValueBuffer& operator=(TValueBuffer other) noexcept
    {
        swap(other);
        return *this;
    }
    ~TValueBuffer() { Release(); }

    void swap(TValueBuffer& other) noexcept
    {
        std::swap(FData, other.FData);
        std::swap(FSize, other.FSize);
        std::swap(FCapacity, other.FCapacity);
    }

    const double* data() const { return FData; }
    double* data() { return FData; }
    std::size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }
    std::size_t capacity() const { return FCapacity; }
    double operator[](std::size_t index) const { return FData[index]; }
    double& operator[](std::size_t index) { return FData[index]; }
    double back() const { return FData[FSize - 1]; }
    const double* begin() const { return FData; }
    const double* end() const { return FData + FSize; }
    double* begin() { return FData; }
    double* end() { return FData + FSize; }

    // All of these throw std::bad_alloc and change nothing when memory runs out.
    void push_back(double value)
    {
        if (FSize == FCapacity) [[unlikely]]
            Grow(FSize + 1);
        FData[FSize++] = value;
    }
    // Room for Count values in all, so that filling up to it allocates nothing more.
    void reserve(std::size_t count)
    {
        if (count > FCapacity) Grow(count);
    }
    // Index 0..size().
    void insert(std::size_t index, double value)
    {
        if (FSize == FCapacity) [[unlikely]]
            Grow(FSize + 1);
        std::memmove(FData + index + 1, FData + index, (FSize - index) * sizeof(double));
        FData[index] = value;
        ++FSize;
    }
    // Index 0..size()-1.
    void erase(std::size_t index)
    {
        std::memmove(FData + index, FData + index + 1, (FSize - index - 1) * sizeof(double));
        --FSize;
        if (Mapped()) ShrinkMapping();
    }
    // Empties the buffer. A series is usually cleared to be filled again to about the same
    // size, and fresh pages from the kernel cost more than the filling itself; so a mapping of
    // at most KeepLimit that the contents filled at least half of keeps its address range while
    // its pages are freed lazily (the kernel takes them back only under memory pressure, and a
    // refill reuses those it left). Any other buffer, and one whose refill after such a clear
    // stayed below half the range, gives all its memory back.
    void clear() noexcept
    {
        const std::size_t bytes = FCapacity * sizeof(double);
        if (Mapped() && bytes <= KeepLimit && FSize * sizeof(double) * 2 >= bytes &&
            madvise(FData, bytes, MADV_FREE) == 0) {
            FSize = 0;
            return;
        }
        Release();
        FData = nullptr;
        FSize = 0;
        FCapacity = 0;
    }

    // Bytes currently mapped by all buffers together (heap bytes are not included), ranges kept
    // by clear() too, though their freed pages are not resident until filled again.
    static std::size_t MappedBytes() { return MappedTotal().load(std::memory_order_relaxed); }

private:
    bool Mapped() const { return FCapacity * sizeof(double) > HeapLimit; }
    static std::size_t RoundToStep(std::size_t bytes)
    {
        return (bytes + MapStep - 1) / MapStep * MapStep;
    }
    static std::atomic<std::size_t>& MappedTotal()
    {
        static std::atomic<std::size_t> total{0};
        return total;
    }

    // Makes room for at least MinCount values, keeping the contents.
    void Grow(std::size_t minCount)
    {
        if (minCount > MaxCount) throw std::bad_alloc();
        const std::size_t bytes = minCount * sizeof(double);
        if (bytes <= HeapLimit) {
            std::size_t count = std::max<std::size_t>(FCapacity * 2, 16);
            count = std::max(std::min(count, HeapLimit / sizeof(double)), minCount);
            auto* data = static_cast<double*>(::operator new(count * sizeof(double)));
            if (FSize != 0) std::memcpy(data, FData, FSize * sizeof(double));
            ::operator delete(FData);
            FData = data;
            FCapacity = count;
            return;
        }
        const std::size_t oldBytes = Mapped() ? FCapacity * sizeof(double) : 0;
        const std::size_t newBytes = RoundToStep(bytes);
        void* data = nullptr;
        if (oldBytes != 0) {
            // Moving a mapping moves its page tables; the values are not copied.
            data = mremap(FData, oldBytes, newBytes, MREMAP_MAYMOVE);
            if (data == MAP_FAILED) throw std::bad_alloc();
        } else {
            data =
                mmap(nullptr, newBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (data == MAP_FAILED) throw std::bad_alloc();
            if (FSize != 0) std::memcpy(data, FData, FSize * sizeof(double));
            ::operator delete(FData);
        }
        MappedTotal().fetch_add(newBytes - oldBytes, std::memory_order_relaxed);
        FData = static_cast<double*>(data);
        FCapacity = newBytes / sizeof(double);
    }

    // Gives back whole steps once two or more lie unused, keeping one for the next growth.
    void ShrinkMapping() noexcept
    {
        const std::size_t bytes = FCapacity * sizeof(double);
        const std::size_t keep = std::max(RoundToStep(FSize * sizeof(double)), HeapLimit) + MapStep;
        if (bytes < keep + MapStep) return;
        // Shrinking in place does not move the mapping; should it fail, the room just stays.
        if (mremap(FData, bytes, keep, 0) == MAP_FAILED) return;
        MappedTotal().fetch_sub(bytes - keep, std::memory_order_relaxed);
        FCapacity = keep / sizeof(double);
    }

    void Release() noexcept
    {
        if (FData == nullptr) return;
        if (Mapped()) {
            munmap(FData, FCapacity * sizeof(double));
            MappedTotal().fetch_sub(FCapacity * sizeof(double), std::memory_order_relaxed);
        } else {
            ::operator delete(FData);
        }
    }

    double* FData = nullptr;
    std::size_t FSize = 0;
    std::size_t FCapacity = 0;
};
