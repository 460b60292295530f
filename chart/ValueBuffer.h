// Contiguous storage of a value list's values in the narrowest form that holds every one of them
// exactly: a bit per value while all are +0.0 or 1.0, a 32-bit integer while all are integers
// that fit one (-0.0 is no integer here: it keeps its sign), a double otherwise. A value that
// needs a wider form converts what is held once; the form narrows again only when cleared.
// Every value reads back bit-identical to the double stored. Plain std::vector underneath.
#pragma once

#include <algorithm>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

class TValueBuffer
{
public:
    // The forms, narrowest first.
    enum TKind : uint8_t { vkBits, vkInt32, vkDouble };
    // The value lists count and index with 32-bit signed integers.
    static constexpr std::size_t MaxCount = INT_MAX;

    // The narrowest form that holds Value exactly.
    static TKind KindFor(double value) noexcept
    {
        const uint64_t bits = std::bit_cast<uint64_t>(value);
        if (bits == 0 || bits == OneBits) return vkBits;
        if (value >= -2147483648.0 && value <= 2147483647.0 &&
            std::bit_cast<uint64_t>(static_cast<double>(static_cast<int32_t>(value))) == bits)
            return vkInt32;
        return vkDouble;
    }

    // Reads bits of a bit column as doubles (0.0 or 1.0).
    struct TBitView
    {
        const uint64_t* Words;
        double operator[](std::size_t i) const
        {
            return static_cast<double>((Words[i >> 6] >> (i & 63)) & 1u);
        }
        // How many of the values From..To (inclusive) are 1.
        std::size_t CountOnes(std::size_t from, std::size_t to) const
        {
            const std::size_t first = from >> 6;
            const std::size_t last = to >> 6;
            const uint64_t head = ~uint64_t{0} << (from & 63);
            const uint64_t tail = ~uint64_t{0} >> (63 - (to & 63));
            if (first == last)
                return static_cast<std::size_t>(std::popcount(Words[first] & head & tail));
            std::size_t n = static_cast<std::size_t>(std::popcount(Words[first] & head));
            for (std::size_t w = first + 1; w < last; ++w)
                n += static_cast<std::size_t>(std::popcount(Words[w]));
            return n + static_cast<std::size_t>(std::popcount(Words[last] & tail));
        }
    };

    // Random access to the values as doubles, read-only.
    class const_iterator
    {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = double;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = double;

