#pragma once
// Byte strings of the Sol protocol written as numbers.

#include <QByteArray>
#include <initializer_list>

inline QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}
