#include "engine/settings/TagReader.h"

#include <cstring>
#include <string>

#include "engine/core/AsciiText.h"

namespace kyp {

namespace {

// Tag names keep at most this many characters; the rest are dropped.
constexpr size_t kMaxNameLength = 80;

enum class State { outside, open, comment, name, equals, bareValue, singleQuoted, doubleQuoted, closedValue };

bool IsWhite(char c) { return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' '; }
bool IsNameStart(char c) { return ascii::IsLetter(c) || c == '_'; }
bool IsNameChar(char c) { return ascii::IsAlnum(c) || c == '_' || c == '-'; }

}  // namespace

bool ReadTags(const char* text, int length, TagCallback callback, void* context) {
    if (!text || !callback) return false;
    const size_t size = length < 0 ? std::strlen(text) : static_cast<size_t>(length);

    State state = State::outside;
    State afterComment = State::outside;
    std::string name;
    std::string value;
    bool nameEnded = false;
    size_t valueStart = 0;

    // "--" at i: both characters must be inside the text.
    auto doubleHyphen = [&](size_t i) { return text[i] == '-' && i + 1 < size && text[i + 1] == '-'; };
    auto deliver = [&]() { return callback(name.c_str(), value.c_str(), context); };

    for (size_t i = 0; i < size; ++i) {
        const char c = text[i];
        switch (state) {
            case State::outside:
                if (c == '<')
                    state = State::open;
                else if (!IsWhite(c))
                    return false;
                break;

            case State::open:
                if (IsNameStart(c)) {
                    name.assign(1, c);
                    nameEnded = false;
                    state = State::name;
                } else if (c == '-') {
                    if (!doubleHyphen(i)) return false;
                    ++i;
                    afterComment = State::open;
                    state = State::comment;
                } else if (c != '>' && !IsWhite(c)) {
                    return false;
                }
                break;

            case State::comment:
                if (c == '-') {
                    if (i + 1 >= size) return false;  // the text ends inside the "--" check
                    if (text[i + 1] == '-') {
                        ++i;
                        state = afterComment;
                    }
                }
                break;

            case State::name:
                if (IsNameChar(c)) {
                    if (!nameEnded && name.size() < kMaxNameLength) name += c;
                } else if (IsWhite(c)) {
                    nameEnded = true;
                } else if (c == '=') {
                    state = State::equals;
                } else if (c == '>') {
                    value.clear();
                    if (!deliver()) return false;
                    state = State::outside;
                } else {
                    return false;
                }
                break;

            case State::equals:
                if (c == '"' || c == '\'') {
                    valueStart = i + 1;
                    state = c == '"' ? State::doubleQuoted : State::singleQuoted;
                } else if (c == '>') {
                    value.clear();
                    if (!deliver()) return false;
                    state = State::outside;
                } else if (c == '<' || c == '=') {
                    return false;
                } else if (!IsWhite(c)) {
                    valueStart = i;
                    state = State::bareValue;
                }
                break;

            case State::bareValue:
                if (c == '>') {
                    value.assign(text + valueStart, i - valueStart);
                    if (!deliver()) return false;
                    state = State::outside;
                }
                break;

            case State::singleQuoted:
            case State::doubleQuoted:
                if (c == (state == State::doubleQuoted ? '"' : '\'')) {
                    value.assign(text + valueStart, i - valueStart);
                    if (!deliver()) return false;
                    state = State::closedValue;
                }
                break;

            case State::closedValue:
                if (c == '>') {
                    state = State::outside;
                } else if (c == '-') {
                    if (!doubleHyphen(i)) return false;
                    ++i;
                    afterComment = State::closedValue;
                    state = State::comment;
                } else if (!IsWhite(c)) {
                    return false;
                }
                break;
        }
    }
    return state == State::outside;
}

bool ReadTags(const char* text, int length, const std::function<bool(const char* name, const char* value)>& callback) {
    if (!callback) return false;
    using Callable = std::function<bool(const char*, const char*)>;
    auto trampoline = [](const char* name, const char* value, void* context) {
        return (*static_cast<const Callable*>(context))(name, value);
    };
    return ReadTags(text, length, trampoline, const_cast<Callable*>(&callback));
}

}  // namespace kyp
