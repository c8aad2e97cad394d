#pragma once

#include <QByteArray>
#include <QtEndian>

namespace lumbex::test {

// 16-bit mono PCM samples in a WAV container.
inline QByteArray monoWav(const QByteArray& samples, int rate = 16000) {
    QByteArray out;
    const auto u32 = [&](quint32 v) {
        v = qToLittleEndian(v);
        out.append(reinterpret_cast<const char*>(&v), 4);
    };
    const auto u16 = [&](quint16 v) {
        v = qToLittleEndian(v);
        out.append(reinterpret_cast<const char*>(&v), 2);
    };
    out += "RIFF";
    u32(36 + quint32(samples.size()));
    out += "WAVEfmt ";
    u32(16);
    u16(1); // PCM
    u16(1); // one channel
    u32(quint32(rate));
    u32(quint32(rate * 2));
    u16(2);
    u16(16);
    out += "data";
    u32(quint32(samples.size()));
    return out + samples;
}

} // namespace lumbex::test
