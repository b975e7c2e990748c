#pragma once

#include <QString>
#include <ostream>

// Shows Qt strings as text in GoogleTest's failure messages instead of their bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
