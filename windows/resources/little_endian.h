#pragma once

#include <QByteArray>
#include <QtEndian>

// Windows file headers store their numbers least significant byte first.
inline void appendLittle16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

inline void appendLittle32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}
