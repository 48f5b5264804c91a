#pragma once

#include <QByteArray>

struct XXH3_state_s;

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
    XXH3_state_s *state;
};

QByteArray checksumOf(const QByteArray &bytes);
