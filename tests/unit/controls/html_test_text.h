#pragma once
// Shows CR, LF and tab as \r, \n and \t, so expected texts in the tables stay on one line.
#include <string>
#include <string_view>

namespace tarvex {

inline std::string EscapeControls(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace tarvex