        const_iterator() = default;
        const_iterator(const TValueBuffer* buffer, std::ptrdiff_t index)
            : FBuffer(buffer), FIndex(index)
        {
        }
        double operator*() const { return (*FBuffer)[static_cast<std::size_t>(FIndex)]; }
        double operator[](difference_type n) const { return *(*this + n); }
        const_iterator& operator++()
        {
            ++FIndex;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator t = *this;
            ++FIndex;
            return t;
        }
        const_iterator& operator--()
        {
            --FIndex;
            return *this;
        }
        const_iterator operator--(int)
        {
            const_iterator t = *this;
            --FIndex;
            return t;
        }
        const_iterator& operator+=(difference_type n)
        {
            FIndex += n;
            return *this;
        }
        const_iterator& operator-=(difference_type n)
        {
            FIndex -= n;
            return *this;
        }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b)
        {
            return a.FIndex - b.FIndex;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b)
        {
            return a.FIndex == b.FIndex;
        }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b)
        {
            return a.FIndex <=> b.FIndex;
        }

    private:
        const TValueBuffer* FBuffer = nullptr;
        std::ptrdiff_t FIndex = 0;
    };

    TValueBuffer() = default;
    TValueBuffer(const TValueBuffer&) = default;
    // The source is left empty.
    TValueBuffer(TValueBuffer&& other) noexcept { swap(other); }
    TValueBuffer& operator=(TValueBuffer other) noexcept
    {
        swap(other);
        return *this;
    }
    ~TValueBuffer() = default;

    void swap(TValueBuffer& other) noexcept
    {
        FBits.swap(other.FBits);
        FInts.swap(other.FInts);
        FDoubles.swap(other.FDoubles);
        std::swap(FSize, other.FSize);
        std::swap(FReserve, other.FReserve);
        std::swap(FKind, other.FKind);
    }

    TKind Kind() const { return FKind; }
    std::size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }
    // Values the current form holds without allocating.
    std::size_t capacity() const
    {
        if (FKind == vkInt32) return FInts.capacity();
        if (FKind == vkBits) return std::min(FBits.capacity() * 64, MaxCount);
        return FDoubles.capacity();
    }
    // Bytes allocated for the values.
    std::size_t AllocatedBytes() const
    {
        return FBits.capacity() * sizeof(uint64_t) + FInts.capacity() * sizeof(int32_t) +
               FDoubles.capacity() * sizeof(double);
    }

    double operator[](std::size_t index) const
    {
        if (FKind == vkInt32) return FInts[index];
        if (FKind == vkBits) return TBitView{FBits.data()}[index];
        return FDoubles[index];
    }
    double back() const { return (*this)[FSize - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, static_cast<std::ptrdiff_t>(FSize)}; }

    // Calls F with the values in their own form, something indexable from 0 to size()-1 whose
    // elements convert to the doubles stored: const uint64_t-backed TBitView, const int32_t*
    // or const double*. Scans written once this way run without a test of the form per value.
    template <class F> decltype(auto) Visit(F&& f) const
    {
        if (FKind == vkInt32) return f(static_cast<const int32_t*>(FInts.data()));
        if (FKind == vkBits) return f(TBitView{FBits.data()});
        return f(static_cast<const double*>(FDoubles.data()));
    }

    // Count values from From on as doubles into Out.
    void CopyTo(std::size_t from, std::size_t count, double* out) const
    {
        Visit([&](const auto& v) {
            for (std::size_t i = 0; i < count; ++i)
                out[i] = static_cast<double>(v[from + i]);
        });
    }
    std::vector<double> ToVector() const
    {
        if (FKind == vkInt32) return std::vector<double>(FInts.begin(), FInts.end());
        if (FKind == vkDouble) return FDoubles;
        std::vector<double> out;
        out.reserve(FSize);
        for (std::size_t i = 0; i < FSize; ++i)
            out.push_back(static_cast<double>((FBits[i >> 6] >> (i & 63)) & 1u));
        return out;
    }

    // All of these throw std::bad_alloc and change no value when memory runs out.
    void push_back(double value)
    {
        // The test for the current form only, on the way of every appended point.
        if (FSize < MaxCount) [[likely]] {
            if (FKind == vkInt32) {
                if (value >= -2147483648.0 && value <= 2147483647.0) {
                    const auto i = static_cast<int32_t>(value);
                    if (std::bit_cast<uint64_t>(static_cast<double>(i)) ==
                        std::bit_cast<uint64_t>(value)) {
                        FInts.push_back(i);
                        ++FSize;
                        return;
                    }
                }
            } else if (FKind == vkBits) {
                const uint64_t bits = std::bit_cast<uint64_t>(value);
                if (bits == 0 || bits == OneBits) {
                    PushBit(bits != 0);
                    ++FSize;
                    return;
                }
            } else {
                FDoubles.push_back(value);
                ++FSize;
                return;
            }
        }
        Grow(std::max(KindFor(value), FKind), FSize + 1);
        if (FKind == vkInt32)
            FInts.push_back(static_cast<int32_t>(value));
        else
            FDoubles.push_back(value);
        ++FSize;
    }
    // Count values at the end, as Count push_backs would store them, with the test of the
    // form made once for them all. Throws std::bad_alloc and changes nothing when memory
    // runs out.
    void append(const double* values, std::size_t count)
    {
        if (count > MaxCount - FSize) throw std::bad_alloc();
        TKind kind = FKind;
        for (std::size_t i = 0; i < count && kind != vkDouble; ++i)
            kind = std::max(kind, KindFor(values[i]));
        Grow(kind, FSize + count);
        // Room first, growing as push_back would, so that nothing below can fail.
        const auto room = [](auto& column, std::size_t needed) {
            if (needed > column.capacity()) column.reserve(std::max(needed, 2 * column.capacity()));
        };
        if (FKind == vkInt32) {
            room(FInts, FSize + count);
            FInts.resize(FSize + count);
            int32_t* out = FInts.data() + FSize;
            for (std::size_t i = 0; i < count; ++i)
                out[i] = static_cast<int32_t>(values[i]);
        } else if (FKind == vkBits) {
            // Bits beyond the size are clear, and so are the new words.
            room(FBits, Words(FSize + count));
            FBits.resize(Words(FSize + count), 0);
            uint64_t* words = FBits.data();
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t at = FSize + i;
                words[at >> 6] |= static_cast<uint64_t>(values[i] != 0) << (at & 63);
            }
        } else {
            room(FDoubles, FSize + count);
            FDoubles.insert(FDoubles.end(), values, values + count);
        }
        FSize += count;
    }
    // Room for Count values in all, in the current form and in any it widens to.
    void reserve(std::size_t count)
    {
        if (count > MaxCount) throw std::bad_alloc();
        FReserve = std::max(FReserve, count);
        if (FKind == vkInt32)
            FInts.reserve(count);
        else if (FKind == vkBits)
            FBits.reserve(Words(count));
        else
            FDoubles.reserve(count);
    }
    // Index 0..size().
    void insert(std::size_t index, double value)
    {
        const TKind kind = KindFor(value);
        if (kind > FKind || FSize == MaxCount) [[unlikely]]
            Grow(std::max(kind, FKind), FSize + 1);
        if (FKind == vkInt32) {
            FInts.insert(FInts.begin() + static_cast<std::ptrdiff_t>(index),
                         static_cast<int32_t>(value));
        } else if (FKind == vkBits) {
            if (FSize % 64 == 0) FBits.push_back(0);
            InsertBit(index, value != 0);
        } else {
            FDoubles.insert(FDoubles.begin() + static_cast<std::ptrdiff_t>(index), value);
        }
        ++FSize;
    }
    // Stores Value at Index (0..size()-1), widening the form when it needs to.
    void set(std::size_t index, double value)
    {
        const TKind kind = KindFor(value);
        if (kind > FKind) [[unlikely]]
            Grow(kind, FSize);
        Store(index, value);
    }
    // Index 0..size()-1.
    void erase(std::size_t index) noexcept
    {
        if (FKind == vkInt32)
            FInts.erase(FInts.begin() + static_cast<std::ptrdiff_t>(index));
        else if (FKind == vkBits)
            EraseBit(index);
        else
            FDoubles.erase(FDoubles.begin() + static_cast<std::ptrdiff_t>(index));
        --FSize;
    }
    // Empties the buffer and gives its memory back; the form starts narrow again.
    void clear() noexcept { TValueBuffer().swap(*this); }

    // std::rotate over the values [First, Last) with Middle becoming the first; never allocates.
    void Rotate(std::size_t first, std::size_t middle, std::size_t last) noexcept
    {
        if (FKind == vkInt32) {
            std::rotate(FInts.begin() + static_cast<std::ptrdiff_t>(first),
                        FInts.begin() + static_cast<std::ptrdiff_t>(middle),
                        FInts.begin() + static_cast<std::ptrdiff_t>(last));
        } else if (FKind == vkDouble) {
            std::rotate(FDoubles.begin() + static_cast<std::ptrdiff_t>(first),
                        FDoubles.begin() + static_cast<std::ptrdiff_t>(middle),
                        FDoubles.begin() + static_cast<std::ptrdiff_t>(last));
        } else if (first < middle && middle < last) {
            ReverseBits(first, middle);
            ReverseBits(middle, last);
            ReverseBits(first, last);
        }
    }

    // Stores a value the current form holds (one read from this buffer, say); never allocates.
    void Store(std::size_t index, double value) noexcept
    {
        if (FKind == vkInt32) {
            FInts[index] = static_cast<int32_t>(value);
        } else if (FKind == vkBits) {
            const uint64_t mask = uint64_t{1} << (index & 63);
            uint64_t& word = FBits[index >> 6];
            word = value != 0 ? word | mask : word & ~mask;
        } else {
            FDoubles[index] = value;
        }
    }

