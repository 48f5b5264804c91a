#include "checksum.h"

#include <new>
#include <xxhash.h>

namespace {

QByteArray canonical(XXH128_hash_t hash)
{
    XXH128_canonical_t bytes;
    XXH128_canonicalFromHash(&bytes, hash);
    return QByteArray(reinterpret_cast<const char *>(bytes.digest), sizeof bytes.digest);
}

} // namespace

Checksum::Checksum()
    : state(XXH3_createState())
{
    if (!state || XXH3_128bits_reset(state) != XXH_OK)
        throw std::bad_alloc();
}

Checksum::~Checksum()
{
    XXH3_freeState(state);
}

void Checksum::add(const char *bytes, qsizetype size)
{
    XXH3_128bits_update(state, bytes, size_t(size));
}

QByteArray Checksum::result() const
{
    return canonical(XXH3_128bits_digest(state));
}

QByteArray checksumOf(const QByteArray &bytes)
{
    return canonical(XXH3_128bits(bytes.constData(), size_t(bytes.size())));
}
