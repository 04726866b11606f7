// The one way lists are shown in messages and listings: "a, b, c".
#pragma once

#include <string>

// Items as "a, b, c"; each item is anything a std::string can append.
template <typename Items> std::string JoinedList(const Items& items) {
    std::string list;
    for (const auto& item : items) {
        list += list.empty() ? "" : ", ";
        list += item;
    }
    return list;
}
