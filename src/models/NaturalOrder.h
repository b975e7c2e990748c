#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

// The order a file browser uses for names: case-insensitive, digit runs compared by value,
// locale-aware. Under the C or POSIX locale (which ignores numeric collation) English is used.
namespace NaturalOrder {

// Negative, zero or positive, like a three-way comparison.
int compare(const QString& left, const QString& right);

inline bool lessThan(const QString& left, const QString& right) {
    return compare(left, right) < 0;
}

// Sorts stably by the name that key() gives for each element.
template <typename T, typename Key> void stableSort(std::vector<T>& items, Key key) {
    std::stable_sort(items.begin(), items.end(),
                     [&](const T& a, const T& b) { return lessThan(key(a), key(b)); });
}

} // namespace NaturalOrder
