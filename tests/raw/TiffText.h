#pragma once
// Hand-made TIFF byte images written as one line of text, so that documents
// (damaged ones above all) can be cases in a data file. Every image starts
// with the header "MM" or "II", 42, first directory at 8; then, separated by
// spaces and applied in order:
//   @N          a directory at offset N holding the records that follow
//   T:Y*C=V     a record: tag T, type Y, count C, value V as one 32-bit word
//   T:Y*C=A,B   a record whose value is two 16-bit words
//   >N          the offset of the directory's next directory (0 if not given)
//   wN=V,V...   16-bit words from offset N (negative ones in two's complement)
//   lN=V,V...   32-bit words from offset N
//   bN=HEX      bytes from offset N
//   size=N      the image cut, or padded with zeros, to N bytes
// Numbers are decimal or 0x hexadecimal; words go in the image's byte order.
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kyp::test {

inline std::vector<uint8_t> TiffFromText(bool big, const std::string& text) {
    std::vector<uint8_t> bytes;
    const auto put = [&](size_t at, uint64_t value, size_t size) {
        if (bytes.size() < at + size) bytes.insert(bytes.end(), at + size - bytes.size(), uint8_t{0});
        for (size_t i = 0; i < size; ++i) bytes[at + (big ? size - 1 - i : i)] = static_cast<uint8_t>(value >> (8 * i));
    };
    const auto numbers = [](const std::string& list) {
        std::vector<uint64_t> out;
        std::istringstream in(list);
        for (std::string n; std::getline(in, n, ',');) out.push_back(static_cast<uint64_t>(std::stoll(n, nullptr, 0)));
        return out;
    };
    put(0, big ? 0x4D4D : 0x4949, 2);
    put(2, 42, 2);
    put(4, 8, 4);
    size_t directory = 0, records = 0;
    uint64_t next = 0;
    bool open = false;
    const auto close = [&] {
        if (open) put(directory, records, 2), put(directory + 2 + 12 * records, next, 4);
        open = false;
    };
    std::istringstream in(text);
    for (std::string token; in >> token;) {
        const std::string value = token.substr(token.find('=') + 1);
        long tag = 0, type = 0, count = 0;
        if (token[0] == '@') {
            close();
            open = true, directory = std::stoul(token.substr(1), nullptr, 0), records = 0, next = 0;
        } else if (token[0] == '>') {
            next = std::stoul(token.substr(1), nullptr, 0);
        } else if (std::sscanf(token.c_str(), "%li:%li*%li=", &tag, &type, &count) == 3) {
            const size_t at = directory + 2 + 12 * records++;
            const std::vector<uint64_t> v = numbers(value);
            put(at, static_cast<uint64_t>(tag), 2), put(at + 2, static_cast<uint64_t>(type), 2);
            put(at + 4, static_cast<uint64_t>(count), 4);
            if (v.size() == 1) put(at + 8, v[0], 4);
            else put(at + 8, v.at(0), 2), put(at + 10, v.at(1), 2);
        } else {
            close();
            const size_t at = token[0] == 's' ? 0 : std::stoul(token.substr(1), nullptr, 0);
            const std::vector<uint64_t> v = token[0] == 'b' ? std::vector<uint64_t>() : numbers(value);
            if (token[0] == 's') {
                bytes.resize(v.at(0));
            } else if (token[0] == 'b') {
                for (size_t i = 0; 2 * i < value.size(); ++i) put(at + i, std::stoul(value.substr(2 * i, 2), nullptr, 16), 1);
            } else if (token[0] == 'w' || token[0] == 'l') {
                for (size_t i = 0; i < v.size(); ++i) put(at + (token[0] == 'l' ? 4 : 2) * i, v[i], token[0] == 'l' ? 4 : 2);
            } else {
                throw std::invalid_argument("not a part of a TIFF image: " + token);
            }
        }
    }
    close();
    return bytes;
}

}  // namespace kyp::test