private:
    static constexpr uint64_t OneBits = 0x3FF0000000000000u; // 1.0

    static std::size_t Words(std::size_t count) { return (count + 63) / 64; }
    // Brings the form to at least Kind with room for MinCount values; the values stay. A new
    // form takes the room reserved before, so a reserved build allocates once per form.
    void Grow(TKind kind, std::size_t minCount)
    {
        if (minCount > MaxCount) throw std::bad_alloc();
        // The vectors grow geometrically by themselves.
        if (kind == FKind) return;
        const std::size_t count = std::max({minCount, FReserve, FSize});
        if (kind == vkInt32) {
            std::vector<int32_t> ints;
            ints.reserve(count);
            const TBitView bits{FBits.data()};
            for (std::size_t i = 0; i < FSize; ++i)
                ints.push_back(static_cast<int32_t>(bits[i]));
            FInts.swap(ints);
        } else {
            std::vector<double> doubles;
            doubles.reserve(count);
            Visit([&](const auto& v) {
                for (std::size_t i = 0; i < FSize; ++i)
                    doubles.push_back(static_cast<double>(v[i]));
            });
            FDoubles.swap(doubles);
            std::vector<int32_t>().swap(FInts);
        }
        std::vector<uint64_t>().swap(FBits);
        FKind = kind;
    }

    bool Bit(std::size_t i) const { return (FBits[i >> 6] >> (i & 63)) & 1u; }
    void SetBit(std::size_t i, bool on)
    {
        const uint64_t mask = uint64_t{1} << (i & 63);
        uint64_t& word = FBits[i >> 6];
        word = on ? word | mask : word & ~mask;
    }
    // Room is there (Grow saw to it); bits beyond the size are always clear.
    void PushBit(bool on)
    {
        if (FSize % 64 == 0) FBits.push_back(0);
        if (on) FBits[FSize >> 6] |= uint64_t{1} << (FSize & 63);
    }
    // The words cover FSize + 1 bits already.
    void InsertBit(std::size_t index, bool on)
    {
        const std::size_t w = index >> 6;
        const uint64_t below = (uint64_t{1} << (index & 63)) - 1;
        uint64_t carry = FBits[w] >> 63;
        const uint64_t word = FBits[w];
        FBits[w] =
            (word & below) | ((word & ~below) << 1) | (static_cast<uint64_t>(on) << (index & 63));
        for (std::size_t k = w + 1; k < FBits.size(); ++k) {
            const uint64_t next = FBits[k] >> 63;
            FBits[k] = (FBits[k] << 1) | carry;
            carry = next;
        }
    }
    void EraseBit(std::size_t index)
    {
        const std::size_t w = index >> 6;
        const uint64_t below = (uint64_t{1} << (index & 63)) - 1;
        const uint64_t word = FBits[w];
        FBits[w] = (word & below) | ((word >> 1) & ~below);
        for (std::size_t k = w + 1; k < FBits.size(); ++k) {
            FBits[k - 1] |= (FBits[k] & 1u) << 63;
            FBits[k] >>= 1;
        }
        if ((FSize - 1) % 64 == 0) FBits.pop_back();
    }
    void ReverseBits(std::size_t first, std::size_t last)
    {
        while (first + 1 < last) {
            --last;
            const bool a = Bit(first);
            SetBit(first, Bit(last));
            SetBit(last, a);
            ++first;
        }
    }

    std::vector<uint64_t> FBits;
    std::vector<int32_t> FInts;
    std::vector<double> FDoubles;
    std::size_t FSize = 0;
    // The most reserve() asked for since the last clear.
    std::size_t FReserve = 0;
    TKind FKind = vkBits;
};
