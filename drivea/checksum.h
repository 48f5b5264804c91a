#pragma once

#include <QByteArray>

// The checksum that a style is known by: XXH3-128 of its bytes, in its canonical big-endian
// form. Fast enough to take from bytes as they are read back from a disk.
class Checksum {
public:
    Checksum();
    ~Checksum();
    Checksum(const Checksum &) = delete;
    Checksum &operator=(const Checksum &) = delete;

    void add(const char *bytes, qsizetype size);
    QByteArray result() const;

private:
    void *state; // XXH3_state_t, which this header leaves out
};

QByteArray checksumOf(const QByteArray &bytes);
