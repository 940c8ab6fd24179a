#pragma once
// The bytes of the records the program keeps in the registry (backups, connection tests):
// little-endian numbers, strings with their length before them. A reader that runs past the end
// or meets a flag other than 0 or 1 is no longer Ok, so damaged bytes never read as a record.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

class RecordWriter {
public:
    void Raw(std::string_view bytes) { bytes_ += bytes; }
    void U8(std::uint8_t value) { bytes_ += static_cast<char>(value); }
    void U32(std::uint32_t value) { Le(value, 4); }
    void F64(double value) { Le(std::bit_cast<std::uint64_t>(value), 8); }
    void Str(std::string_view text) {
        U32(static_cast<std::uint32_t>(text.size()));
        bytes_ += text;
    }
    std::string Take() { return std::move(bytes_); }

private:
    void Le(std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i) bytes_ += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    std::string bytes_;
};

class RecordReader {
public:
    explicit RecordReader(std::string_view bytes) : bytes_(bytes) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return at_ == bytes_.size(); }
    std::size_t Left() const { return bytes_.size() - at_; }
    std::string_view Take(std::size_t count) {
        if (!ok_ || count > Left()) {
            ok_ = false;
            return {};
        }
        const std::string_view part = bytes_.substr(at_, count);
        at_ += count;
        return part;
    }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Le(1)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Le(4)); }
    double F64() { return std::bit_cast<double>(Le(8)); }
    // A flag is 0 or 1; anything else is damage.
    bool Flag() {
        const std::uint8_t value = U8();
        if (value > 1) ok_ = false;
        return value == 1;
    }
    std::string Str() { return std::string(Take(U32())); }

private:
    std::uint64_t Le(std::size_t size) {
        const std::string_view part = Take(size);
        std::uint64_t value = 0;
        for (std::size_t i = part.size(); i-- > 0;) value = (value << 8) | static_cast<unsigned char>(part[i]);
        return value;
    }
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

}  // namespace tarvex
