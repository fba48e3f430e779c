// New objects get names no object of their kind has yet: the JSON form
// refers to objects by name and could not keep two of one name apart.
#pragma once

#include <string>
#include <vector>

// first when no name in taken equals it, else the first of numbered(2),
// numbered(3) ... that is free.
template <typename Numbered>
std::string FreeName(const std::vector<std::string>& taken, const std::string& first, Numbered numbered) {
    auto is_taken = [&](const std::string& name) {
        for (const std::string& each : taken)
            if (each == name) return true;
        return false;
    };
    if (!is_taken(first)) return first;
    for (int n = 2;; ++n) {
        std::string name = numbered(n);
        if (!is_taken(name)) return name;
    }
}
