#pragma once
// One bounds-checked cursor over bytes for the binary readers. Every read
// checks what remains; a read past the end raises EReadPastEnd, which each
// reader turns into its own message.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>

class EReadPastEnd : public std::exception {
public:
    const char* what() const noexcept override { return "Read past the end of the data"; }
};

class TByteCursor {
public:
    explicit TByteCursor(std::string_view bytes) : Bytes(bytes) {}

    std::size_t Position() const { return Pos; }
    std::size_t Remaining() const { return Bytes.size() - Pos; }
    bool AtEnd() const { return Pos == Bytes.size(); }

    void Skip(std::size_t n) { Take(n); }
    std::string_view Take(std::size_t n)
    {
        if (n > Remaining()) throw EReadPastEnd();
        std::string_view s = Bytes.substr(Pos, n);
        Pos += n;
        return s;
    }
    std::uint8_t ReadU8() { return static_cast<std::uint8_t>(Take(1)[0]); }
    std::int16_t ReadI16() { return ReadLE<std::int16_t>(); }
    std::uint16_t ReadU16() { return ReadLE<std::uint16_t>(); }
    std::int32_t ReadI32() { return ReadLE<std::int32_t>(); }
    std::uint32_t ReadU32() { return ReadLE<std::uint32_t>(); }
    float ReadF32() { return ReadLE<float>(); }
    double ReadF64() { return ReadLE<double>(); }

private:
    // The machine is little-endian like the files; memcpy avoids alignment
    // and aliasing faults.
    template <class T>
    T ReadLE()
    {
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
        std::string_view s = Take(sizeof(T));
        T v;
        std::memcpy(&v, s.data(), sizeof(T));
        return v;
    }

    std::string_view Bytes;
    std::size_t Pos = 0;
};
